#include "text/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/file_list.h"

namespace qel::text {
namespace {

struct Cp932Sample {
    int key;
    int value;
};
#include "cp932_fixture.inc"

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(char(b));
    return s;
}

// ---- UTF-8 -------------------------------------------------------------------

TEST(Utf8, RoundTripsAllPlanes) {
    const Text text = u"aé日本語\U0001F600\u00A0z";
    const std::string utf8 = toUtf8(text);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xF0\x9F\x98\x80\xC2\xA0z");
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(fromUtf8(utf8), text);
    EXPECT_EQ(fromUtf8("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(Utf8, EveryBadByteBecomesOneReplacement) {
    struct Case {
        std::string in;
        Text out;
    } cases[] = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong, 3 bytes
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong, 4 bytes
        {"\xED\xA0\x80x", u"\uFFFD\uFFFD\uFFFDx"},          // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},
        {"a\x80"
         "b",
         u"a\uFFFDb"},  // lone continuation
        {"\xE3\x81"
         "a",
         u"\uFFFD\uFFFDa"},             // cut short before ASCII
        {"\xE3\x81", u"\uFFFD\uFFFD"},  // cut short at the end
        {"\xF0\x9F\x98", u"\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fromUtf8(c.in), c.out) << testing::PrintToString(c.in);
        EXPECT_FALSE(isValidUtf8(c.in)) << testing::PrintToString(c.in);
    }
}

TEST(Utf8, UnpairedSurrogatesEncodeAsReplacement) {
    EXPECT_EQ(toUtf8(Text(u"a") + char16_t(0xD83D) + u"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(toUtf8(Text(1, char16_t(0xDE00))), "\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(Text(1, char16_t(0xD83D))), "\xEF\xBF\xBD");  // high at the end
}

// ---- Code page 932 -------------------------------------------------------------

std::string codeBytes(int code) {
    return code < 0x100 ? std::string(1, char(code)) : bytes({code >> 8, code & 0xFF});
}

TEST(Cp932, MatchesIndependentCodec) {
    for (const Cp932Sample& s : kFixtureSingle) {
        EXPECT_EQ(fromCp932(codeBytes(s.key)), Text(1, char16_t(s.value))) << std::hex << s.key;
        EXPECT_EQ(cp932Code(char16_t(s.value)), s.key) << std::hex << s.value;
    }
    for (const Cp932Sample& s : kFixtureDecode) {
        EXPECT_EQ(fromCp932(codeBytes(s.key)), Text(1, char16_t(s.value))) << std::hex << s.key;
    }
    for (const Cp932Sample& s : kFixtureEncode) {
        EXPECT_EQ(cp932Code(char16_t(s.key)), s.value) << std::hex << s.key;
    }
}

TEST(Cp932, PicksTheWindowsCodeAmongDuplicates) {
    // The IBM extension wins over the NEC-selected copy; the NEC row wins
    // over the IBM copy; the standard rows win over both.
    struct {
        char16_t ch;
        int code;
    } cases[] = {
        {u'ⅰ', 0xFA40},  {u'ⅹ', 0xFA49},  {u'纊', 0xFA5C}, {u'黑', 0xFC4B}, {u'￤', 0xFA55},
        {u'＇', 0xFA56}, {u'＂', 0xFA57}, {u'Ⅰ', 0x8754},  {u'㈱', 0x878A}, {u'№', 0x8782},
        {u'℡', 0x8784},  {u'∵', 0x81E6},  {u'￢', 0x81CA}, {u'≒', 0x81E0},  {u'∪', 0x81BE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp932Code(c.ch), c.code) << std::hex << int(c.ch);
        EXPECT_EQ(toCp932(Text(1, c.ch)), codeBytes(c.code));
    }
}

TEST(Cp932, WholeCodePageRoundTrips) {
    int mapped = 0, notChosen = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const int code = (lead << 8) | trail;
            const Text ch = fromCp932(bytes({lead, trail}));
            ASSERT_EQ(ch.size(), 1u) << std::hex << code;
            if (ch[0] == u'・' && code != 0x8145) continue;
            ++mapped;
            const int back = cp932Code(ch[0]);
            EXPECT_FALSE(back >= 0xED40 && back <= 0xEEFC) << std::hex << code;
            EXPECT_EQ(fromCp932(codeBytes(back)), ch) << std::hex << code;
            if (back != code) ++notChosen;
        }
    }
    EXPECT_EQ(mapped, kFixtureDoubleCount);
    EXPECT_EQ(notChosen, 398);
}

TEST(Cp932, MalformedBytesNeverVanishOrOverrun) {
    EXPECT_EQ(fromCp932(bytes({'a', 0x82})), u"a・");                 // lead at the end
    EXPECT_EQ(fromCp932(bytes({0x82, 0x20, 0x82, 0xA0})), u"・ あ");  // bad trail re-read
    EXPECT_EQ(fromCp932(bytes({0x82, 0xFD})), u"・\uF8F1");
    EXPECT_EQ(fromCp932(bytes({0x82, 0x40, 0xB1})), u"・ｱ");  // pair without a character
    EXPECT_EQ(fromCp932(bytes({0x85, 0x40, 'x'})), u"・x");
    EXPECT_EQ(fromCp932(bytes({0x5C, 0x7E, 0xB1, 0xDE})), u"\\~ｱﾞ");
}

TEST(Cp932, EncodesUnknownCharactersAsQuestionMarks) {
    const Text text = u"a€\U0001F600" + Text(1, char16_t(0xDC00)) + u"日ｱ";
    EXPECT_EQ(toCp932(text), "a???\x93\xFA\xB1");
    EXPECT_EQ(cp932Length(text), 7u);
    EXPECT_EQ(cp932Code(char16_t(0xD800)), -1);
    EXPECT_EQ(toCp932(u"−〜"), "\x81\x7C\x81\x60");  // encoded though they decode otherwise
}

// ---- Width and kana ------------------------------------------------------------

TEST(Width, AsciiAndBlanks) {
    const Text ascii = u"Az09 !#$%&()*+,-./:;<=>?@[]^_{|}";
    const Text wide = u"Ａｚ０９\u3000！＃＄％＆（）＊＋，－．／：；＜＝＞？＠［］＾＿｛｜｝";
    EXPECT_EQ(toFullWidth(ascii), wide);
    EXPECT_EQ(toHalfWidth(wide), ascii);
    EXPECT_EQ(toFullWidth(u"\t\r\n"), u"\t\r\n");
}

TEST(Width, CodePagePartnersNarrowBothWays) {
    EXPECT_EQ(toFullWidth(u"\\~'\"`"), u"￥￣’”‘");
    EXPECT_EQ(toHalfWidth(u"￥＼￣～’＇”＂‘｀"), u"\\\\~~''\"\"``");
    EXPECT_EQ(toHalfWidth(u"“￠"), u"“￠");
}

TEST(Width, KatakanaWithVoicedMarks) {
    EXPECT_EQ(toFullWidth(u"ｶﾞｷﾞﾊﾟﾎﾟﾂﾞｳﾞｯﾞｱﾞﾊﾞｶﾟﾞ"), u"ガギパポヅヴッ゛ア゛バカ゜゛");
    EXPECT_EQ(toFullWidth(u"｡｢｣､･ｦｧｰﾝ"), u"。「」、・ヲァーン");
    EXPECT_EQ(toHalfWidth(u"ガパヴヅポ゛゜カ゛"), u"ｶﾞﾊﾟｳﾞﾂﾞﾎﾟﾞﾟｶﾞ");
    EXPECT_EQ(toHalfWidth(u"ヮヰヵヷがか"), u"ヮヰヵヷがか");
    const Text half = u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝｧｨｩｪｫｬｭｮｯ";
    EXPECT_EQ(toHalfWidth(toFullWidth(half)), half);
}

TEST(Kana, HiraganaAndKatakana) {
    EXPECT_EQ(toHiragana(u"ァアヴヵヶヽヾヷーｱA"), u"ぁあゔゕゖゝゞヷーｱA");
    EXPECT_EQ(toKatakana(u"ぁあゔゕゖゝゞゟー"), u"ァアヴヵヶヽヾゟー");
}

// ---- Case, files, helpers ------------------------------------------------------

TEST(Case, FoldsLatinLettersOnly) {
    EXPECT_EQ(foldKey(u"AbZ[@変数Ａ"), u"abz[@変数Ａ");
    EXPECT_EQ(toUpperAscii(u"az{`ａ"), u"AZ{`ａ");
    EXPECT_TRUE(equalsFolded(u"Name変", u"nAME変"));
    EXPECT_FALSE(equalsFolded(u"Name", u"Names"));
    EXPECT_FALSE(equalsFolded(u"[", u"{"));  // 0x5B and 0x7B differ by 32 too
    EXPECT_TRUE(startsWithFolded(u"HTTP://x", u"http://"));
    EXPECT_FALSE(startsWithFolded(u"http:", u"http://"));
    EXPECT_TRUE(endsWithFolded(u"a.QLB", u".qlb"));
    EXPECT_FALSE(endsWithFolded(u"lb", u".qlb"));
}

TEST(Case, Utf8LeavesOtherCharactersAlone) {
    // The UTF-8 bytes of É and é are no letters, though 0x89 and 0xA9 differ by 32.
    const std::string capitalE = "\xC3\x89", smallE = "\xC3\xA9";
    EXPECT_EQ(toLowerAscii(capitalE + "A["), capitalE + "a[");
    EXPECT_EQ(toUpperAscii(smallE + "z{"), smallE + "Z{");
    EXPECT_TRUE(equalsFolded(std::string_view("Trash"), std::string_view("tRASH")));
    EXPECT_FALSE(equalsFolded(capitalE, smallE));
}

TEST(Case, LatinLettersOfBothWidths) {
    EXPECT_EQ(toUpperLatin(u"azａｚ日"), u"AZＡＺ日");
    EXPECT_EQ(toLowerLatin(u"AZＡＺ日"), u"azａｚ日");
    // The neighbours of the full-width letters are 32 apart from other signs.
    EXPECT_EQ(toUpperLatin(u"｀｛"), u"｀｛");
    EXPECT_EQ(toLowerLatin(u"＠［"), u"＠［");
    EXPECT_EQ(toLowerLatin(u"ÀΣ"), u"ÀΣ");
}

TEST(Split, KeepsEmptyPiecesAndJoinsBack) {
    using Pieces = std::vector<Text>;
    EXPECT_EQ(split(u"a,,b,", u","), (Pieces{u"a", u"", u"b", u""}));
    EXPECT_EQ(split(u",", u","), (Pieces{u"", u""}));
    EXPECT_EQ(split(u"", u","), (Pieces{u""}));
    EXPECT_EQ(split(u"日の本の", u"の"), (Pieces{u"日", u"本", u""}));
    // A separator of two units is found whole, never half of it.
    EXPECT_EQ(split(u"x\r\r\n\r\ny\n", kCRLF), (Pieces{u"x\r", u"", u"y\n"}));
    EXPECT_EQ(splitViews(u"a\r\n", kCRLF), (std::vector<TextView>{u"a", u""}));
    for (TextView t : {u"", u",", u"a,,b,", u",a"}) EXPECT_EQ(join(split(t, u","), u","), t);
    EXPECT_EQ(join(Pieces{}, u","), u"");
    EXPECT_EQ(join(Pieces{u"", u""}, u"、"), u"、");
    EXPECT_EQ(split(std::string_view("/a//"), "/"), (std::vector<std::string>{"", "a", "", ""}));
    EXPECT_EQ(join(std::vector<std::string>{"usr", "share"}, "/"), "usr/share");
}

TEST(Split, NonEmptyPiecesOnly) {
    EXPECT_EQ(splitNonEmpty(u"\\a\\\\b\\", u'\\'), (std::vector<Text>{u"a", u"b"}));
    EXPECT_TRUE(splitNonEmpty(u"///", u'/').empty());
    EXPECT_TRUE(splitNonEmpty(u"", u'/').empty());
    EXPECT_EQ(splitNonEmpty(std::string_view(":/usr/share::/opt:"), ':'),
              (std::vector<std::string>{"/usr/share", "/opt"}));
}

TEST(Files, DetectsEncoding) {
    EXPECT_EQ(decodeFileBytes(""), u"");
    EXPECT_EQ(decodeFileBytes("\xEF\xBB\xBF"
                              "a\xE6\x97\xA5"),
              u"a日");
    EXPECT_EQ(decodeFileBytes("\xE6\x97\xA5\xE6\x9C\xAC"), u"日本");
    EXPECT_EQ(decodeFileBytes(bytes({0xFF, 0xFE, 'a', 0, 0xE5, 0x65, 0x3D, 0xD8, 0x00, 0xDE})),
              u"a日\U0001F600");
    EXPECT_EQ(decodeFileBytes(bytes({0xFE, 0xFF, 0x65, 0xE5, 0, 'b', 0x30})), u"日b\uFFFD");
    // Not UTF-8: code page 932, with a cut-off double-byte character at the end.
    EXPECT_EQ(decodeFileBytes(bytes({0x93, 0xFA, 0x96, 0x7B, 'x', 0xB1, 0x8C})), u"日本xｱ・");
}

TEST(Files, LineEnds) {
    EXPECT_EQ(normaliseLineEnds(u"a\nb\r\nc\rd\r\r\n\n"), u"a\r\nb\r\nc\r\nd\r\n\r\n\r\n");
    EXPECT_EQ(normaliseLineEnds(u"\r"), u"\r\n");
    EXPECT_EQ(normaliseLineEnds(u"x\r\n"), u"x\r\n");
}

TEST(Helpers, TrimSearchReplace) {
    EXPECT_EQ(trimBlanks(u" \u3000a b\u3000 "), u"a b");
    EXPECT_EQ(trimBlanksLeft(u"\u3000 a "), u"a ");
    EXPECT_EQ(trimBlanksRight(u" a\u3000"), u" a");
    EXPECT_EQ(trimBlanks(u"\t\u3000"), u"\t");
    EXPECT_EQ(trimBlanks(u"\u3000 "), u"");
    EXPECT_TRUE(contains(u"日本語", u"本"));
    EXPECT_FALSE(contains(u"日本", u"本語"));
    EXPECT_EQ(replaceAll(u"aXXbXXX", u"XX", u"-"), u"a-b-X");
    EXPECT_EQ(replaceAll(u"aaa", u"a", u"aa"), u"aaaaaa");
    EXPECT_EQ(replaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(fromAscii("a\xE9"), u"aé");
}

}  // namespace
}  // namespace qel::text

// Several chosen files come back as one text: names holding the separator or
// a quote must split back into exactly the names chosen.
TEST(FileList, NamesWithCommasAndQuotesSplitBack) {
    const std::vector<qel::Text> names{u"/tmp/a.txt", u"/tmp/b,c.txt", u"/tmp/say \"hi\".txt",
                                       u"/tmp/\",\".txt"};
    const qel::Text joined = qel::JoinFileList(names);
    EXPECT_EQ(joined.substr(0, 11), u"/tmp/a.txt,");
    EXPECT_EQ(qel::SplitFileList(joined), names);
    // A single plain name is written as it is.
    EXPECT_EQ(qel::JoinFileList({u"/tmp/a.txt"}), u"/tmp/a.txt");
    // An unclosed quote or an empty name is no file list.
    EXPECT_FALSE(qel::SplitFileList(u"\"/tmp/a.txt,/tmp/b"));
    EXPECT_FALSE(qel::SplitFileList(u"/tmp/a.txt,,/tmp/b"));
}
