// The send-keys notation of 入力 and the virtual-key codes of 入力２.
#include <gtest/gtest.h>

#include "library/system/send_keys.h"

namespace qel {
namespace {

KeyStroke ch(char32_t c, bool shift = false, bool control = false, bool alt = false) {
    KeyStroke s;
    s.character = c;
    s.shift = shift, s.control = control, s.alt = alt;
    return s;
}

KeyStroke key(Key k, bool shift = false, bool control = false, bool alt = false) {
    KeyStroke s;
    s.key = k;
    s.shift = shift, s.control = control, s.alt = alt;
    return s;
}

std::vector<KeyStroke> parse(TextView keys) {
    std::vector<KeyStroke> strokes;
    Text problem;
    EXPECT_TRUE(ParseSendKeys(keys, strokes, problem))
        << text::toUtf8(keys) << ": " << text::toUtf8(problem);
    return strokes;
}

Text problemOf(TextView keys) {
    std::vector<KeyStroke> strokes{ch(U'x')};
    Text problem;
    EXPECT_FALSE(ParseSendKeys(keys, strokes, problem)) << text::toUtf8(keys);
    EXPECT_TRUE(strokes.empty()) << "nothing is typed from a text with a mistake";
    return problem;
}

TEST(SendKeys, CharactersTypeThemselvesAndBreaksAreEnter) {
    EXPECT_EQ(parse(u"aZ あ"), (std::vector<KeyStroke>{ch(U'a'), ch(U'Z'), ch(U' '), ch(U'あ')}));
    EXPECT_EQ(parse(u"𠮷"), std::vector<KeyStroke>{ch(U'\U00020BB7')});
    EXPECT_EQ(parse(u"a\r\nb\nc~\t"),
              (std::vector<KeyStroke>{ch(U'a'), key(Key::Enter), ch(U'b'), key(Key::Enter),
                                      ch(U'c'), key(Key::Enter), key(Key::Tab)}));
    EXPECT_TRUE(parse(u"").empty());
}

TEST(SendKeys, ModifiersHoldForOneKeyOrAGroup) {
    EXPECT_EQ(parse(u"+ab"), (std::vector<KeyStroke>{ch(U'a', true), ch(U'b')}));
    EXPECT_EQ(parse(u"^%{DEL}"), std::vector<KeyStroke>{key(Key::Delete, false, true, true)});
    EXPECT_EQ(parse(u"+(ab)c"), (std::vector<KeyStroke>{ch(U'a', true), ch(U'b', true), ch(U'c')}));
    EXPECT_EQ(parse(u"^(+(x)y)"),
              (std::vector<KeyStroke>{ch(U'x', true, true), ch(U'y', false, true)}));
    EXPECT_EQ(parse(u"(ab)"), (std::vector<KeyStroke>{ch(U'a'), ch(U'b')}));
}

TEST(SendKeys, BracesNameKeysQuoteCharactersAndRepeat) {
    EXPECT_EQ(parse(u"{ENTER}{tab}{Bs}{BACKSPACE}{BKSP}{ESC}{F1}{f12}{F24}{LEFT}{PGDN}"),
              (std::vector<KeyStroke>{key(Key::Enter), key(Key::Tab), key(Key::Backspace),
                                      key(Key::Backspace), key(Key::Backspace), key(Key::Escape),
                                      key(Key::F1), key(Key::F12), key(Key::F24), key(Key::Left),
                                      key(Key::PageDown)}));
    EXPECT_EQ(parse(u"{+}{^}{%}{~}{(}{)}{{}{}}"),
              (std::vector<KeyStroke>{ch(U'+'), ch(U'^'), ch(U'%'), ch(U'~'), ch(U'('), ch(U')'),
                                      ch(U'{'), ch(U'}')}));
    EXPECT_EQ(parse(u"{a 3}"), std::vector<KeyStroke>(3, ch(U'a')));
    EXPECT_EQ(parse(u"+{LEFT 2}"), std::vector<KeyStroke>(2, key(Key::Left, true)));
    EXPECT_EQ(parse(u"{} 2}"), std::vector<KeyStroke>(2, ch(U'}')));
    EXPECT_EQ(parse(u"{ }"), std::vector<KeyStroke>{ch(U' ')});
    EXPECT_TRUE(parse(u"{x 0}").empty());
}

TEST(SendKeys, MistakesAreRefusedWhole) {
    EXPECT_FALSE(problemOf(u"ab{ENTER").empty());
    EXPECT_FALSE(problemOf(u"{NOSUCHKEY}").empty());
    EXPECT_FALSE(problemOf(u"{F25}").empty());
    EXPECT_FALSE(problemOf(u"+(ab").empty());
    EXPECT_FALSE(problemOf(u"ab)").empty());
    EXPECT_FALSE(problemOf(u"a}").empty());
    EXPECT_FALSE(problemOf(u"abc+").empty());
    EXPECT_FALSE(problemOf(u"+)").empty());
    // A repeat count that would tie up the keyboard for hours.
    EXPECT_FALSE(problemOf(u"{a 999999999}").empty());
    EXPECT_FALSE(problemOf(u"{a 60000}{b 60000}").empty());
}

TEST(SendKeys, VirtualKeyCodesAreKeysNotCharacters) {
    // Letters are the letter keys (unshifted), digits the digit keys.
    EXPECT_EQ(VirtualKeyStroke('A'), ch(U'a'));
    EXPECT_EQ(VirtualKeyStroke('7'), ch(U'7'));
    // Lower-case letters' codes are the numeric pad and F keys.
    EXPECT_EQ(VirtualKeyStroke('a'), key(Key::NumPad1));
    EXPECT_EQ(VirtualKeyStroke('p'), key(Key::F1));
    EXPECT_EQ(VirtualKeyStroke(0x0D), key(Key::Enter));
    EXPECT_EQ(VirtualKeyStroke(0x20), ch(U' '));
    EXPECT_EQ(VirtualKeyStroke(0xBD), ch(U'-'));
    EXPECT_FALSE(VirtualKeyStroke(0x00));
    EXPECT_FALSE(VirtualKeyStroke(0xFF));
}

}  // namespace
}  // namespace qel
