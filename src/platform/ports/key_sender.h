// Keys typed into other programs' windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {

// Keys typed into other programs' windows (入力, 入力２).
enum class Key : std::uint8_t {
    Character,  // the stroke types its character
    Enter,
    Tab,
    Backspace,
    Escape,
    Delete,
    Insert,
    Home,
    End,
    PageUp,
    PageDown,
    Left,
    Right,
    Up,
    Down,
    CapsLock,
    NumLock,
    ScrollLock,
    PrintScreen,
    Break,
    Help,
    Clear,
    Shift,
    Control,
    Alt,
    Super,
    Menu,
    NumPad0,
    NumPad1,
    NumPad2,
    NumPad3,
    NumPad4,
    NumPad5,
    NumPad6,
    NumPad7,
    NumPad8,
    NumPad9,
    Multiply,
    Add,
    Separator,
    Subtract,
    Decimal,
    Divide,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    F17,
    F18,
    F19,
    F20,
    F21,
    F22,
    F23,
    F24,
};

struct KeyStroke {
    Key key = Key::Character;
    char32_t character = 0;  // when key is Character
    bool shift = false, control = false, alt = false;
    bool operator==(const KeyStroke&) const = default;
};

enum class KeyFault { None, NoDisplay, NoWindow, Failed };

struct KeyStatus {
    KeyFault fault = KeyFault::None;
    std::string message;  // why (UTF-8), for the error report
    explicit operator bool() const { return fault == KeyFault::None; }
};

class KeySender {
  public:
    virtual ~KeySender() = default;
    // Brings the window forward and gives it the keyboard: the window of the
    // running program with that task number (process id), or else the
    // top-level window whose caption is exactly `caption`.
    virtual KeyStatus activate(std::optional<std::int64_t> taskNumber, TextView caption) = 0;
    // Presses and releases each stroke in order, holding its modifiers.
    virtual KeyStatus send(const std::vector<KeyStroke>& strokes) = 0;
};

}  // namespace qel
