// Key names from key codes. The codes are the language's (those of the
// desktop it was born on); the widget sets translate their own keys to them.
#include "text/number.h"
#include "ui/events.h"

namespace qel::ui {

Text BareKeyName(int code) {
    auto character = [](int c) { return Text(1, char16_t(c)); };
    if (code >= 47 && code <= 90) return character(code);
    switch (code) {
        case 8:
            return u"BackSpace";
        case 9:
            return u"Tab";
        case 13:
            return u"Enter";
        case 27:
            return u"Esc";
        case 32:
            return u"Space";
        case 16:
            return u"Shift";
        case 17:
            return u"Ctrl";
        case 18:
            return u"Alt";
        case 19:
            return u"Pause";
        case 45:
            return u"Insert";
        case 46:
            return u"Delete";
        case 226:
            return u"_";
        default:
            break;
    }
    static constexpr const char16_t* kMoves[] = {u"PageUp", u"PageDown", u"End", u"Home",
                                                 u"←",      u"↑",        u"→",   u"↓"};
    if (code >= 33 && code <= 40) return kMoves[code - 33];
    if (code >= 96 && code <= 105) return u"Num" + character(u'0' + code - 96);
    if (code >= 106 && code <= 111) return u"Num" + character(code - 64);
    if (code >= 112 && code <= 123) return u"F" + number::format(double(code - 111));
    if (code == 186 || code == 187 || (code >= 192 && code <= 223)) return character(code - 128);
    if (code >= 188 && code <= 191) return character(code - 144);
    return number::format(double(code));
}

Text KeyName(int code, int shift) {
    Text name = BareKeyName(code);
    if ((shift & kShiftKey) && code != 16) name = u"シフト＋" + name;
    if ((shift & kAltKey) && code != 18) name = u"オルト＋" + name;
    if ((shift & kCtrlKey) && code != 17) name = u"コントロール＋" + name;
    return name;
}

}  // namespace qel::ui
