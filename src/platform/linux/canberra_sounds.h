// Desktop event sounds through libcanberra, which plays them from the
// desktop's chosen sound theme on the desktop's sound server.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qel {

// Plays the first of `themeNames` the theme has; false when none could be
// played. libcanberra is loaded by the first sound; when it is missing, or
// no sound server answers, that is said once on `err` and nothing plays.
using ThemeSoundPlayer = std::function<bool(const std::vector<std::string>& themeNames)>;
ThemeSoundPlayer MakeCanberraSoundPlayer(std::ostream& err);

}  // namespace qel
