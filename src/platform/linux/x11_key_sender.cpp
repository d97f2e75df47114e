#ifdef QEL_WITH_XTEST

#include "platform/linux/x11_key_sender.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace qel {

namespace {

// Protocol errors (a window that closed while we looked at it, focus refused)
// must not end the process, which is what Xlib's default handler does.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

KeySym keySymOf(Key key) {
    switch (key) {
        case Key::Enter:
            return XK_Return;
        case Key::Tab:
            return XK_Tab;
        case Key::Backspace:
            return XK_BackSpace;
        case Key::Escape:
            return XK_Escape;
        case Key::Delete:
            return XK_Delete;
        case Key::Insert:
            return XK_Insert;
        case Key::Home:
            return XK_Home;
        case Key::End:
            return XK_End;
        case Key::PageUp:
            return XK_Prior;
        case Key::PageDown:
            return XK_Next;
        case Key::Left:
            return XK_Left;
        case Key::Right:
            return XK_Right;
        case Key::Up:
            return XK_Up;
        case Key::Down:
            return XK_Down;
        case Key::CapsLock:
            return XK_Caps_Lock;
        case Key::NumLock:
            return XK_Num_Lock;
        case Key::ScrollLock:
            return XK_Scroll_Lock;
        case Key::PrintScreen:
            return XK_Print;
        case Key::Break:
            return XK_Pause;
        case Key::Help:
            return XK_Help;
        case Key::Clear:
            return XK_Clear;
        case Key::Shift:
            return XK_Shift_L;
        case Key::Control:
            return XK_Control_L;
        case Key::Alt:
            return XK_Alt_L;
        case Key::Super:
            return XK_Super_L;
        case Key::Menu:
            return XK_Menu;
        case Key::Multiply:
            return XK_KP_Multiply;
        case Key::Add:
            return XK_KP_Add;
        case Key::Separator:
            return XK_KP_Separator;
        case Key::Subtract:
            return XK_KP_Subtract;
        case Key::Decimal:
            return XK_KP_Decimal;
        case Key::Divide:
            return XK_KP_Divide;
        case Key::Character:
            return NoSymbol;
        default:
            break;
    }
    if (key >= Key::NumPad0 && key <= Key::NumPad9) {
        return XK_KP_0 + (static_cast<int>(key) - static_cast<int>(Key::NumPad0));
    }
    if (key >= Key::F1 && key <= Key::F24)
        return XK_F1 + (static_cast<int>(key) - static_cast<int>(Key::F1));
    return NoSymbol;
}

KeySym keySymOf(char32_t c) {
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return KeySym(c);
    if (c == U'\r' || c == U'\n') return XK_Return;
    if (c == U'\t') return XK_Tab;
    if (c == 0x08) return XK_BackSpace;
    if (c == 0x1B) return XK_Escape;
    if (c < 0x20 || c == 0x7F || c > 0x10FFFF) return NoSymbol;
    return KeySym(0x01000000 | c);  // the keysym of any Unicode character
}

std::string utf8Property(Display* d, Window w, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (actualType == type && format == 8) out.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return out;
}

}  // namespace

struct X11KeySender::Connection {
    Display* display = nullptr;
    Atom netWmPid = None, netWmName = None, utf8String = None, netActiveWindow = None;
    ~Connection() {
        if (display) XCloseDisplay(display);
    }

    std::string caption(Window w) const {
        std::string name = utf8Property(display, w, netWmName, utf8String);
        if (!name.empty()) return name;
        XTextProperty property{};
        if (XGetWMName(display, w, &property) && property.value) {
            char** list = nullptr;
            int count = 0;
            if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list &&
                count > 0) {
                name = list[0];
            }
            if (list) XFreeStringList(list);
            XFree(property.value);
        }
        return name;
    }

    std::optional<std::int64_t> pid(Window w) const {
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::optional<std::int64_t> out;
        if (XGetWindowProperty(display, w, netWmPid, 0, 1, False, XA_CARDINAL, &actualType, &format,
                               &count, &after, &data) == Success &&
            data) {
            if (actualType == XA_CARDINAL && format == 32 && count == 1) {
                out = std::int64_t(*reinterpret_cast<unsigned long*>(data));
            }
            XFree(data);
        }
        return out;
    }

    // Looks through the windows below `parent` (a window manager puts each
    // program's window inside a frame, so a few levels down), topmost first.
    Window find(Window parent, int depth, const std::optional<std::int64_t>& task,
                const std::string& wanted) const {
        Window root = None, up = None, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
        Window found = None;
        for (unsigned int i = count; i-- > 0 && found == None;) {
            Window w = children[i];
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(display, w, &attributes) ||
                attributes.map_state != IsViewable)
                continue;
            bool match = task ? pid(w) == task : caption(w) == wanted;
            if (match && !attributes.override_redirect) {
                found = w;
            } else if (depth < 3) {
                found = find(w, depth + 1, task, wanted);
            }
        }
        if (children) XFree(children);
        return found;
    }
};

X11KeySender::X11KeySender() = default;
X11KeySender::~X11KeySender() = default;

KeyStatus X11KeySender::connect() {
    if (x_) return {};
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return {KeyFault::NoDisplay,
                "X11 のディスプレイがありません（DISPLAY が設定されていません）。"};
    XSetErrorHandler(ignoreXErrors);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {KeyFault::NoDisplay,
                std::string("X11 のディスプレイ ") + name + " に接続できません。"};
    auto x = std::make_unique<Connection>();
    x->display = display;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        return {KeyFault::NoDisplay, "X サーバーが XTEST 拡張に対応していません。"};
    }
    x->netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    x->netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    x->utf8String = XInternAtom(display, "UTF8_STRING", False);
    x->netActiveWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    x_ = std::move(x);
    return {};
}

KeyStatus X11KeySender::activate(std::optional<std::int64_t> taskNumber, TextView caption) {
    if (KeyStatus status = connect(); !status) return status;
    Display* d = x_->display;
    Window root = DefaultRootWindow(d);
    Window target = x_->find(root, 0, taskNumber, text::toUtf8(caption));
    if (target == None) return {KeyFault::NoWindow, text::toUtf8(caption)};

    // Ask the window manager (if any) to activate it, and set the focus
    // ourselves for displays without one.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = x_->netActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // a request from a tool acting for the user
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(d, target);
    XSetInputFocus(d, target, RevertToParent, CurrentTime);
    XSync(d, False);
    // A window manager may take a moment to hand over the focus; keys sent
    // before that would reach the previous window.
    for (int i = 0; i < 25; ++i) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(d, &focus, &revert);
        if (focus == target) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

// How many unused key codes carry characters the keyboard map lacks.
constexpr std::size_t kSpareKeyCodes = 8;

KeyStatus X11KeySender::send(const std::vector<KeyStroke>& strokes) {
    if (KeyStatus status = connect(); !status) return status;
    Display* d = x_->display;
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    const KeyCode control = XKeysymToKeycode(d, XK_Control_L);
    const KeyCode alt = XKeysymToKeycode(d, XK_Alt_L);

    // Characters the keyboard map lacks (kana, kanji …) are typed through
    // spare key codes that are given the character for a moment. Several
    // spares are used in turn, and a character keeps its spare while the text
    // is typed: a program that reads the changed map late must still find
    // the character its key event was meant for.
    std::vector<KeyCode> spares;
    {
        int perCode = 0;
        KeySym* map = XGetKeyboardMapping(d, KeyCode(minCode), maxCode - minCode + 1, &perCode);
        if (map) {
            for (int code = maxCode; code >= minCode && spares.size() < kSpareKeyCodes; --code) {
                bool empty = true;
                for (int j = 0; j < perCode; ++j) {
                    if (map[(code - minCode) * perCode + j] != NoSymbol) empty = false;
                }
                if (empty) spares.push_back(KeyCode(code));
            }
            XFree(map);
        }
    }
    std::vector<KeySym> spareHolds(spares.size(), NoSymbol);
    std::size_t nextSpare = 0;
    bool spareUsed = false;
    // The spare key code that types `sym`, giving it one if it has none.
    auto spareFor = [&](KeySym sym) -> KeyCode {
        for (std::size_t i = 0; i < spares.size(); ++i) {
            if (spareHolds[i] == sym) return spares[i];
        }
        std::size_t i = nextSpare;
        nextSpare = (nextSpare + 1) % spares.size();
        KeySym both[2] = {sym, sym};
        XChangeKeyboardMapping(d, spares[i], 2, both, 1);
        XSync(d, False);
        // Programs read the changed map when they are told of it; give them
        // the moment before the key arrives.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        spareHolds[i] = sym;
        spareUsed = true;
        return spares[i];
    };

    auto tap = [&](KeyCode code, bool withShift, const KeyStroke& stroke) {
        if (stroke.control && control) XTestFakeKeyEvent(d, control, True, CurrentTime);
        if (stroke.alt && alt) XTestFakeKeyEvent(d, alt, True, CurrentTime);
        if (withShift && shift) XTestFakeKeyEvent(d, shift, True, CurrentTime);
        XTestFakeKeyEvent(d, code, True, CurrentTime);
        XTestFakeKeyEvent(d, code, False, CurrentTime);
        if (withShift && shift) XTestFakeKeyEvent(d, shift, False, CurrentTime);
        if (stroke.alt && alt) XTestFakeKeyEvent(d, alt, False, CurrentTime);
        if (stroke.control && control) XTestFakeKeyEvent(d, control, False, CurrentTime);
    };

    for (const KeyStroke& stroke : strokes) {
        KeySym sym =
            stroke.key != Key::Character ? keySymOf(stroke.key) : keySymOf(stroke.character);
        if (sym == NoSymbol) continue;
        KeyCode code = XKeysymToKeycode(d, sym);
        bool needShift = false;
        if (code != 0) {
            // The keysym may sit on the key's shifted level ("A", "!").
            needShift = XkbKeycodeToKeysym(d, code, 0, 0) != sym &&
                        XkbKeycodeToKeysym(d, code, 0, 1) == sym;
            tap(code, needShift || stroke.shift, stroke);
            continue;
        }
        if (spares.empty()) continue;
        tap(spareFor(sym), stroke.shift, stroke);
        XSync(d, False);
    }
    if (spareUsed) {
        // The last key must be read with its character before the spares
        // are emptied again.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        KeySym none[2] = {NoSymbol, NoSymbol};
        for (std::size_t i = 0; i < spares.size(); ++i) {
            if (spareHolds[i] != NoSymbol) XChangeKeyboardMapping(d, spares[i], 2, none, 1);
        }
    }
    XSync(d, False);
    return {};
}

}  // namespace qel

#endif  // QEL_WITH_XTEST
