// What the user allows scripts to do. The choice is one short digit string
// kept in the per-user settings ("Qelscript" / "Secure" / "Key"): a check
// digit, one digit per forbidden category, and a free last digit. Every
// command that changes the system asks CheckProtection for its category
// before it acts, and does nothing when the answer is no.
#pragma once

#include <array>

#include "text/text.h"

namespace qel {

class Engine;

enum class Guard : int {
    Registry = 0,     // writing the registry stand-in, file associations
    Files = 1,        // writing, changing and opening files and documents
    System = 2,       // shutting down, logging off, starting programs
    NativeCalls = 3,  // native libraries and plug-ins (refused by System too)
};
constexpr int kAskFirstFlag = 4;

struct ProtectionKey {
    std::array<bool, 5> flags{};
    bool sound = true;  // the check digit matches
};

// Reads a stored key. An empty key forbids nothing and is sound; a key with
// anything but digits between its first and last character is not sound.
ProtectionKey ReadProtectionKey(TextView key);

// A sound key that sets exactly the given flags (the free digit is chosen to
// make the check digit come out right).
Text MakeProtectionKey(const std::array<bool, 5>& flags);

// Sets the engine's flags from the stored key, reporting a damaged key once
// through the error routine; the flags the key names stay set either way.
void LoadProtection(Engine& engine, TextView key);

// True when the command of the executing statement may go on. On false the
// refusal has been reported (error 99) and the caller returns at once.
bool CheckProtection(Engine& engine, Guard category);

}  // namespace qel
