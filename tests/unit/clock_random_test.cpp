// The date, the waits and the random numbers a run sees come from the
// bundle's clock and random source: a test that sets them knows the answers.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>

#include "engine_fixture.h"
#include "platform/headless/seeded_random.h"
#include "temp_folder.h"
#include "text/number.h"

namespace qel::testing {
namespace {

using namespace std::chrono;

// 2026/12/08 08:05:09.25 UTC, a Tuesday, shown nine hours ahead: 17:05:09.
const Clock::TimePoint kMoment = sys_days{year(2026) / 12 / 8} + 8h + 5min + 9s + 250ms;

class FixedDateTest : public EngineTest {
  protected:
    FixedDateTest() { clock().setWallTime(kMoment, 9h); }

    double number(TextView name) { return number::parse(variable(name)).value_or(-1); }
};

TEST_F(FixedDateTest, DateFunctionsShowTheClocksLocalDate) {
    run({u"A は 今", u"B は 日付", u"C は 時間", u"D は 年", u"E は 曜日", u"F は タイマー",
         u"G は 日付形式(「12/24」)", u"H は 日付計算(日付,1,「日」)"});
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(variable(u"A"), u"2026/12/08 17:05:09");
    EXPECT_EQ(variable(u"B"), u"2026/12/08");
    EXPECT_EQ(variable(u"C"), u"17:05:09");
    EXPECT_EQ(variable(u"D"), u"2026");
    EXPECT_EQ(variable(u"E"), u"3");  // 1 is Sunday
    EXPECT_EQ(variable(u"F"), u"61509.25");
    // A date written without its year takes the clock's.
    EXPECT_EQ(variable(u"G"), u"2026/12/24");
    EXPECT_EQ(variable(u"H"), u"2026/12/09");
}

TEST_F(FixedDateTest, WaitingMovesTheVirtualClockAndNothingElse) {
    const auto before = steady_clock::now();
    run({u"A は 起動時間", u"90を待て", u"B は 起動時間", u"C は 今"});
    EXPECT_LT(steady_clock::now() - before, seconds(10));  // no real waiting
    EXPECT_DOUBLE_EQ(number(u"B") - number(u"A"), 90.0);
    EXPECT_EQ(variable(u"C"), u"2026/12/08 17:06:39");
}

TEST_F(FixedDateTest, FileDatesAndBackupFoldersUseTheClocksTimeZone) {
    TempFolder folder;
    const std::string file = folder.file("doc.txt", "v1");
    // 15:00 UTC is already the next day nine hours ahead.
    const auto at =
        duration_cast<seconds>((sys_days{year(2026) / 12 / 8} + 15h).time_since_epoch());
    const timeval times[2] = {{time_t(at.count()), 0}, {time_t(at.count()), 0}};
    ASSERT_EQ(utimes(file.c_str(), times), 0);
    const Text path = text::fromUtf8(file);
    const Text backups = text::fromUtf8(folder.path + "/bk");
    run({u"A は ファイル更新日(「" + path + u"」)",
         u"「" + path + u"」を「" + backups + u"」へバックアップ"});
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(variable(u"A"), u"2026/12/09 00:00:00");
    EXPECT_TRUE(std::filesystem::exists(folder.path + "/bk/20261208-170509/doc.txt"));
}

TEST(ClockPort, CalendarArithmeticCoversEveryYearAFileCanClaim) {
    auto at = [](double seconds) {
        return Clock::calendarTime(Clock::wholeSeconds(seconds), 0min);
    };
    EXPECT_EQ(dateTimeText(at(0)), u"1970/01/01 00:00:00");
    EXPECT_EQ(dateTimeText(at(-1.5)), u"1969/12/31 23:59:58");  // fractions go down
    EXPECT_EQ(dateTimeText(at(951782400)), u"2000/02/29 00:00:00");
    // Damaged dates stay within the calendar instead of overflowing.
    EXPECT_EQ(dateTimeText(at(1e300)), u"9999/12/31 23:59:59");
    EXPECT_EQ(dateTimeText(at(-1e300)), u"0001/01/01 00:00:00");
    EXPECT_EQ(dateTimeText(at(std::nan(""))), u"1970/01/01 00:00:00");
    // Offsets behind UTC go back across the day.
    EXPECT_EQ(dateTimeText(Clock::calendarTime(Clock::wholeSeconds(0), -90min)),
              u"1969/12/31 22:30:00");
}

class RandomSourceTest : public EngineTest {
  protected:
    std::vector<Text> draw(int count) {
        for (int i = 0; i < count; ++i) {
            clearBoxes();
            run({u"乱数(1000000)を表示"});
            EXPECT_EQ(messages().size(), 1u);
            if (!messages().empty()) drawn_.push_back(messages()[0]);
        }
        return std::exchange(drawn_, {});
    }

  private:
    std::vector<Text> drawn_;
};

TEST_F(RandomSourceTest, ASeededSourceRepeatsItsNumbers) {
    qel().platform().random = std::make_unique<SeededRandom>(7);
    const std::vector<Text> first = draw(5);
    qel().platform().random = std::make_unique<SeededRandom>(7);
    EXPECT_EQ(draw(5), first);
    // The numbers are the 64-bit Mersenne Twister's, scaled to 0 … 1000000.
    std::mt19937_64 reference(7);
    for (const Text& value : first) {
        double r = std::generate_canonical<double, 53>(reference);
        EXPECT_EQ(value, number::format(std::floor(r * 1000001)));
    }
    qel().platform().random = std::make_unique<SeededRandom>(8);
    EXPECT_NE(draw(5), first);
}

TEST_F(RandomSourceTest, ABundleWithoutClockOrRandomSourceStillRuns) {
    qel().platform().clock.reset();
    qel().platform().random.reset();
    run({u"A は 日付", u"B は 乱数(10)", u"0.05を待て"});
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(variable(u"A").size(), 10u);
    const double b = number::parse(variable(u"B")).value_or(-1);
    EXPECT_TRUE(b >= 0 && b <= 10) << text::toUtf8(variable(u"B"));
}

}  // namespace
}  // namespace qel::testing
