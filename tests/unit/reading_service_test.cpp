// The reading service's process handling: pipes both ways, the time limit,
// a program that is missing or fails, replies that do not line up.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/linux/reading_service.h"

namespace qel {
namespace {

TEST(RunFilter, PassesTextThroughPipesWithoutAShell) {
    std::string out;
    ASSERT_TRUE(runFilter({"cat"}, "かな; echo not-run\n", out, 5000));
    EXPECT_EQ(out, "かな; echo not-run\n");
    // More than a pipe buffer in both directions at once.
    std::string big(1 << 20, 'x');
    ASSERT_TRUE(runFilter({"cat"}, big, out, 10000));
    EXPECT_EQ(out.size(), big.size());
}

TEST(RunFilter, FailsForMissingFailingAndSlowPrograms) {
    std::string out;
    EXPECT_FALSE(runFilter({"qel-no-such-reader"}, "x", out, 1000));
    EXPECT_FALSE(runFilter({"false"}, "x", out, 1000));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(runFilter({"sleep", "10"}, "", out, 200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A child that stops reading fails the call, but must not take the
    // runtime down with SIGPIPE.
    EXPECT_FALSE(runFilter({"true"}, std::string(1 << 20, 'x'), out, 5000));
}

TEST(ProcessReadingService, TriesTheNextProgramAndChecksLines) {
    ProcessReadingService service({{{"qel-no-such-reader"}}, {{"cat"}}}, 5000);
    auto lines = service.readings({u"漢字", u"かな"});
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, (std::vector<Text>{u"漢字", u"かな"}));

    // A program that answers with the wrong number of lines is not believed.
    ProcessReadingService joined({{{"tr", "-d", "\n"}}}, 5000);
    EXPECT_FALSE(joined.readings({u"a", u"b"}).has_value());
    ProcessReadingService none({{{"qel-no-such-reader"}}}, 1000);
    EXPECT_FALSE(none.readings({u"漢字"}).has_value());
}

}  // namespace
}  // namespace qel
