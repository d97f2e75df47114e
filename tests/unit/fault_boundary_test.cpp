// The fault boundaries of command and function dispatch: what a handler
// throws is reported once through the error routine and the script goes on.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine_fixture.h"
#include "library/registry/rows.h"
#include "library/registry/script_fault.h"
#include "library/registry/standard_library.h"

namespace qel {
namespace {

using testing::EngineTest;

void functionThrowingUnexpected(Text& result, Text&, Engine&) {
    result = u"途中";
    throw std::runtime_error("broken invariant");
}
void functionOverflowing(Text&, Text&, Engine&) {
    throw NumericOverflow{};
}
void commandThrowingUnexpected(StatementRecord&, Engine&) {
    throw std::logic_error("no such state");
}
void commandFaulting(StatementRecord&, Engine&) {
    throw ScriptFault{ErrorId::LabelNotFound, u"どこか："};
}
void commandOutOfMemory(StatementRecord&, Engine&) {
    throw std::bad_alloc();
}

class FaultBoundaryTest : public EngineTest {
  protected:
    FaultBoundaryTest() {
        StandardLibrary& library = libraryOf(engine());
        Register(library.functions(), nullptr, functionThrowingUnexpected, u"壊れた関数", 0, u"");
        Register(library.functions(), nullptr, functionOverflowing, u"溢れる関数", 0, u"");
        Register(library.commands(), commandThrowingUnexpected, nullptr, u"壊れた命令", 0, u"");
        Register(library.commands(), commandFaulting, nullptr, u"失敗する命令", 0, u"");
        Register(library.commands(), commandOutOfMemory, nullptr, u"食べ尽くす命令", 0, u"");
    }
    int unknownFault() const { return errorNumberOf(ErrorId::UnknownFault); }
    static int errorNumberOf(ErrorId id) { return errorEntry(id).number; }
};

TEST_F(FaultBoundaryTest, AnUnexpectedExceptionFromAHandlerIsReportedNotSwallowed) {
    run({u"A=壊れた関数()", u"「続き」を表示", u"壊れた命令", u"「最後」を表示"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{unknownFault(), unknownFault()}));
    ASSERT_EQ(errorBoxes().size(), 2u);
    EXPECT_NE(errorBoxes()[0].text.find(u"broken invariant"), Text::npos);
    EXPECT_NE(errorBoxes()[1].text.find(u"no such state"), Text::npos);
    // The function's result is what it had written; both statements after
    // the faults ran.
    EXPECT_EQ(variable(u"A"), u"途中");
    EXPECT_EQ(messages(), (std::vector<Text>{u"続き", u"最後"}));
}

TEST_F(FaultBoundaryTest, AScriptFaultIsReportedWithItsWordOrTheFunctionsName) {
    run({u"失敗する命令", u"A=溢れる関数()"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{errorNumberOf(ErrorId::LabelNotFound),
                                                errorNumberOf(ErrorId::NumericOverflow)}));
    EXPECT_EQ(engine().errors.errorWord, u"溢れる関数");
}

TEST_F(FaultBoundaryTest, ExhaustedMemoryPassesTheBoundaryToTheTop) {
    EXPECT_THROW(run({u"食べ尽くす命令"}), std::bad_alloc);
    EXPECT_TRUE(errorBoxes().empty());
}

}  // namespace
}  // namespace qel
