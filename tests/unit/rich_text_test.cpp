// Formatted text: edits keep each character's look and each paragraph's
// layout where a reader would expect them, and RTF carries both there and back.
#include <gtest/gtest.h>

#include "text/rich_text.h"

namespace qel {
namespace {

CharStyle bold() {
    CharStyle s;
    s.bold = true;
    return s;
}

std::vector<CharStyle> stylesOf(const RichTextDocument& d, std::size_t start, std::size_t length) {
    std::vector<CharStyle> out;
    d.forEachStyle(start, length, [&](const CharStyle& s) { out.push_back(s); });
    return out;
}

TEST(RichTextDocument, LineEndsBecomeCrLfAndMakeParagraphs) {
    RichTextDocument d;
    d.setText(u"a\nb\rc\r\nd");
    EXPECT_EQ(d.text(), u"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(d.paragraphCount(), 4u);
    EXPECT_EQ(d.paragraphStart(2), 6u);
    d.replace(1, 2, u"");  // joins the first two paragraphs
    EXPECT_EQ(d.text(), u"ab\r\nc\r\nd");
    EXPECT_EQ(d.paragraphCount(), 3u);
}

TEST(RichTextDocument, ReplacedTextTakesTheLookOfWhatItReplacesOrFollows) {
    RichTextDocument d;
    d.setText(u"plain");
    d.changeStyle(1, 2, [](CharStyle& s) { s.bold = true; });  // "la"
    d.replace(1, 2, u"XYZ");
    EXPECT_EQ(d.text(), u"pXYZin");
    EXPECT_TRUE(d.styleAt(1).bold);
    EXPECT_TRUE(d.styleAt(3).bold);
    EXPECT_FALSE(d.styleAt(4).bold);
    // At a caret, typing continues the look of the character before it…
    d.replace(4, 0, u"!");
    EXPECT_TRUE(d.styleAt(4).bold);
    // …unless a look was set for typing at that very caret.
    d.changeStyle(0, 0, [](CharStyle& s) { s.italic = true; });
    d.replace(0, 0, u">");
    EXPECT_TRUE(d.styleAt(0).italic);
    EXPECT_FALSE(d.styleAt(0).bold);
    EXPECT_FALSE(d.styleAt(1).italic);
}

TEST(RichTextDocument, MixedSelectionsShowEveryLookAndBreaksAreNeverSplit) {
    RichTextDocument d;
    d.setText(u"ab\r\ncd");
    d.changeStyle(0, 1, [](CharStyle& s) { s.bold = true; });
    EXPECT_EQ(stylesOf(d, 0, 2).size(), 2u);
    EXPECT_EQ(stylesOf(d, 0, 1), std::vector<CharStyle>{bold()});
    // A range ending between CR and LF takes the whole break.
    d.replace(2, 1, u"-");
    EXPECT_EQ(d.text(), u"ab-cd");
    EXPECT_EQ(d.paragraphCount(), 1u);
    // Positions beyond the text are clamped, not trusted.
    d.replace(100, 5, u"!");
    EXPECT_EQ(d.text(), u"ab-cd!");
}

TEST(RichTextDocument, ParagraphLayoutFollowsItsParagraphThroughEdits) {
    RichTextDocument d;
    d.setText(u"one\r\ntwo\r\nthree");
    d.changeParagraphs(5, 1, [](ParaStyle& p) { p.align = ParaAlign::Centre; });
    EXPECT_EQ(d.paragraph(1).align, ParaAlign::Centre);
    EXPECT_EQ(d.paragraph(0).align, ParaAlign::Left);
    // A selection ending just after a line break stays in its paragraph.
    EXPECT_EQ(d.paragraphsOf(0, 5), (std::pair<std::size_t, std::size_t>{0, 0}));
    // Splitting the centred paragraph gives both halves its layout.
    d.replace(6, 0, u"\r\n");
    EXPECT_EQ(d.paragraphCount(), 4u);
    EXPECT_EQ(d.paragraph(1).align, ParaAlign::Centre);
    EXPECT_EQ(d.paragraph(2).align, ParaAlign::Centre);
    EXPECT_EQ(d.paragraph(3).align, ParaAlign::Left);
}

RichTextDocument sample() {
    RichTextDocument d;
    CharStyle plain;
    CharStyle red;
    red.hasColour = true;
    red.colour = 0xFF0000;
    red.bold = true;
    CharStyle big;
    big.font = u"ＭＳ 明朝";
    big.size = 20;
    big.italic = big.underline = big.strike = big.protect = true;
    d.append(u"漢字 and {braces} \\ ", plain);
    d.append(u"red", red);
    d.append(u"\r\n", plain);
    d.append(u"big\ttab", big);
    ParaStyle centred;
    centred.align = ParaAlign::Centre;
    centred.left = 20;
    centred.right = 10;
    centred.hanging = 8;
    d.setParagraph(1, centred);
    return d;
}

TEST(Rtf, WhatIsWrittenReadsBackTheSame) {
    const RichTextDocument d = sample();
    const Text rtf = writeRtf(d, u"Sans", 9);
    for (char16_t c : rtf) ASSERT_LT(c, 0x80);  // ASCII only
    const RtfResult back = readRtf(rtf);
    ASSERT_TRUE(back.document);
    const RichTextDocument& r = *back.document;
    EXPECT_EQ(r.text(), d.text());
    ASSERT_EQ(r.paragraphCount(), 2u);
    EXPECT_EQ(r.paragraph(0), ParaStyle{});
    EXPECT_EQ(r.paragraph(1), d.paragraph(1));
    // The control's own font is written as the default font and read back
    // as "the control's"; sizes are explicit after a round trip.
    CharStyle plainBack;
    plainBack.size = 9;
    EXPECT_EQ(r.styleAt(0), plainBack);
    CharStyle redBack = d.styleAt(19);  // "red", in the control's font and size
    redBack.size = 9;
    EXPECT_EQ(r.styleAt(19), redBack);
    EXPECT_EQ(r.styleAt(d.size() - 1), d.styleAt(d.size() - 1));
}

TEST(Rtf, ReadsWhatOtherWritersProduce) {
    // Shift_JIS bytes under a Japanese font, \u with a two-byte fallback,
    // groups restoring the look, destinations skipped, a table without
    // groups per font, a colour table with the automatic colour first.
    const Text rtf =
        u"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl\\f0\\fswiss Arial;\\f1\\fnil\\fcharset128 "
        u"Gothic;}{\\colortbl;\\red0\\green128\\blue255;}{\\*\\generator x;}{\\info{\\title t}}"
        u"\\f1\\'82\\'a0{\\b\\cf1 B}\\uc2\\u12354\\'82\\'a0C\\par\\pard\\qr\\li300\\fi-150 "
        u"\\f0\\'e9\\~x{\\pict\\bin3 {{{ }end}";
    const RtfResult r = readRtf(rtf);
    ASSERT_TRUE(r.document);
    const RichTextDocument& d = *r.document;
    EXPECT_EQ(d.text(), u"あBあC\r\n\u00e9\u00a0xend");
    EXPECT_EQ(d.styleAt(0).font, u"Gothic");
    EXPECT_TRUE(d.styleAt(1).bold);
    EXPECT_TRUE(d.styleAt(1).hasColour);
    EXPECT_EQ(d.styleAt(1).colour, 0x0080FFu);
    EXPECT_FALSE(d.styleAt(2).bold);
    EXPECT_EQ(d.styleAt(6).font, u"");  // the default font
    EXPECT_EQ(d.paragraph(1).align, ParaAlign::Right);
    EXPECT_DOUBLE_EQ(d.paragraph(1).left, 10);     // (300 - 150) twips
    EXPECT_DOUBLE_EQ(d.paragraph(1).hanging, 10);  // 150 twips
}

TEST(Rtf, BadInputIsPlainTextOrRefusedNeverACrash) {
    const RtfResult plain = readRtf(u"just text\nhere");
    ASSERT_TRUE(plain.document);
    EXPECT_EQ(plain.document->text(), u"just text\r\nhere");
    // Cut off anywhere: what was read stands.
    const RtfResult cut = readRtf(u"{\\rtf1{\\b bold\\'8");
    ASSERT_TRUE(cut.document);
    EXPECT_EQ(cut.document->text().substr(0, 4), u"bold");
    // Nesting deeper than any writer produces is refused.
    Text deep = u"{\\rtf1 ";
    deep.append(100000, u'{');
    const RtfResult refused = readRtf(deep);
    EXPECT_FALSE(refused.document);
    EXPECT_FALSE(refused.error.empty());
    // Huge parameters and stray closing braces.
    const RtfResult odd = readRtf(u"{\\rtf1\\fs999999999999\\u-99999999999 x}}}}");
    ASSERT_TRUE(odd.document);
}

}  // namespace
}  // namespace qel
