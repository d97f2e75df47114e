// The numbered genres of the old one-byte MP3 tag, which scripts still set
// by number (ＭＰ３のジャンル). Newer tags keep the genre as text, so the number
// is written as its name and a name read back is turned into its number.
#pragma once

#include <string>

namespace qel::media {

// The name of genre `number`; empty for 255 ("none") and numbers outside the
// table.
std::string GenreName(int number);
// The number of a genre name (any letter case), or of a name that is itself
// a number ("17", "(17)"); 255 when it is neither.
int GenreNumber(const std::string& name);

}  // namespace qel::media
