// The runtime's own words on the command line (usage errors, start-up
// failures, --help) in the user's language: Japanese when the locale asks for
// it, English otherwise. Script messages are the language's own and are not
// touched here.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qel {

// Whether LC_ALL, LC_MESSAGES or LANG (the first one set, as the C library
// looks) names a Japanese locale.
bool JapaneseLocale();

// `english` with each "{}" replaced by the next of `args`, translated first
// when the locale is Japanese and a translation exists.
std::string Say(std::string_view english, std::initializer_list<std::string_view> args = {});

// The same, in the language given.
std::string SayIn(bool japanese, std::string_view english,
                  std::initializer_list<std::string_view> args = {});

// Every format with a translation, for the check that both sides take the
// same arguments.
struct Translation {
    std::string_view english, japanese;
};
const Translation* Translations(std::size_t& count);

// The --help text in the user's language.
std::string HelpText(bool japanese);

}  // namespace qel
