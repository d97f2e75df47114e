#include "library/system/send_keys.h"

#include <utility>

namespace qel {

namespace {

// More strokes than anyone types by hand; a repeat count beyond it is a
// mistake (or a hostile script) and would only tie up the keyboard.
constexpr std::size_t kMaxStrokes = 100000;

struct KeyName {
    TextView name;
    Key key;
};

const KeyName kKeyNames[] = {
    {u"ENTER", Key::Enter},
    {u"TAB", Key::Tab},
    {u"BACKSPACE", Key::Backspace},
    {u"BS", Key::Backspace},
    {u"BKSP", Key::Backspace},
    {u"ESC", Key::Escape},
    {u"ESCAPE", Key::Escape},
    {u"DELETE", Key::Delete},
    {u"DEL", Key::Delete},
    {u"INSERT", Key::Insert},
    {u"INS", Key::Insert},
    {u"HOME", Key::Home},
    {u"END", Key::End},
    {u"PGUP", Key::PageUp},
    {u"PGDN", Key::PageDown},
    {u"LEFT", Key::Left},
    {u"RIGHT", Key::Right},
    {u"UP", Key::Up},
    {u"DOWN", Key::Down},
    {u"CAPSLOCK", Key::CapsLock},
    {u"NUMLOCK", Key::NumLock},
    {u"SCROLLLOCK", Key::ScrollLock},
    {u"PRTSC", Key::PrintScreen},
    {u"BREAK", Key::Break},
    {u"HELP", Key::Help},
    {u"ADD", Key::Add},
    {u"SUBTRACT", Key::Subtract},
    {u"MULTIPLY", Key::Multiply},
    {u"DIVIDE", Key::Divide},
};

std::optional<Key> keyByName(TextView name) {
    for (const auto& entry : kKeyNames) {
        if (text::equalsFolded(name, entry.name)) return entry.key;
    }
    // F1 … F24
    if (name.size() >= 2 && name.size() <= 3 && text::foldAscii(name[0]) == u'f') {
        int n = 0;
        for (std::size_t i = 1; i < name.size(); ++i) {
            if (name[i] < u'0' || name[i] > u'9') return std::nullopt;
            n = n * 10 + (name[i] - u'0');
        }
        if (n >= 1 && n <= 24) return static_cast<Key>(static_cast<int>(Key::F1) + n - 1);
    }
    return std::nullopt;
}

// The one character a text holds (a surrogate pair counts as one), or 0.
char32_t singleCharacter(TextView t) {
    if (t.size() == 1 && (t[0] < 0xD800 || t[0] > 0xDFFF)) return t[0];
    if (t.size() == 2 && t[0] >= 0xD800 && t[0] <= 0xDBFF && t[1] >= 0xDC00 && t[1] <= 0xDFFF) {
        return 0x10000 + ((char32_t(t[0]) - 0xD800) << 10) + (char32_t(t[1]) - 0xDC00);
    }
    return 0;
}

struct Modifiers {
    bool shift = false, control = false, alt = false;
};

class Parser {
  public:
    Parser(TextView keys, std::vector<KeyStroke>& out) : s_(keys), out_(out) {}

    bool run(Text& problem) {
        bool ok = sequence(false, {});
        if (!ok) problem = problem_;
        return ok;
    }

  private:
    bool fail(Text why) {
        problem_ = std::move(why);
        return false;
    }

    bool emit(KeyStroke stroke, Modifiers m, std::size_t count = 1) {
        if (count > kMaxStrokes || out_.size() + count > kMaxStrokes) {
            return fail(u"送るキーが多すぎます。");
        }
        stroke.shift = stroke.shift || m.shift;
        stroke.control = stroke.control || m.control;
        stroke.alt = stroke.alt || m.alt;
        out_.insert(out_.end(), count, stroke);
        return true;
    }

    bool sequence(bool inGroup, Modifiers held) {
        while (i_ < s_.size()) {
            char16_t c = s_[i_];
            if (c == u')') {
                if (!inGroup) return fail(u"「)」に対応する「(」がありません。");
                ++i_;
                return true;
            }
            Modifiers m = held;
            bool any = false;
            while (i_ < s_.size() && (s_[i_] == u'+' || s_[i_] == u'^' || s_[i_] == u'%')) {
                if (s_[i_] == u'+') m.shift = true;
                if (s_[i_] == u'^') m.control = true;
                if (s_[i_] == u'%') m.alt = true;
                any = true;
                ++i_;
            }
            if (i_ >= s_.size()) {
                if (any) return fail(u"「+」「^」「%」の後にキーがありません。");
                break;
            }
            if (s_[i_] == u'(') {
                ++i_;
                if (!sequence(true, m)) return false;
                continue;
            }
            if (s_[i_] == u')') {
                if (any) return fail(u"「+」「^」「%」の後にキーがありません。");
                continue;
            }
            if (!one(m)) return false;
        }
        if (inGroup) return fail(u"「(」に対応する「)」がありません。");
        return true;
    }

    bool one(Modifiers m) {
        char16_t c = s_[i_];
        KeyStroke stroke;
        if (c == u'{') return brace(m);
        if (c == u'}') return fail(u"「}」に対応する「{」がありません。");
        if (c == u'~') {
            ++i_;
            stroke.key = Key::Enter;
            return emit(stroke, m);
        }
        if (c == u'\r' || c == u'\n') {
            i_ += (c == u'\r' && i_ + 1 < s_.size() && s_[i_ + 1] == u'\n') ? 2 : 1;
            stroke.key = Key::Enter;
            return emit(stroke, m);
        }
        if (c == u'\t') {
            ++i_;
            stroke.key = Key::Tab;
            return emit(stroke, m);
        }
        std::size_t width = (c >= 0xD800 && c <= 0xDBFF && i_ + 1 < s_.size()) ? 2 : 1;
        char32_t ch = singleCharacter(s_.substr(i_, width));
        i_ += width;
        stroke.character = ch ? ch : U'\uFFFD';
        return emit(stroke, m);
    }

    bool brace(Modifiers m) {
        std::size_t start = i_ + 1;
        // "{}}" names the closing brace itself, so the search for the end
        // starts after it.
        std::size_t from = (start < s_.size() && s_[start] == u'}') ? start + 1 : start;
        std::size_t close = s_.find(u'}', from);
        if (close == TextView::npos) return fail(u"「{」に対応する「}」がありません。");
        TextView inside = s_.substr(start, close - start);
        i_ = close + 1;

        std::size_t count = 1;
        std::size_t blank = inside.find_last_of(u' ');
        if (blank != TextView::npos && blank > 0 && blank + 1 < inside.size()) {
            TextView digits = inside.substr(blank + 1);
            bool numeric = digits.size() <= 9;
            std::size_t n = 0;
            for (char16_t d : digits) {
                if (d < u'0' || d > u'9') numeric = false;
                n = n * 10 + std::size_t(d - u'0');
            }
            if (numeric) {
                count = n;
                inside = inside.substr(0, blank);
            }
        }
        KeyStroke stroke;
        if (char32_t ch = singleCharacter(inside)) {
            stroke.character = ch;  // {+}, {~}, {{}, {a 3} …
        } else if (auto key = keyByName(inside)) {
            stroke.key = *key;
        } else {
            return fail(u"知らないキーの名前です: {" + Text(inside) + u"}");
        }
        if (count == 0) return true;
        return emit(stroke, m, count);
    }

    TextView s_;
    std::size_t i_ = 0;
    std::vector<KeyStroke>& out_;
    Text problem_;
};

}  // namespace

bool ParseSendKeys(TextView keys, std::vector<KeyStroke>& strokes, Text& problem) {
    strokes.clear();
    Parser parser(keys, strokes);
    if (parser.run(problem)) return true;
    strokes.clear();
    return false;
}

std::optional<KeyStroke> VirtualKeyStroke(int code) {
    KeyStroke s;
    auto key = [&](Key k) {
        s.key = k;
        return std::optional<KeyStroke>(s);
    };
    auto ch = [&](char32_t c) {
        s.character = c;
        return std::optional<KeyStroke>(s);
    };
    if (code >= 0x30 && code <= 0x39) return ch(char32_t(code));         // 0–9
    if (code >= 0x41 && code <= 0x5A) return ch(char32_t(code + 0x20));  // A–Z keys
    if (code >= 0x60 && code <= 0x69) {
        return key(static_cast<Key>(static_cast<int>(Key::NumPad0) + code - 0x60));
    }
    if (code >= 0x70 && code <= 0x87) {
        return key(static_cast<Key>(static_cast<int>(Key::F1) + code - 0x70));
    }
    switch (code) {
        case 0x08:
            return key(Key::Backspace);
        case 0x09:
            return key(Key::Tab);
        case 0x0C:
            return key(Key::Clear);
        case 0x0D:
            return key(Key::Enter);
        case 0x10:
            return key(Key::Shift);
        case 0x11:
            return key(Key::Control);
        case 0x12:
            return key(Key::Alt);
        case 0x13:
            return key(Key::Break);
        case 0x14:
            return key(Key::CapsLock);
        case 0x1B:
            return key(Key::Escape);
        case 0x20:
            return ch(U' ');
        case 0x21:
            return key(Key::PageUp);
        case 0x22:
            return key(Key::PageDown);
        case 0x23:
            return key(Key::End);
        case 0x24:
            return key(Key::Home);
        case 0x25:
            return key(Key::Left);
        case 0x26:
            return key(Key::Up);
        case 0x27:
            return key(Key::Right);
        case 0x28:
            return key(Key::Down);
        case 0x2C:
            return key(Key::PrintScreen);
        case 0x2D:
            return key(Key::Insert);
        case 0x2E:
            return key(Key::Delete);
        case 0x2F:
            return key(Key::Help);
        case 0x5B:
        case 0x5C:
            return key(Key::Super);
        case 0x5D:
            return key(Key::Menu);
        case 0x6A:
            return key(Key::Multiply);
        case 0x6B:
            return key(Key::Add);
        case 0x6C:
            return key(Key::Separator);
        case 0x6D:
            return key(Key::Subtract);
        case 0x6E:
            return key(Key::Decimal);
        case 0x6F:
            return key(Key::Divide);
        case 0x90:
            return key(Key::NumLock);
        case 0x91:
            return key(Key::ScrollLock);
        case 0xA0:
        case 0xA1:
            return key(Key::Shift);
        case 0xA2:
        case 0xA3:
            return key(Key::Control);
        case 0xA4:
        case 0xA5:
            return key(Key::Alt);
        // The punctuation keys, as they are printed on a US keyboard.
        case 0xBA:
            return ch(U';');
        case 0xBB:
            return ch(U'=');
        case 0xBC:
            return ch(U',');
        case 0xBD:
            return ch(U'-');
        case 0xBE:
            return ch(U'.');
        case 0xBF:
            return ch(U'/');
        case 0xC0:
            return ch(U'`');
        case 0xDB:
            return ch(U'[');
        case 0xDC:
            return ch(U'\\');
        case 0xDD:
            return ch(U']');
        case 0xDE:
            return ch(U'\'');
        default:
            return std::nullopt;
    }
}

}  // namespace qel
