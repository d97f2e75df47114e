// Conditions: comparison words and symbols, the quoted tests, groups.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine_fixture.h"
#include "text/text.h"

namespace qel {
namespace {

using testing::EngineTest;

class ConditionTest : public EngineTest {
  protected:
    void set(TextView name, TextView value) { engine().SetVariable(name, value); }
    bool holds(TextView condition, int comparison = kEqual, int mode = 0) {
        return engine().EvalCondition(condition, comparison, mode);
    }
};

TEST_F(ConditionTest, TrailingComparisonWords) {
    set(u"X", u"7");
    EXPECT_TRUE(holds(u"X が 5以上"));
    EXPECT_TRUE(holds(u"X が 7以上"));
    EXPECT_FALSE(holds(u"X が 8以上"));
    EXPECT_TRUE(holds(u"X が 7以下"));
    EXPECT_FALSE(holds(u"X が 6以下"));
    EXPECT_TRUE(holds(u"X が 6より上"));
    EXPECT_FALSE(holds(u"X が 7より上"));
    EXPECT_TRUE(holds(u"X が 8より下"));
    EXPECT_TRUE(holds(u"X が 5でない"));
    EXPECT_FALSE(holds(u"X が 7でない"));
    EXPECT_TRUE(holds(u"X は、7"));
    EXPECT_TRUE(holds(u"X は 7"));
    EXPECT_TRUE(holds(u"X が、7"));
    // A caller that cut a trailing でない itself passes code 1.
    EXPECT_TRUE(holds(u"X が 5", kNotEqual));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, Symbols) {
    set(u"X", u"7");
    struct Case {
        TextView condition;
        bool expected;
    } cases[] = {
        {u"X＝7", true},   {u"X=7", true},   {u"X＜＞7", false}, {u"X<>5", true},
        {u"X！＝5", true}, {u"X!=7", false}, {u"X＞5", true},    {u"X>7", false},
        {u"X＜8", true},   {u"X<7", false},  {u"X＞＝7", true},  {u"X>=8", false},
        {u"X＜＝7", true}, {u"X<=6", false}, {u"X ＝ 7", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(holds(c.condition), c.expected) << text::toUtf8(c.condition);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, NumbersCompareByValueAndEmptyIsZero) {
    set(u"X", u"05");
    EXPECT_TRUE(holds(u"X が 5"));
    set(u"E", u"");
    EXPECT_TRUE(holds(u"E が 0"));
    EXPECT_TRUE(holds(u"E が 0以上"));
    EXPECT_FALSE(holds(u"E が 1以上"));
    // Two empty values are equal, and also in order.
    set(u"F", u"");
    EXPECT_TRUE(holds(u"E が F"));
    EXPECT_TRUE(holds(u"E が F以上"));
    EXPECT_TRUE(holds(u"E が F以下"));
    // Texts compare exactly.
    set(u"T", u"abc");
    EXPECT_TRUE(holds(u"T が 「abc」"));
    EXPECT_FALSE(holds(u"T が 「ABC」"));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, RangeAndEither) {
    set(u"X", u"4");
    EXPECT_TRUE(holds(u"X が 3 から 6"));
    EXPECT_TRUE(holds(u"X が 4 から 4"));
    EXPECT_FALSE(holds(u"X が 5 から 6"));
    EXPECT_TRUE(holds(u"X が 1 または 4"));
    EXPECT_TRUE(holds(u"X が 04 または 9"));  // made numeric first
    EXPECT_FALSE(holds(u"X が 1 または 2"));
    set(u"S", u"b");
    EXPECT_TRUE(holds(u"S が 「a」 または 「b」"));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, OrderOfTextsIsRejected) {
    set(u"T", u"abc");
    EXPECT_FALSE(holds(u"T が 5以上"));
    EXPECT_FALSE(holds(u"T が 1 から 9"));
    EXPECT_EQ(errorNumbers(), (std::vector<int>{3, 3}));
}

TEST_F(ConditionTest, MissingComparisonReportsError3) {
    EXPECT_FALSE(holds(u"X"));
    EXPECT_FALSE(holds(u"X以上"));  // a word but no separator
    EXPECT_FALSE(holds(u"＝5"));    // a symbol only at the first character
    ASSERT_EQ(errorNumbers(), (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(errorBoxes()[0].style, 49);
    EXPECT_TRUE(text::startsWith(errorBoxes()[0].text,
                                 u"判断式が判別できませんでした。\r\nリファレンスを参照して、正しく"
                                 u"式を書いているか確認してください。\r\n［"));
}

TEST_F(ConditionTest, QuotedWordTests) {
    struct Case {
        TextView value, word;
        bool expected;
    } cases[] = {
        {u"12", u"数字", true},
        {u"1.5", u"数字", true},
        {u"", u"数字", false},
        {u"abc", u"数字", false},
        {u"abc", u"文字", true},
        {u"12", u"文字", false},
        {u"", u"空", true},
        {u"a", u"空", false},
        {u"ABC", u"大文字", true},
        {u"AbC", u"大文字", false},
        {u"A1", u"大文字", true},
        {u"12", u"大文字", false},
        {u"", u"大文字", false},
        {u"ＡＢＣ", u"大文字", false},
        {u"abc", u"小文字", true},
        {u"aBc", u"小文字", false},
        {u"あいう", u"ひらがな", true},
        {u"アイウ", u"ひらがな", false},
        {u"", u"ひらがな", true},
        {u"アイウ", u"カタカナ", true},
        {u"ヶ", u"カタカナ", true},
        {u"あ", u"カタカナ", false},
        {u"abc", u"半角", true},
        {u"ａbc", u"半角", false},
        {u"", u"半角", false},
        {u"ａｂｃ", u"全角", true},
        {u"ａbc", u"全角", false},
        {u"ボタン1", u"オブジェクト", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(engine().CompareValues(c.value, u"\"" + Text(c.word) + u"\"", kEqual), c.expected)
            << text::toUtf8(c.value) << " " << text::toUtf8(c.word);
    }
    // The quoted word decides the test; a trailing comparison word is ignored.
    set(u"X", u"12");
    EXPECT_TRUE(holds(u"X が \"数字\"でない"));
    EXPECT_TRUE(holds(u"X が \"数字\""));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, Patterns) {
    set(u"X", u"ABC");
    EXPECT_TRUE(holds(u"X が \"^a\""));  // case ignored
    EXPECT_TRUE(holds(u"X が \"b\""));   // anywhere
    EXPECT_FALSE(holds(u"X が \"^b\""));
    // A pattern that names a variable uses its value.
    set(u"P", u"c$");
    EXPECT_TRUE(holds(u"X が \"P\""));
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(holds(u"X が \"(\""));
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_EQ(errorBoxes()[0].errorNumber, 38);
    EXPECT_EQ(errorBoxes()[0].style, 17);
    EXPECT_TRUE(
        text::startsWith(errorBoxes()[0].text, u"正規表現が正しくありません。エラー番号:5017\r\n"));
}

TEST_F(ConditionTest, FilesAndFolders) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qel_conditions_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "a.txt") << "x";
    Text folder = text::fromUtf8(dir.string());
    Text file = text::fromUtf8((dir / "a.txt").string());
    Text missing = text::fromUtf8((dir / "none").string());

    EXPECT_TRUE(engine().CompareValues(file, u"\"ファイル\"", kEqual));
    EXPECT_FALSE(engine().CompareValues(folder, u"\"ファイル\"", kEqual));
    EXPECT_FALSE(engine().CompareValues(missing, u"\"ファイル\"", kEqual));
    EXPECT_FALSE(engine().CompareValues(file, u"\"フォルダ\"", kEqual));
    EXPECT_TRUE(engine().CompareValues(folder, u"\"フォルダ\"", kEqual));
    EXPECT_TRUE(engine().CompareValues(missing, u"\"フォルダ\"", kEqual));
    EXPECT_TRUE(engine().CompareValues(file, u"\"存在する\"", kEqual));
    EXPECT_TRUE(engine().CompareValues(folder, u"\"存在する\"", kEqual));
    EXPECT_FALSE(engine().CompareValues(missing, u"\"存在する\"", kEqual));
    fs::remove_all(dir);
}

TEST_F(ConditionTest, Groups) {
    set(u"X", u"1");
    set(u"Y", u"2");
    EXPECT_TRUE(holds(u"［X が 1］［Y が 2］"));
    EXPECT_FALSE(holds(u"［X が 1］［Y が 3］"));
    EXPECT_TRUE(holds(u"［X が 9］［Y が 2］", kEqual, 1));
    EXPECT_FALSE(holds(u"［X が 9］［Y が 9］", kEqual, 1));
    EXPECT_TRUE(holds(u"［X が 1］"));  // a single group is judged whole
    // The initial code reaches every group.
    EXPECT_TRUE(holds(u"［X が 2］［Y が 3］", kNotEqual));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ConditionTest, ParseComparisonSplitsAtTheFirstSeparator) {
    // The left side is evaluated; the right side is judged raw.
    set(u"X", u"3");
    EXPECT_TRUE(engine().ParseComparison(u"X＋1 が 4", kEqual));
    EXPECT_TRUE(engine().ParseComparison(u"X が 1＋2", kEqual));
    EXPECT_TRUE(engine().ParseComparison(u"「a が b」 が 「a が b」", kEqual));
    EXPECT_TRUE(engine().ParseComparison(u"X＋1＝4", kEqual));
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace qel
