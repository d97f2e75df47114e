// The one progress notifier: whole percentages, each reported once, through
// the script's 処理状況 procedure, from the table functions and from a host.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qel {
namespace {

class ProgressTest : public testing::EngineTest {
  protected:
    // A script that names a progress procedure showing what it is given.
    void runWithProgress(std::initializer_list<TextView> body) {
        std::vector<TextView> lines{u"処理状況は、進み"};
        lines.insert(lines.end(), body);
        lines.insert(lines.end(), {u"手順は　進み（率、済、全体）",
                                   u"「［率］/［済］/［全体］」を表示", u"終わり"});
        Text script;
        for (TextView line : lines) script += Text(line) + Text(kCRLF);
        qel().Run(script, u"test.qel", false);
    }
};

TEST_F(ProgressTest, HostNotificationsDropRepeatedPercentages) {
    runWithProgress({});
    EXPECT_EQ(std::get<double>(qel().GetSetInfo(u"処理状況", {})), 1.0);
    clearBoxes();
    qel().GetSetInfo(u"処理状況通知", u"1,4");
    qel().GetSetInfo(u"処理状況通知", u"1,4");
    qel().GetSetInfo(u"処理状況通知", u"3,8");  // 37.5: its whole part differs
    qel().GetSetInfo(u"処理状況通知", u"0,0");  // no total: 0 %
    qel().GetSetInfo(u"処理状況通知", u"0,0");
    qel().GetSetInfo(u"処理状況通知", u"4,4");
    EXPECT_EQ(messages(), (std::vector<Text>{u"25/1/4", u"37/3/8", u"0/0/0", u"100/4/4"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(ProgressTest, ATableWalkReportsEachRowAndTheLastPercentageOnce) {
    runWithProgress({u"T は 「1,a」＆改行＆「2,b」＆改行＆「3,c」＆改行＆「4,b」",
                     u"配列検索(T から 「b」 を)を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"25/1/4", u"50/2/4", u"75/3/4", u"100/4/4", u"2,4"}));
    // A later operation starts where the last one ended: 100 % is not repeated.
    clearBoxes();
    qel().GetSetInfo(u"処理状況通知", u"2,2");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ProgressTest, NothingIsCalledWithoutAProcedure) {
    run({u"T は 「1」＆改行＆「2」", u"配列検索(T から 「2」 を)を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"2"}));
    EXPECT_EQ(std::get<double>(qel().GetSetInfo(u"処理状況", {})), 0.0);
    qel().GetSetInfo(u"処理状況通知", u"1,3");
    EXPECT_TRUE(errorBoxes().empty());
}

}  // namespace
}  // namespace qel
