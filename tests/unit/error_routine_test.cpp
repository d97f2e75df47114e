// The error routine: message, place line, what is recorded, and what the
// error mode and the run state let through to the user.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qel {
namespace {

using testing::EngineTest;
using testing::ShownBox;

class ErrorRoutineTest : public EngineTest {
  protected:
    // As if the fifth statement of the main script /scripts/a.qel were running.
    void atFifthLine() {
        engine().currentFile = u"/scripts/a.qel";
        engine().currentLine = 4;
    }
};

TEST_F(ErrorRoutineTest, TableMessageWithPlaceOfTheRunningStatement) {
    atFifthLine();
    engine().ReportErrorNo(23, 48, u"X");
    ASSERT_EQ(errorBoxes().size(), 1u);
    const ShownBox box = errorBoxes()[0];
    EXPECT_EQ(box.text, u"\"）\"がありません。\r\n［a.qel 5行目 エラー番号23］");
    EXPECT_EQ(box.style, 49);  // OK and Cancel
    EXPECT_EQ(box.caption, u"Qelvane");
    const ErrorState& e = engine().errors;
    EXPECT_EQ(e.lastErrorNumber, 23);
    EXPECT_EQ(e.lastErrorMessage, u"\"）\"がありません。");  // without the place
    EXPECT_EQ(e.errorLine, 5);
    EXPECT_EQ(e.errorFile, u"a.qel");
    EXPECT_EQ(e.errorWord, u"X");
    EXPECT_FALSE(engine().stopRequested);
}

TEST_F(ErrorRoutineTest, WordsLineBreaksAndExplicitLines) {
    atFifthLine();
    engine().ReportError(u"%1と%1\\n次%d", 0, 64, u"語", u"記録される語", 7);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].text, u"語と語\r\n次\r\n［7行目 エラー番号0］");
    EXPECT_EQ(engine().errors.errorLine, 7);
    EXPECT_EQ(engine().errors.errorWord, u"記録される語");
    EXPECT_EQ(qel().GetErrWord(), u"記録される語");
    EXPECT_EQ(qel().GetErrLine(), 7);

    // A number the table lacks gives an empty message; the place stays.
    engine().ReportErrorNo(50, 48);
    EXPECT_EQ(errorBoxes()[1].text, u"\r\n［a.qel 5行目 エラー番号50］");
}

TEST_F(ErrorRoutineTest, TheProgramsOwnNameIsShownWhenItHasOne) {
    atFifthLine();
    auto module = std::make_shared<ProgramRecord>();
    module->sourceName = u"部品.qel";
    engine().programLevels.push_back(module);
    engine().currentLevel = 1;
    engine().ReportErrorNo(1, 64, u"ほげ");
    engine().currentLevel = 0;
    EXPECT_EQ(errorBoxes().at(0).text,
              u"知らない命令です。\r\n命令が正しいか確認してください。\r\nほげ\r\n［部品.qel 5行目 "
              u"エラー番号1］");
    EXPECT_EQ(engine().errors.errorFile, u"部品.qel");
}

TEST_F(ErrorRoutineTest, StandAloneProgramsShowNoPlace) {
    atFifthLine();
    engine().runEnvironment = RunEnvironment::StandAlone;
    engine().ReportErrorNo(36, 64);
    EXPECT_EQ(errorBoxes().at(0).text, u"命令に必要な数値が正しく入力されていません。");
}

TEST_F(ErrorRoutineTest, SilentModesStillRecord) {
    atFifthLine();
    engine().errors.errorMode = ErrorMode::Ignore;
    engine().ReportErrorNo(37, 48);
    engine().errors.errorMode = ErrorMode::Report;  // no editor: nothing shown
    engine().ReportErrorNo(6, 64, u"f(1)");
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(engine().errors.lastErrorNumber, 6);
    EXPECT_EQ(engine().errors.errorLine, 5);

    engine().errors.errorMode = ErrorMode::Continue;
    engine().ReportErrorNo(37, 48);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].style, 48);  // the caller's buttons only
}

TEST_F(ErrorRoutineTest, NothingIsShownOnceAStopIsUnderway) {
    atFifthLine();
    engine().stopRequested = true;
    engine().ReportErrorNo(1, 64, u"a");
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(engine().errors.lastErrorNumber, 1);  // still recorded

    engine().engineStatus = EngineStatus::Stopping;
    engine().ReportErrorNo(36, 64);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(engine().errors.lastErrorNumber, 36);
    EXPECT_NE(engine().errors.lastErrorMessage, u"命令に必要な数値が正しく入力されていません。");
}

TEST_F(ErrorRoutineTest, HostEntryChoosesTextOrTable) {
    atFifthLine();
    qel().ErrMessage(u"独自の%1", 77, 16, u"語");
    qel().ErrMessage({}, 24, 64, {});
    ASSERT_EQ(errorBoxes().size(), 2u);
    EXPECT_EQ(errorBoxes()[0].text, u"独自の語\r\n［a.qel 5行目 エラー番号77］");
    EXPECT_EQ(errorBoxes()[0].style, 17);
    EXPECT_EQ(errorBoxes()[1].text,
              u"「もし終わり」がありません。\r\n［a.qel 5行目 エラー番号24］");
}

class CancelledErrorTest : public EngineTest {
  protected:
    CancelledErrorTest() : EngineTest(/*cancelErrors=*/true) {}
};

TEST_F(CancelledErrorTest, CancelStopsTheRun) {
    run({u"「前」を表示", u"ほげ", u"「後」を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"前"}));
    EXPECT_EQ(errorNumbers(), (std::vector<int>{1}));
    EXPECT_TRUE(engine().stopRequested);
    EXPECT_EQ(engine().engineStatus, EngineStatus::Stopping);
}

// ---- statements that reach no command -------------------------------------------

TEST_F(ErrorRoutineTest, AVerbThatIsALoneCarriageReturnDoesNothing) {
    StatementRecord record;
    record.source = u"\r";
    record.head = u"\r";
    engine().ExecuteStatement(record);
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace qel
