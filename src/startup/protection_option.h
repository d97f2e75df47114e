// The command-line options that set and show the protection setting
// (--protect, --show-protection), so nobody has to work out key digits.
#pragma once

#include <array>
#include <iosfwd>
#include <string>

namespace qel {

class SettingsStore;

// "registry,files,system,native,ask" (any of them, any order, "all" for the
// first four) or "none". False with a reason for an unknown word.
bool ParseProtectionWords(const std::string& list, std::array<bool, 5>& flags, std::string& error);

// Stores a sound key for the flags (none set: removes the key) and shows the
// result. Returns the exit status: 0 done, 1 the store could not be changed.
int SetProtection(SettingsStore& store, const std::array<bool, 5>& flags, std::ostream& out,
                  std::ostream& err);

// Describes the stored setting in words; a damaged key or store is named.
// Returns 0, or 1 when the store cannot be read.
int ShowProtection(SettingsStore& store, std::ostream& out, std::ostream& err);

}  // namespace qel
