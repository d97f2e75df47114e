// Scripts no one should write: none of them may crash or hang the runtime,
// and the lines after them still run.
#include <gtest/gtest.h>

#include <string>

#include "engine_fixture.h"

namespace qel {
namespace {

using testing::EngineTest;

Text repeat(TextView piece, std::size_t times) {
    Text out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

class MalformedInputTest : public EngineTest {
  protected:
    // Runs the script and checks that the line 「後」を表示 after it still ran.
    void runThenAfter(const Text& script) {
        qel().Run(script + u"\r\n「後」を表示\r\n", u"test.qel", false);
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().back(), u"後");
    }
};

TEST_F(MalformedInputTest, UnbalancedBrackets) {
    for (TextView line :
         {u"「「「を表示", u"」」」を表示", u"X は、（（（", u"X は、）", u"［［［を表示",
          u"］を表示", u"X は、「（」）", u"「a」＆（を表示", u"X は、1＋（", u"X(1 は 2",
          u"X)1( は、2", u"X は、「［」", u"表示　］［", u"/* */ */", u"「/*」*/"}) {
        runThenAfter(Text(line));
    }
}

TEST_F(MalformedInputTest, ControlCharactersAndMarks) {
    // The particle mark itself, NUL and other control characters in the text.
    runThenAfter(Text(u"X は、「a\x03を\x03b」") + u"\r\nXを表示\r\n\x03\x03を\x03\r\n" +
                 Text(1, u'\0') + u"を表示\r\n「\x01\x1b」を表示\r\n/*\x03*/");
}

TEST_F(MalformedInputTest, UndecodableBytes) {
    // Invalid UTF-8 and a Shift_JIS text cut inside a character.
    for (std::string bytes :
         {std::string("\xff\xfe\xfd\r\n\x82\xa0\x82"), std::string("\xe3\x81\r\n\xc0\xaf"),
          std::string("\x82\xa0\x82\xa2\x82"), std::string("\x00\x00\x01", 3)}) {
        runThenAfter(text::decodeFileBytes(bytes));
    }
}

TEST_F(MalformedInputTest, HugeLine) {
    const Text big = repeat(u"あ", 1 << 19);  // a line of 1 MB
    runThenAfter(u"X は、「" + big + u"」\r\nXを表示");
    EXPECT_EQ(messages().front(), big);
}

TEST_F(MalformedInputTest, LongChainsAndDeepNesting) {
    runThenAfter(u"X は、" + repeat(u"「a」＆", 100000) + u"「b」");
    EXPECT_EQ(variable(u"X").size(), 100001u);
    runThenAfter(u"Y は、" + repeat(u"＆", 100000));
    EXPECT_EQ(variable(u"Y"), u"");
    runThenAfter(u"Z は、" + repeat(u"(", 2000) + u"1+2" + repeat(u")", 2000));
    EXPECT_EQ(variable(u"Z"), u"3");
    runThenAfter(u"W は、" + repeat(u"（", 2000) + u"「w」" + repeat(u"）", 2000));
    EXPECT_EQ(variable(u"W"), u"w");
    runThenAfter(u"V は、" + repeat(u"1+", 100000) + u"1");
    EXPECT_EQ(variable(u"V"), u"100001");
    runThenAfter(u"U は、" + repeat(u"-", 100000) + u"1");
    runThenAfter(u"T は、「" + repeat(u"［", 10000) + u"1" + repeat(u"］", 10000) + u"」");
    runThenAfter(repeat(u"もしXなら", 50000));
}

// Past the nesting limit of brackets an expression is refused with one
// report, whether the brackets group, hold a call's argument or sit in an
// embedded expression, and the variable keeps its value.
TEST_F(MalformedInputTest, BracketsNestedPastTheLimitAreRefused) {
    const Text deep = repeat(u"(", 2001) + u"1+2" + repeat(u")", 2001);
    runThenAfter(u"Z は、「元」\r\nZ は、" + deep);
    EXPECT_EQ(variable(u"Z"), u"元");
    runThenAfter(u"Y は、" + repeat(u"文字数(", 2001) + u"「a」" + repeat(u")", 2001));
    runThenAfter(u"X は、「［" + deep + u"］」");
    runThenAfter(u"もし " + deep + u" が 3 なら「a」を表示");
    EXPECT_EQ(errorNumbers(), (std::vector<int>{917, 917, 917, 917}));
}

TEST_F(MalformedInputTest, ManyItemsAndLines) {
    Text names;
    for (int i = 0; i < 100000; ++i) names += u"v" + text::fromAscii(std::to_string(i)) + u",";
    runThenAfter(u"ここだけの変数は、" + names + u"last");
    // Many bracketed particles with none outside: every one is looked at.
    runThenAfter(u"表示　「" + repeat(u"を", 200000) + u"」");
    runThenAfter(repeat(u"「a」を、\r\n", 20000) + u"表示");
    runThenAfter(repeat(u"\r\n", 200000));
    runThenAfter(repeat(u"S は、1。", 100000) + u"S は、2");
    EXPECT_EQ(variable(u"S"), u"2");
}

TEST_F(MalformedInputTest, OversizedElementNumbersAreRefused) {
    runThenAfter(
        u"X は、「a」\r\nX(99999999999) は、1\r\nX(1,99999999999) は、1\r\nX(-99999999999)を表示");
    EXPECT_EQ(errorNumbers(), (std::vector<int>{31, 31, 37}));
}

}  // namespace
}  // namespace qel
