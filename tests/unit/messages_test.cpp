// The runtime's own words in the user's language: the locale that decides
// it, the translations' arguments, and the Japanese help keeping up with the
// English one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "startup/launch.h"
#include "startup/messages.h"

namespace qel {
namespace {

// Sets the locale variables for one test and puts back what was there.
class LocaleVariables {
  public:
    LocaleVariables(const char* all, const char* messages, const char* lang) {
        set("LC_ALL", all);
        set("LC_MESSAGES", messages);
        set("LANG", lang);
    }
    ~LocaleVariables() {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

  private:
    void set(const std::string& name, const char* value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            setenv(name.c_str(), value, 1);
        else
            unsetenv(name.c_str());
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(Messages, TheFirstLocaleVariableSetDecides) {
    {
        LocaleVariables v(nullptr, nullptr, "ja_JP.UTF-8");
        EXPECT_TRUE(JapaneseLocale());
    }
    {
        LocaleVariables v("C", nullptr, "ja_JP.UTF-8");  // LC_ALL wins
        EXPECT_FALSE(JapaneseLocale());
    }
    {
        LocaleVariables v("", "ja_JP.eucJP", "en_US.UTF-8");  // an empty one is not set
        EXPECT_TRUE(JapaneseLocale());
    }
    {
        LocaleVariables v(nullptr, nullptr, "jav_ID");  // Javanese, not Japanese
        EXPECT_FALSE(JapaneseLocale());
    }
    {
        LocaleVariables v(nullptr, nullptr, nullptr);
        EXPECT_FALSE(JapaneseLocale());
    }
}

TEST(Messages, EveryTranslationTakesTheSameArguments) {
    auto holes = [](std::string_view format) {
        std::size_t n = 0;
        for (std::size_t at = format.find("{}"); at != std::string_view::npos;
             at = format.find("{}", at + 2))
            ++n;
        return n;
    };
    std::size_t count = 0;
    const Translation* all = Translations(count);
    ASSERT_GT(count, 0u);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(holes(all[i].english), holes(all[i].japanese)) << all[i].english;
    EXPECT_EQ(SayIn(true, "unknown option {}", {"--x"}), "知らないオプションです: --x");
    EXPECT_EQ(SayIn(false, "unknown option {}", {"--x"}), "unknown option --x");
    // Without a translation the English words still reach the user, filled in.
    EXPECT_EQ(SayIn(true, "no such {} here", {"thing"}), "no such thing here");
}

// The options a help text names.
std::set<std::string> optionsOf(const std::string& help) {
    std::set<std::string> options;
    const std::regex option("(^|[ \\[(])(--[a-z-]+|-o)\\b");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
        options.insert((*it)[2]);
    return options;
}

// Each option the English help names is named by the Japanese one too.
TEST(Messages, TheJapaneseHelpNamesEveryOption) {
    const std::string japanese = HelpText(true);
    const std::set<std::string> options = optionsOf(HelpText(false));
    EXPECT_GT(options.size(), 15u);
    for (const std::string& name : options)
        EXPECT_NE(japanese.find(name), std::string::npos) << name;
}

// The manual pages keep up with the help: each option it names is there, in
// troff's spelling (\- for a minus).
TEST(Messages, TheManualPagesNameEveryOption) {
    for (const char* page : {"/packaging/man/qelscript.1", "/packaging/man/qelscript.ja.1"}) {
        std::ifstream in(std::string(QEL_SOURCE_DIR) + page);
        ASSERT_TRUE(in) << page;
        const std::string troff((std::istreambuf_iterator<char>(in)), {});
        for (const std::string& name : optionsOf(HelpText(false))) {
            std::string spelled;
            for (char c : name) spelled += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(troff.find(spelled), std::string::npos) << page << ": " << name;
        }
    }
}

TEST(Messages, UsageErrorsAnswerInTheUsersLanguage) {
    LocaleVariables v(nullptr, nullptr, "ja_JP.UTF-8");
    std::ostringstream out, err;
    std::istringstream in;
    // "/run" takes options whatever this test program is called.
    EXPECT_EQ(runMain({"/run", "--bogus"}, out, err, in, nullptr), 2);
    EXPECT_EQ(err.str(),
              "qelscript: 知らないオプションです: --bogus\n"
              "使い方は「qelscript --help」で見られます。\n");
    EXPECT_EQ(runMain({"/run", "--help"}, out, err, in, nullptr), 0);
    EXPECT_EQ(out.str().rfind("使い方: qelscript", 0), 0u);
}

}  // namespace
}  // namespace qel
