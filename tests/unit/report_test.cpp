// 報告 passes its text to an editing host, and only there.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qel {
namespace {

class RecordingEditor : public HostEvents {
  public:
    void hostCommand(TextView verb, TextView noun, bool& notFound) override {
        commands.emplace_back(Text(verb), Text(noun));
        notFound = false;
    }
    std::vector<std::pair<Text, Text>> commands;
};

class ReportTest : public testing::EngineTest {};

TEST_F(ReportTest, OnlyAnEditorHearsReports) {
    RecordingEditor editor;
    qel().setHost(&editor);
    run({u"X は 3", u"「値は［X］」を報告"});
    EXPECT_TRUE(editor.commands.empty()) << "a script file has no editor to report to";

    qel().SetDebugObj(true);
    run({u"X は 3", u"「値は［X］」を報告"});
    ASSERT_EQ(editor.commands.size(), 1u);
    EXPECT_EQ(editor.commands[0].first, u"報告");
    EXPECT_EQ(editor.commands[0].second, u"値は3");
    EXPECT_TRUE(errorBoxes().empty());
}

}  // namespace
}  // namespace qel
