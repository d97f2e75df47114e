// The properties of the special object "メニュー" (メニューのファイルの開くのチェック)
// and the shortcut texts its ショートカットキー takes.
#include "core/engine.h"
#include "text/number.h"
#include "ui/events.h"
#include "ui/kinds.h"
#include "ui/menus.h"
#include "ui/objects.h"

namespace qel::ui {

namespace {

// The named keys a shortcut may use, by the language's key codes; their
// names are the ones the key events give (BareKeyName).
constexpr int kNamedKeys[] = {13,  8,   9,   27,  45,  46,  33,  34,  35,  36,  37,
                              38,  39,  40,  16,  17,  18,  19,  32,  112, 113, 114,
                              115, 116, 117, 118, 119, 120, 121, 122, 123};

std::optional<int> keyOfName(TextView name) {
    // Named keys first: the arrows are single characters too.
    const Text wanted = text::foldKey(name);
    for (int code : kNamedKeys) {
        // The shortcut was narrowed, so the names are compared narrowed too.
        if (text::foldKey(text::toHalfWidth(BareKeyName(code))) == wanted) return code;
    }
    if (name.size() != 1) return std::nullopt;
    char16_t c = name[0];
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    // Letters and digits are their own codes; punctuation is the key that
    // types it unshifted.
    for (int code = 47; code <= 223; ++code) {
        if (code > 90 && code < 186) continue;
        if (BareKeyName(code) == TextView(&c, 1)) return code;
    }
    return std::nullopt;
}

enum class MenuProp { Check, Enabled, Shown, Name, Handle, Shortcut };

std::optional<MenuProp> propertyOfName(TextView name) {
    static constexpr std::pair<TextView, MenuProp> kNames[] = {
        {u"チェック", MenuProp::Check},  {u"有効", MenuProp::Enabled},
        {u"表示", MenuProp::Shown},      {u"名前", MenuProp::Name},
        {u"ハンドル", MenuProp::Handle}, {u"ショートカットキー", MenuProp::Shortcut},
    };
    const Text key = nameKey(name);
    for (auto [word, prop] : kNames) {
        if (nameKey(word) == key) return prop;
    }
    return std::nullopt;
}

bool isOn(const Text& value) {
    auto n = number::parse(text::toHalfWidth(value));
    return n ? *n != 0 : !value.empty();
}

Text flag(bool on) {
    return on ? u"1" : u"0";
}

// The text before the shortcut column.
TextView withoutShortcut(TextView shown) {
    return shown.substr(0, shown.find(u'\t'));
}

}  // namespace

std::optional<Shortcut> ParseShortcut(TextView written) {
    Text rest = text::toHalfWidth(text::trimBlanks(written));
    Shortcut s;
    for (bool found = true; found;) {
        found = false;
        for (auto [word, bit] : {std::pair<TextView, int>{u"ctrl+", kCtrlKey},
                                 std::pair<TextView, int>{u"shift+", kShiftKey}}) {
            if (rest.size() > word.size() && text::startsWithFolded(rest, word)) {
                s.shift |= bit;
                rest.erase(0, word.size());
                found = true;
            }
        }
    }
    auto code = keyOfName(rest);
    if (!code) return std::nullopt;
    s.keyCode = *code;
    // Shift with a character key is how that character is typed.
    if (s.shift == kShiftKey && s.keyCode >= 47 && s.keyCode <= 90) return std::nullopt;
    return s;
}

std::optional<Text> MenuModel::MenuProperty(Engine& engine, QelWindow& window, TextView path,
                                            TextView property, const Text* value) {
    path = text::trimBlanks(path);
    if (path.empty()) {
        engine.Report(ErrorId::MenuItemRequired);
        return Text();
    }
    WindowMenus* info = menusOf(window);
    xxMenuCls* item = info ? info->findPath(path) : nullptr;
    if (!item) {
        engine.Report(ErrorId::NoSuchItem, path);
        return Text();
    }
    auto prop = propertyOfName(text::trimBlanks(property));
    if (!prop) {
        engine.Report(ErrorId::NoSuchSetting, u"「メニュー」に「" + Text(property) + u"」");
        return Text();
    }
    if (!value) {
        switch (*prop) {
            case MenuProp::Check:
                return flag(item->checked);
            case MenuProp::Enabled:
                return flag(item->enabled);
            case MenuProp::Shown:
                return flag(item->visible);
            case MenuProp::Name:
                return item->Text;
            case MenuProp::Handle:
                return number::format(double(item->MenuID));
            case MenuProp::Shortcut:
                engine.Report(ErrorId::WriteOnlyProperty, property);
                return Text();
        }
        return Text();
    }
    switch (*prop) {
        case MenuProp::Check:
            item->checked = isOn(*value);
            break;
        case MenuProp::Enabled:
            item->enabled = isOn(*value);
            break;
        case MenuProp::Shown:
            item->visible = isOn(*value);
            break;
        case MenuProp::Name:
            item->Text = *value;
            if (!item->ShortCutKeyName.empty()) item->Text += u"\t" + item->ShortCutKeyName;
            break;
        case MenuProp::Handle:
            engine.Report(ErrorId::ReadOnlyProperty, property);
            return Text();
        case MenuProp::Shortcut: {
            Text bare(withoutShortcut(item->Text));
            if (text::trimBlanks(*value).empty()) {
                // An empty shortcut takes the shortcut away again.
                item->ShortCutKeyNo = item->ShortCutKeyShift = 0;
                item->ShortCutKeyName.clear();
                item->Text = bare;
                break;
            }
            auto shortcut = ParseShortcut(*value);
            if (!shortcut) {
                engine.Report(ErrorId::ShortcutKeyWrong, *value);
                return Text();
            }
            item->ShortCutKeyNo = shortcut->keyCode;
            item->ShortCutKeyShift = shortcut->shift;
            item->ShortCutKeyName = *value;
            item->Text = bare + u"\t" + *value;
            break;
        }
    }
    show(engine, window, *item);
    return Text();
}

}  // namespace qel::ui
