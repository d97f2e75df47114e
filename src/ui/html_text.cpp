// What a browser's script reads of a page without a widget: the title, the
// text as a reader sees it (tags gone, blanks folded, blocks on their own
// lines, script and style left out, character references decoded), and the
// address a link leads to from the page it stands on.
#include <algorithm>
#include <array>
#include <optional>

#include "ui/browser.h"

namespace qel::ui {

namespace {

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Where `needle` (lower-case ASCII) stands in `h` from `from`, case ignored.
std::size_t findNoCase(TextView h, TextView needle, std::size_t from) {
    if (needle.size() > h.size()) return TextView::npos;
    for (std::size_t i = from; i + needle.size() <= h.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lowerAscii(h[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return TextView::npos;
}

struct Tag {
    Text name;  // lower case
    bool closing = false;
    std::size_t end = 0;  // just after '>'
};

// The tag starting at `at` ('<' followed by a letter or '/'); quoted
// attribute values may hold '>'.
Tag readTag(TextView h, std::size_t at) {
    Tag tag;
    std::size_t i = at + 1;
    if (i < h.size() && h[i] == u'/') tag.closing = true, ++i;
    while (i < h.size() && (isLetter(h[i]) || (h[i] >= u'0' && h[i] <= u'9')))
        tag.name += lowerAscii(h[i++]);
    char16_t quote = 0;
    for (; i < h.size(); ++i) {
        if (quote) {
            if (h[i] == quote) quote = 0;
        } else if (h[i] == u'"' || h[i] == u'\'') {
            quote = h[i];
        } else if (h[i] == u'>') {
            break;
        }
    }
    tag.end = std::min(h.size(), i + 1);
    return tag;
}

void appendCodePoint(Text& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    }
}

// The character reference at `at` ('&'): what it stands for and its length.
std::optional<std::pair<Text, std::size_t>> reference(TextView h, std::size_t at) {
    std::size_t semi = h.find(u';', at);
    if (semi == TextView::npos || semi - at > 10) return std::nullopt;
    TextView body = h.substr(at + 1, semi - at - 1);
    Text out;
    if (!body.empty() && body[0] == u'#') {
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        std::uint32_t cp = 0;
        TextView digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return std::nullopt;
        for (char16_t c : digits) {
            int d = c >= u'0' && c <= u'9'          ? c - u'0'
                    : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                    : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                    : -1;
            if (d < 0) return std::nullopt;
            cp = std::min<std::uint32_t>(cp * (hex ? 16 : 10) + std::uint32_t(d), 0x110000);
        }
        appendCodePoint(out, cp);
        return std::pair{out, body.size() + 2};
    }
    static constexpr std::array<std::pair<std::u16string_view, char16_t>, 14> kNamed{{
        {u"amp", u'&'},
        {u"lt", u'<'},
        {u"gt", u'>'},
        {u"quot", u'"'},
        {u"apos", u'\''},
        {u"nbsp", u' '},
        {u"copy", u'\u00A9'},
        {u"reg", u'\u00AE'},
        {u"yen", u'\u00A5'},
        {u"hellip", u'\u2026'},
        {u"mdash", u'\u2014'},
        {u"ndash", u'\u2013'},
        {u"laquo", u'\u00AB'},
        {u"raquo", u'\u00BB'},
    }};
    for (const auto& [name, c] : kNamed) {
        if (body == name) return std::pair{Text(1, c), body.size() + 2};
    }
    return std::nullopt;
}

bool isBlockTag(const Text& name) {
    static constexpr std::array<std::u16string_view, 34> kBlocks{
        u"address", u"article", u"aside",   u"blockquote", u"body",   u"caption", u"dd",
        u"div",     u"dl",      u"dt",      u"fieldset",   u"figure", u"footer",  u"form",
        u"h1",      u"h2",      u"h3",      u"h4",         u"h5",     u"h6",      u"header",
        u"hr",      u"html",    u"li",      u"main",       u"nav",    u"ol",      u"option",
        u"p",       u"pre",     u"section", u"table",      u"tr",     u"ul"};
    return std::find(kBlocks.begin(), kBlocks.end(), name) != kBlocks.end();
}

// The text as it is built: blanks folded into one, breaks never doubled.
class TextOut {
  public:
    void blank() { pendingBlank_ = true; }
    void character(char16_t c) {
        if (pendingBlank_ && !out_.empty() && !atLineStart() && out_.back() != u'\t') out_ += u' ';
        pendingBlank_ = false;
        out_ += c;
    }
    void text(TextView t) {
        for (char16_t c : t) character(c);
    }
    void lineBreak(bool always) {
        trimBlanks();
        if (always || (!out_.empty() && !atLineStart())) out_ += u"\r\n";
        pendingBlank_ = false;
    }
    void cell() {
        trimBlanks();
        if (!out_.empty() && !atLineStart()) out_ += u'\t';
        pendingBlank_ = false;
    }
    Text finish() {
        while (!out_.empty() && isBlank(out_.back())) out_.pop_back();
        return std::move(out_);
    }

  private:
    bool atLineStart() const { return out_.empty() || out_.back() == u'\n'; }
    void trimBlanks() {
        while (!out_.empty() && out_.back() == u' ') out_.pop_back();
    }
    Text out_;
    bool pendingBlank_ = false;
};

bool hasScheme(TextView address) {
    std::size_t colon = address.find(u':');
    // One letter before the colon is a drive (C:), not a scheme.
    if (colon == TextView::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char16_t c = address[i];
        if (!isLetter(c) &&
            !(i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.')))
            return false;
    }
    return true;
}

// "a/./b/../c" → "a/c"; a leading "/" stays, ".." above the top is dropped
// for absolute paths and kept for relative ones.
Text normalisePath(TextView path) {
    const bool absolute = !path.empty() && path[0] == u'/';
    std::vector<Text> parts;
    std::size_t start = absolute ? 1 : 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'/', start);
        Text part(path.substr(start, end == TextView::npos ? TextView::npos : end - start));
        const bool last = end == TextView::npos;
        if (part == u"..") {
            if (!parts.empty() && parts.back() != u"..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
            if (last) parts.emplace_back();  // "a/.." names the folder
        } else if (part == u".") {
            if (last) parts.emplace_back();
        } else {
            parts.push_back(part);
        }
        if (last) break;
        start = end + 1;
    }
    Text out = absolute ? u"/" : u"";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += u'/';
        out += parts[i];
    }
    return out;
}

// The value of attribute `name` (lower case) in the tag at [at, end); quotes
// and references undone. Nothing when the tag has no such attribute.
std::optional<Text> attribute(TextView h, std::size_t at, std::size_t end, TextView name) {
    std::size_t i = at + 1;
    while (i < end && !isBlank(h[i]) && h[i] != u'>') ++i;  // the tag's own name
    while (i < end) {
        while (i < end && (isBlank(h[i]) || h[i] == u'/')) ++i;
        Text key;
        while (i < end && !isBlank(h[i]) && h[i] != u'=' && h[i] != u'>') key += lowerAscii(h[i++]);
        if (key.empty()) break;
        while (i < end && isBlank(h[i])) ++i;
        Text value;
        if (i < end && h[i] == u'=') {
            ++i;
            while (i < end && isBlank(h[i])) ++i;
            const char16_t quote = i < end && (h[i] == u'"' || h[i] == u'\'') ? h[i++] : 0;
            while (i < end && (quote ? h[i] != quote : !isBlank(h[i]) && h[i] != u'>'))
                value += h[i++];
            if (quote) ++i;
        }
        if (key == name) return htmlText(value);
    }
    return std::nullopt;
}

}  // namespace

Text linkTarget(TextView html, TextView href) {
    for (std::size_t at = findNoCase(html, u"<a", 0); at != TextView::npos;
         at = findNoCase(html, u"<a", at + 2)) {
        if (at + 2 < html.size() && !isBlank(html[at + 2])) continue;  // <abbr>, <address> …
        const std::size_t end = readTag(html, at).end;
        if (attribute(html, at, end, u"href") == Text(href))
            return attribute(html, at, end, u"target").value_or(Text());
    }
    return {};
}

Text htmlTitle(TextView html) {
    std::size_t open = findNoCase(html, u"<title", 0);
    if (open == TextView::npos) return {};
    std::size_t start = readTag(html, open).end;
    std::size_t end = findNoCase(html, u"</title", start);
    TextView inside = html.substr(start, end == TextView::npos ? TextView::npos : end - start);
    TextOut out;
    for (std::size_t i = 0; i < inside.size(); ++i) {
        if (isBlank(inside[i])) {
            out.blank();
        } else if (inside[i] == u'&') {
            if (auto r = reference(inside, i)) {
                out.text(r->first);
                i += r->second - 1;
            } else {
                out.character(u'&');
            }
        } else {
            out.character(inside[i]);
        }
    }
    return out.finish();
}

Text htmlText(TextView h) {
    TextOut out;
    int preformatted = 0;
    for (std::size_t i = 0; i < h.size();) {
        const char16_t c = h[i];
        if (c == u'<' && h.substr(i, 4) == u"<!--") {
            std::size_t end = h.find(u"-->", i + 4);
            i = end == TextView::npos ? h.size() : end + 3;
            continue;
        }
        if (c == u'<' && i + 1 < h.size() && (h[i + 1] == u'!' || h[i + 1] == u'?')) {
            std::size_t end = h.find(u'>', i);
            i = end == TextView::npos ? h.size() : end + 1;
            continue;
        }
        if (c == u'<' && i + 1 < h.size() && (isLetter(h[i + 1]) || h[i + 1] == u'/')) {
            Tag tag = readTag(h, i);
            i = tag.end;
            const Text& n = tag.name;
            if (!tag.closing && (n == u"script" || n == u"style" || n == u"title" ||
                                 n == u"template" || n == u"textarea")) {
                // What these hold is no text of the page (a text area's is
                // its own value, shown by the widget only).
                std::size_t end = findNoCase(h, u"</" + n, i);
                i = end == TextView::npos ? h.size() : readTag(h, end).end;
            } else if (n == u"br") {
                out.lineBreak(true);
            } else if (n == u"td" || n == u"th") {
                if (!tag.closing) out.cell();
            } else if (isBlockTag(n)) {
                if (n == u"pre") preformatted = std::max(0, preformatted + (tag.closing ? -1 : 1));
                out.lineBreak(false);
            }
            continue;
        }
        if (c == u'&') {
            if (auto r = reference(h, i)) {
                out.text(r->first);
                i += r->second;
                continue;
            }
        }
        if (isBlank(c) && !preformatted) {
            out.blank();
        } else if (preformatted && (c == u'\n' || c == u'\r')) {
            if (c == u'\n' || i + 1 >= h.size() || h[i + 1] != u'\n') out.lineBreak(true);
        } else {
            out.character(c);
        }
        ++i;
    }
    return out.finish();
}

Text resolveLink(TextView base, TextView link) {
    while (!link.empty() && isBlank(link.front())) link.remove_prefix(1);
    while (!link.empty() && isBlank(link.back())) link.remove_suffix(1);
    if (link.empty()) return Text(base);
    if (hasScheme(link)) return Text(link);
    const std::size_t cut = base.find_first_of(u"?#");
    TextView page = base.substr(0, cut);
    if (link[0] == u'#' || link[0] == u'?') {
        TextView keep = link[0] == u'#' ? base.substr(0, base.find(u'#')) : page;
        return Text(keep) + Text(link);
    }
    if (hasScheme(page)) {
        const std::size_t colon = page.find(u':');
        const bool authority = page.substr(colon + 1, 2) == u"//";
        const std::size_t pathStart =
            authority ? std::min(page.find(u'/', colon + 3), page.size()) : colon + 1;
        Text origin(page.substr(0, pathStart));
        if (link.substr(0, 2) == u"//") return Text(page.substr(0, colon + 1)) + Text(link);
        TextView path = page.substr(pathStart);
        Text joined;
        if (link[0] == u'/') {
            joined = Text(link);
        } else {
            const std::size_t slash = path.rfind(u'/');
            joined = (slash == TextView::npos ? Text(u"/") : Text(path.substr(0, slash + 1))) +
                     Text(link);
        }
        return origin + normalisePath(joined);
    }
    if (link[0] == u'/') return normalisePath(link);
    const std::size_t slash = page.find_last_of(u"/\\");
    Text folder = slash == TextView::npos ? Text() : Text(page.substr(0, slash + 1));
    std::replace(folder.begin(), folder.end(), u'\\', u'/');
    return normalisePath(folder + Text(link));
}

}  // namespace qel::ui
