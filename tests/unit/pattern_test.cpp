#include "text/pattern.h"

#include <gtest/gtest.h>

namespace qel::text {
namespace {

std::vector<std::size_t> startsOf(const std::vector<Pattern::Match>& matches) {
    std::vector<std::size_t> starts;
    for (const auto& m : matches) starts.push_back(m.start);
    return starts;
}

TEST(Pattern, EmptyMatchesStepOverWholeCharacters) {
    auto pattern = Pattern::compile(u"x*", false);
    ASSERT_TRUE(pattern);
    std::vector<Pattern::Match> matches;
    // The emoji is a surrogate pair at 1-2: no match may start inside it.
    ASSERT_EQ(pattern->findAll(u"a\U0001F600b", SIZE_MAX, matches), PatternStatus::kOk);
    EXPECT_EQ(startsOf(matches), (std::vector<std::size_t>{0, 1, 3, 4}));
    ASSERT_EQ(pattern->findAll(u"xxa", 2, matches), PatternStatus::kOk);
    EXPECT_EQ(startsOf(matches), (std::vector<std::size_t>{0, 2}));
}

TEST(Pattern, GroupsCaseAndMalformedPatterns) {
    auto pattern = Pattern::compile(u"(a)|(b)", true);
    ASSERT_TRUE(pattern);
    std::vector<Pattern::Match> matches;
    ASSERT_EQ(pattern->findAll(u"B", SIZE_MAX, matches), PatternStatus::kOk);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].groups, (std::vector<Text>{u"B", u"", u"B"}));
    bool found = true;
    EXPECT_EQ(Pattern::compile(u"(a)", false)->search(u"A", found), PatternStatus::kOk);
    EXPECT_FALSE(found);
    EXPECT_FALSE(Pattern::compile(u"(", false));
    EXPECT_FALSE(Pattern::compile(u"[a", true));
}

TEST(Pattern, ReplacementGrowsOnlyWhenAllowed) {
    auto pattern = Pattern::compile(u"a", false);
    ASSERT_TRUE(pattern);
    Text subject(200, u'a');
    Text out = u"unchanged";
    auto refuse = [](std::size_t) { return false; };
    EXPECT_EQ(pattern->replaceAll(subject, u"[$&]", out, refuse), PatternStatus::kRefused);
    EXPECT_EQ(out, u"unchanged");
    std::size_t asked = 0;
    auto allow = [&](std::size_t length) {
        asked = length;
        return true;
    };
    ASSERT_EQ(pattern->replaceAll(subject, u"[$&]", out, allow), PatternStatus::kOk);
    EXPECT_EQ(out.size(), 600u);
    EXPECT_GE(asked, 600u);
    EXPECT_EQ(out.substr(0, 6), u"[a][a]");
    EXPECT_EQ(pattern->replaceAll(u"a", u"${", out, allow), PatternStatus::kMalformed);
}

TEST(Pattern, CacheKeepsOnlyPatternsThatCompile) {
    PatternCache cache(true);
    const Pattern* first = cache.get(u"ab+");
    ASSERT_TRUE(first);
    EXPECT_EQ(cache.get(u"ab+"), first);
    bool found = false;
    EXPECT_EQ(first->search(u"xABB", found), PatternStatus::kOk);
    EXPECT_TRUE(found);
    EXPECT_FALSE(cache.get(u"a("));
    EXPECT_FALSE(cache.get(u"a("));
}

}  // namespace
}  // namespace qel::text
