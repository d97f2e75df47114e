// Desktop event sounds by the names scripts give them (SystemAsterisk …),
// found in the freedesktop sound theme. The table of names is in
// docs/media.md.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qel {

// The sound-theme names to try, best first, for a system sound name (any
// letter case). A name outside the table that reads as a theme name
// ("bell", "dialog-warning") is tried as it is; anything else gives none.
std::vector<std::string> SoundThemeNames(const std::string& systemName);

// The first of `names` with a file in the freedesktop theme, looked for
// where the desktop keeps sound themes ($XDG_DATA_HOME, $XDG_DATA_DIRS).
std::optional<std::string> FindThemeSound(const std::vector<std::string>& names);

}  // namespace qel
