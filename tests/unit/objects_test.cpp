// Names of script objects (width and case do not matter, kinds are found in
// the language's order) and colour texts.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "platform/headless/virtual_widgets.h"
#include "ui/kinds.h"
#include "ui/properties.h"

namespace qel {
namespace {

using testing::EngineTest;

TEST(ObjectNames, KeysIgnoreWidthAndLatinCase) {
    EXPECT_EQ(ui::nameKey(u"ボタン1"), ui::nameKey(u"ボタン１"));
    EXPECT_EQ(ui::nameKey(u"OK"), ui::nameKey(u"ｏｋ"));
    EXPECT_EQ(ui::nameKey(u"ﾎﾞﾀﾝ1"), ui::nameKey(u"ボタン1"));
    EXPECT_NE(ui::nameKey(u"ボタン1"), ui::nameKey(u"ボタン11"));
    EXPECT_NE(ui::nameKey(u"ぼたん1"), ui::nameKey(u"ボタン1"));
}

TEST(ObjectNames, PrefixesMatchInEitherWidthAndGiveTheLengthUsed) {
    EXPECT_EQ(ui::matchPrefix(u"ﾎﾞﾀﾝ1", u"ボタン"), std::optional<std::size_t>(4));
    EXPECT_EQ(ui::matchPrefix(u"ボタン1", u"ボタン"), std::optional<std::size_t>(3));
    EXPECT_EQ(ui::matchPrefix(u"ボタ", u"ボタン"), std::nullopt);
    EXPECT_EQ(ui::matchPrefix(u"", u"ボタン"), std::nullopt);
}

TEST(ObjectNames, TheFirstKindInTheLanguagesOrderWins) {
    auto kindOf = [](TextView name) {
        const ui::KindRow* row = ui::kindOfName(name);
        return row ? row->id : ui::KindId(0);
    };
    EXPECT_EQ(kindOf(u"リストビュー1"), ui::KindId::ListView);
    EXPECT_EQ(kindOf(u"リスト1"), ui::KindId::ListBox);
    EXPECT_EQ(kindOf(u"入力選択リスト1"), ui::KindId::DropDownCombo);
    EXPECT_EQ(kindOf(u"選択リスト1"), ui::KindId::DropDownList);
    EXPECT_EQ(kindOf(u"文章テキスト1"), ui::KindId::MultiLineText);
    EXPECT_EQ(kindOf(u"テキスト1"), ui::KindId::TextBox);
    EXPECT_EQ(kindOf(u"ロボット1"), ui::KindId(0));
    // Every kind's row sits at its id, so the table can be read both ways.
    for (const ui::KindRow& row : ui::controlKinds()) EXPECT_EQ(&ui::kindRow(row.id), &row);
}

TEST(ObjectNames, WindowKindsAreNotTakenForOneAnother) {
    EXPECT_EQ(ui::windowKindOfName(u"固定ツールウィンドウ1")->style, WindowStyle::FixedTool);
    EXPECT_EQ(ui::windowKindOfName(u"ツールウィンドウ1")->style, WindowStyle::Tool);
    EXPECT_EQ(ui::windowKindOfName(u"ｳｨﾝﾄﾞｳ2")->style, WindowStyle::Normal);
    EXPECT_EQ(ui::windowKindOfName(u"ボタン1"), nullptr);
}

class Colours : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        engine().platform.widgets = std::make_unique<VirtualWidgets>();
    }
    std::optional<std::uint32_t> colour(TextView text) { return ui::ColourValue(engine(), text); }
};

TEST_F(Colours, EveryFormOfOneColourGivesOneValue) {
    for (TextView red : {u"赤", u"赤色", u"あか", u"あかいろ", u"12", u"&hFF0000", u"&h000000FF",
                         u"#255", u"１２"}) {
        SCOPED_TRACE(text::toUtf8(red));
        EXPECT_EQ(colour(red), std::optional<std::uint32_t>(0x0000FF));
    }
}

TEST_F(Colours, TheClassicPaletteAndTheTable) {
    EXPECT_EQ(colour(u"4"), std::optional<std::uint32_t>(0x000080));  // dark red
    EXPECT_EQ(colour(u"7"), std::optional<std::uint32_t>(0xC0C0C0));  // light grey
    EXPECT_EQ(colour(u"8"), std::optional<std::uint32_t>(0x808080));
    EXPECT_EQ(colour(u"15"), std::optional<std::uint32_t>(0xFFFFFF));
    EXPECT_EQ(colour(u"さくら"), std::optional<std::uint32_t>(0xFF00FF));  // the first entry wins
    EXPECT_EQ(colour(u"オレンジ"), std::optional<std::uint32_t>(0x0080FF));
    EXPECT_EQ(colour(u"標準の文字の色"), std::optional<std::uint32_t>(0x000000));
    // A variable holding a colour is read through.
    run({u"Ｃは、「青」"});
    EXPECT_EQ(colour(u"Ｃ"), std::optional<std::uint32_t>(0xFF0000));
}

TEST_F(Colours, TextsThatAreNoColoursGiveNothing) {
    for (TextView bad : {u"", u"むらさきっぽい", u"-1", u"&hXYZ123", u"#", u"#-4", u"いろ"}) {
        SCOPED_TRACE(text::toUtf8(bad));
        EXPECT_EQ(colour(bad), std::nullopt);
    }
    // 色 alone is the function 色: the pen colour (black at the start).
    EXPECT_EQ(colour(u"色"), std::optional<std::uint32_t>(0x000000));
}

}  // namespace
}  // namespace qel
