#include "encodings/uEncoding.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/linux/posix_files.h"

namespace qel::uEncoding {
namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(char(b));
    return s;
}

bool isLead(int b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrail(int b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The character of a double-byte code, or 0 when the code page has none.
char16_t characterOf(int lead, int trail) {
    const Text t = text::fromCp932(bytes({lead, trail}));
    if (t.size() != 1 || (t[0] == u'\u30FB' && (lead << 8 | trail) != 0x8145)) return 0;
    return t[0];
}

// Every character EUC-JP and ISO-2022-JP carry: those of the JIS X 0208 rows
// of code page 932 (lead bytes up to 0xEF, the NEC special row and the
// NEC-selected rows included) and the IBM extensions, which share their
// characters with those rows. A few ASCII letters between them check that
// the modes and pairs stay aligned.
Text everyCarriedCharacter() {
    Text all;
    int count = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead) || (lead >= 0xF0 && lead < 0xFA)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrail(trail)) continue;
            if (char16_t c = characterOf(lead, trail)) {
                all.push_back(c);
                if (++count % 97 == 0) all += u"a1 ";
            }
        }
    }
    return all;
}

// ---- EUC-JP -------------------------------------------------------------------

TEST(EucJp, EveryCarriedCharacterRoundTrips) {
    const Text all = everyCarriedCharacter();
    ASSERT_GT(all.size(), 7000u);
    const std::string euc = eucEncode(all);
    EXPECT_EQ(eucDecode(euc), all);
    // Every double-byte character lands in the JIS X 0208 rows.
    for (char ch : euc) {
        const unsigned b = static_cast<unsigned char>(ch);
        EXPECT_TRUE(b < 0x80 || (b >= 0xA1 && b <= 0xFE)) << std::hex << b;
    }
}

TEST(EucJp, KnownForms) {
    EXPECT_EQ(eucEncode(u"aあ亜"), bytes({'a', 0xA4, 0xA2, 0xB0, 0xA1}));
    // ⅰ: Windows gives it an IBM extension code; it is written as the
    // NEC-selected twin, which lies within the JIS rows.
    EXPECT_EQ(eucEncode(u"\u2170"), bytes({0xFC, 0xF1}));
    EXPECT_EQ(eucEncode(u"\uE000"), "?");  // user-defined area: no JIS row
    EXPECT_EQ(eucEncode(u"\U0001F600"), "?");
    EXPECT_EQ(eucDecode(bytes({0xA4, 0xA2, 'x', 0xB0, 0xA1})), u"あx亜");
    EXPECT_EQ(eucDecode(bytes({0xFC, 0xF1})), u"\u2170");
}

TEST(EucJp, LineFeedsAndNul) {
    EXPECT_EQ(eucDecode("a\nb"), u"a\r\nb");
    EXPECT_EQ(eucDecode("a\r\nb"), u"a\r\nb");  // an existing CR LF is not doubled
    EXPECT_EQ(eucDecode("\n\n"), u"\r\n\r\n");
    EXPECT_EQ(eucDecode(std::string("ab\0cd", 5)), u"ab");
}

// Half-width katakana are written after 0x8E, but the decoder converts the
// 0x8E pair by row and cell like any other: it names no character, so they
// come back as "・". Scripts have always seen exactly this.
TEST(EucJp, HalfWidthKatakanaDoNotComeBack) {
    EXPECT_EQ(eucEncode(u"ｱﾟ"), bytes({0x8E, 0xB1, 0x8E, 0xDF}));
    EXPECT_EQ(eucDecode(bytes({0x8E, 0xB1, 'a'})), u"・a");
}

TEST(EucJp, MalformedInputNeverReadsPastTheEnd) {
    EXPECT_EQ(eucDecode(bytes({'a', 0xA4})), u"a・");            // lone lead at the end
    EXPECT_EQ(eucDecode(bytes({0xA4, '\n', 'b'})), u"・\r\nb");  // a lead does not swallow ASCII
    EXPECT_EQ(eucDecode(bytes({0xA4, 0, 0xA4, 0xA2})), u"・");   // nor the NUL that ends the text
    // The three-byte form is read whole, so what follows stays aligned.
    EXPECT_EQ(eucDecode(bytes({0x8F, 0xB0, 0xA1, 0xA4, 0xA2})), u"・あ");
    EXPECT_EQ(eucDecode(bytes({0x8F, 0xB0})), u"・");
    EXPECT_EQ(eucDecode(bytes({0x80, 0x80, 0xFF, 0xFF})).size(), 2u);
}

// ---- ISO-2022-JP ----------------------------------------------------------------

TEST(Iso2022Jp, EveryCarriedCharacterRoundTrips) {
    const Text all = everyCarriedCharacter();
    const std::string jis = jisEncode(all);
    EXPECT_EQ(jisDecode(jis), all);
    for (char ch : jis) EXPECT_LT(static_cast<unsigned char>(ch), 0x80u);
}

// Unlike the standard form, every single-byte run is announced, the first
// one included, and a text ending in a double-byte run gets no closing
// ESC ( B: files written before expect exactly these bytes.
TEST(Iso2022Jp, EscapesAsStoredFilesHaveThem) {
    EXPECT_EQ(jisEncode(u"abc"), "\x1B(Babc");
    EXPECT_EQ(jisEncode(u"あa亜"), "\x1B$B\x24\x22\x1B(Ba\x1B$B\x30\x21");
    EXPECT_EQ(jisEncode(u""), "");
    EXPECT_EQ(jisEncode(Text(u"a\0b", 3)), "\x1B(Ba");  // stops at NUL
    // Half-width katakana go out as raw code page 932 bytes and come back.
    EXPECT_EQ(jisEncode(u"ｱ"), bytes({0x1B, '(', 'B', 0xB1}));
    EXPECT_EQ(jisDecode(jisEncode(u"aｱｲ漢ｳ")), u"aｱｲ漢ｳ");
}

TEST(Iso2022Jp, DecodesEscapes) {
    EXPECT_EQ(jisDecode("\x1B$B\x24\x22\x1B(Bz\n"), u"あz\r\n");
    EXPECT_EQ(jisDecode("\x1B$@\x24\x22\x1B(Jz"), u"あz");
    EXPECT_EQ(jisDecode(std::string("a\0b", 3)), u"a");
    // An ESC that starts no escape sequence is dropped without taking the
    // characters after it.
    EXPECT_EQ(jisDecode("\x1B$B\x24\x22\x1BXab"), u"あXab");
    // Four-byte designations are read whole; pairs of another set name no
    // character of ours but keep the alignment.
    EXPECT_EQ(jisDecode("\x1B$(D\x30\x21\x30\x21\x1B(Bz"), u"・・z");
    EXPECT_EQ(jisDecode("\x1B$(B\x30\x21"), u"亜");
}

TEST(Iso2022Jp, MalformedInputNeverReadsPastTheEnd) {
    EXPECT_EQ(jisDecode("\x1B$B\x30"), u"・");
    EXPECT_EQ(jisDecode("\x1B$"), u"$");
    EXPECT_EQ(jisDecode("\x1B"), u"");
    EXPECT_EQ(jisDecode("\x1B$("), u"");
    // A line break left inside a double-byte run is still a line break.
    EXPECT_EQ(jisDecode("\x1B$B\x30\x21\r\n\x30\x21"), u"亜\r\n亜");
    EXPECT_EQ(jisDecode("\x1B$B\x30\n"), u"・\r\n");
    EXPECT_EQ(jisDecode(bytes({0x1B, '$', 'B', 0xFF, 0xFF, 0x81})).size(), 2u);
}

// ---- UTF-8 ------------------------------------------------------------------------

TEST(Utf8Codec, WholeBasicPlaneRoundTrips) {
    Text all;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF) all.push_back(char16_t(c));
    }
    const std::string utf8 = utf8Encode(all);
    EXPECT_EQ(utf8.size(), 0x7Fu + 2 * 0x780u + 3 * (0xF800u - 0x800u));
    EXPECT_EQ(utf8Decode(utf8, u"?"), all);
}

TEST(Utf8Codec, SupplementaryCharactersAreKept) {
    EXPECT_EQ(utf8Encode(u"a\U0001F600"), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8Decode("a\xF0\x9F\x98\x80", {}), u"a\U0001F600");
    EXPECT_EQ(utf8Encode(Text(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Utf8Codec, EachBadByteIsReplacedAlone) {
    struct Case {
        std::string in;
        Text replaced;
        Text dropped;
    } cases[] = {
        {"\xC0\x80", u"??", u""},            // overlong
        {"\xE0\x80\x80z", u"???z", u"z"},    // overlong, three bytes
        {"\xED\xA0\x80", u"???", u""},       // an encoded surrogate
        {"\xE3\x81", u"??", u""},            // cut short at the end
        {"\xE3\x81z", u"??z", u"z"},         // cut short before ASCII
        {"\xF4\x90\x80\x80", u"????", u""},  // beyond U+10FFFF
        {"\xF0\x9F\x98", u"???", u""},      {"a\x80\xFF", u"a??", u"a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8Decode(c.in, u"?"), c.replaced) << testing::PrintToString(c.in);
        EXPECT_EQ(utf8Decode(c.in, {}), c.dropped) << testing::PrintToString(c.in);
    }
    EXPECT_EQ(utf8Decode("\xFF", u"<bad>"), u"<bad>");
}

// ---- Base64 -------------------------------------------------------------------------

TEST(Base64, PaddingAndLines) {
    EXPECT_EQ(base64Encode(""), u"");
    EXPECT_EQ(base64Encode("A"), u"QQ==");
    EXPECT_EQ(base64Encode("AB"), u"QUI=");
    EXPECT_EQ(base64Encode("ABC"), u"QUJD");
    const Text lines = base64Encode(std::string(55, 'x'));
    ASSERT_EQ(lines.size(), 72u + 2u + 4u);
    EXPECT_EQ(lines.substr(72, 2), u"\r\n");
    EXPECT_EQ(base64Encode(std::string(54, 'x')).size(), 72u);  // exactly one full line, no break
}

TEST(Base64, DecodeSkipsStrangersAndStopsAtPadding) {
    EXPECT_EQ(base64Decode(u"QU\r\nJD"), "ABC");
    EXPECT_EQ(base64Decode(u"Q U あ I="), "AB");
    EXPECT_EQ(base64Decode(u"QQ==QUJD"), "A");  // nothing after the first "="
    EXPECT_EQ(base64Decode(u"Q"), "");          // six bits make no byte
    EXPECT_EQ(base64Decode(u""), "");
}

TEST(Base64, AnyBytesRoundTrip) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 400; length += 1 + length / 8) {
        std::string data(length, '\0');
        for (char& b : data) b = char(random());
        EXPECT_EQ(base64Decode(base64Encode(data)), data) << length;
    }
}

TEST(Base64, LetsWindowsRunWhileDecoding) {
    int pumps = 0;
    const std::string data(3000, 'z');
    const Text encoded = base64Encode(data);  // 4000 characters and 55 line breaks
    EXPECT_EQ(base64Decode(encoded, [&pumps] { ++pumps; }), data);
    EXPECT_EQ(pumps, int((encoded.size() - 1) / 100));
}

// ---- URL encoding ----------------------------------------------------------------------

TEST(Url, CodePage932) {
    auto url = [](TextView t) { return urlEncode(bytesOfText(t), UrlBytes::CodePage932); };
    EXPECT_EQ(url(u"abc"), u"abc");
    EXPECT_EQ(url(u"a b"), u"a+b");
    EXPECT_EQ(url(u"/"), u"%2F");
    EXPECT_EQ(url(u"@Z*-._~\n"), u"@Z*-._%7E%0A");
    // The trail byte of a double-byte character is always escaped, even when
    // it is a letter ("ア" is 83 41, "表" is 95 5C).
    EXPECT_EQ(url(u"ア表"), u"%83%41%95%5C");
    // So is the byte after a half-width katakana: the encoder only looks at
    // whether a byte is 0x80 or more. It still decodes to the same bytes.
    EXPECT_EQ(url(u"ｱa"), u"%B1%61");
    EXPECT_EQ(urlEncode(bytes({'a', 0x82}), UrlBytes::CodePage932), u"a%82");  // no trail to read
}

TEST(Url, Utf8) {
    EXPECT_EQ(urlEncode(utf8Encode(u"あa b"), UrlBytes::Utf8), u"%E3%81%82a+b");
    EXPECT_EQ(urlEncode(utf8Encode(u"\U0001F600"), UrlBytes::Utf8), u"%F0%9F%98%80");
}

// ---- byte texts ---------------------------------------------------------------------------

TEST(ByteText, OrdinaryTextIsItsCodePageBytes) {
    const Text t = u"abc あ亜ｱ\r\n";
    EXPECT_EQ(bytesOfText(t), text::toCp932(t));
    EXPECT_EQ(textOfBytes(text::toCp932(t)), t);
    EXPECT_EQ(bytesOfText(u"\U0001F600"), "?");
}

TEST(ByteText, AnyBytesSurviveTheTrip) {
    // Every pair of bytes, so every lead/trail combination and every lone
    // byte is met, then random runs.
    std::string pairs;
    for (int a = 0x80; a < 0x100; ++a) {
        for (int b = 0; b < 0x100; ++b) {
            pairs.push_back(char(a));
            pairs.push_back(char(b));
        }
    }
    EXPECT_EQ(bytesOfText(textOfBytes(pairs)), pairs);
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::string data(std::size_t(random() % 64), '\0');
        for (char& b : data) b = char(random());
        EXPECT_EQ(bytesOfText(textOfBytes(data)), data);
    }
    // EUC-JP bytes, which a plain code page 932 reading would damage (0xEB
    // and 0xEC lead no characters there, 0xFD and 0xFE are no trail bytes).
    const std::string euc = eucEncode(everyCarriedCharacter());
    EXPECT_EQ(bytesOfText(textOfBytes(euc)), euc);
}

// ---- files ----------------------------------------------------------------------------------

class EncodingFiles : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qel-encoding-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::string contents(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::size_t entries() const {
        std::size_t n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder_)) ++n;
        return n;
    }

    PosixFileSystem files_;
    std::string folder_;
};

TEST_F(EncodingFiles, WriteReplacesWholeFileAndKeepsItsMode) {
    ASSERT_TRUE(files_.writeFile(path("a.txt"), "first version, long"));
    std::filesystem::permissions(path("a.txt"), std::filesystem::perms(0640));
    ASSERT_TRUE(writeFileInEncoding(files_, path("a.txt"), u"あ\r\n", Selector::Euc));
    EXPECT_EQ(contents("a.txt"), bytes({0xA4, 0xA2, '\r', '\n'}));
    EXPECT_EQ(std::filesystem::status(path("a.txt")).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(entries(), 1u);  // no temporary file left beside it
}

TEST_F(EncodingFiles, WriteThroughALinkReplacesTheTarget) {
    ASSERT_TRUE(files_.writeFile(path("target"), "old"));
    std::filesystem::create_symlink(path("target"), path("link"));
    ASSERT_TRUE(files_.writeFile(path("link"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(path("link")));
    EXPECT_EQ(contents("target"), "new");
}

TEST_F(EncodingFiles, FailedWritesLeaveTheOldFile) {
    FileStatus status = files_.writeFile(path("missing/a.txt"), "x");
    EXPECT_EQ(status.fault, FileFault::NotFound);
    EXPECT_FALSE(status.message.empty());
    std::filesystem::create_directory(path("sub"));
    EXPECT_EQ(files_.writeFile(path("sub"), "x").fault, FileFault::Denied);
    EXPECT_EQ(files_.writeFile("", "x").fault, FileFault::NotFound);

    ASSERT_TRUE(files_.writeFile(path("keep.txt"), "good"));
    if (geteuid() != 0) {  // permissions do not stop root
        std::filesystem::permissions(folder_, std::filesystem::perms(0500));
        EXPECT_EQ(files_.writeFile(path("keep.txt"), "bad").fault, FileFault::Denied);
        std::filesystem::permissions(folder_, std::filesystem::perms(0700));
        EXPECT_EQ(contents("keep.txt"), "good");
    }
    EXPECT_EQ(entries(), 2u);
}

TEST_F(EncodingFiles, ReadTellsMissingFilesFromUnreadableOnes) {
    Text out = u"stale";
    EXPECT_EQ(readFileInEncoding(files_, path("none.txt"), Selector::Euc, out),
              CodecStatus::Missing);
    EXPECT_EQ(out, u"");
    EXPECT_EQ(readFileInEncoding(files_, path("no/where.txt"), Selector::Utf8, out),
              CodecStatus::Missing);
    std::filesystem::create_directory(path("sub"));
    EXPECT_EQ(readFileInEncoding(files_, path("sub"), Selector::Utf8, out),
              CodecStatus::Unreadable);

    ASSERT_TRUE(files_.writeFile(path("bom.txt"), "\xEF\xBB\xBFok\n\xFF!"));
    EXPECT_EQ(readFileInEncoding(files_, path("bom.txt"), Selector::Utf8, out), CodecStatus::Ok);
    EXPECT_EQ(out, u"ok\n!");  // the mark is not text; undecodable bytes are dropped
    ASSERT_TRUE(writeFileInEncoding(files_, path("j.txt"), u"漢字\r\nかな", Selector::Jis));
    EXPECT_EQ(readFileInEncoding(files_, path("j.txt"), Selector::Jis, out), CodecStatus::Ok);
    EXPECT_EQ(out, u"漢字\r\nかな");
}

TEST_F(EncodingFiles, Base64OfFiles) {
    Text out;
    EXPECT_EQ(base64EncodeFile(files_, path("none.bin"), out), CodecStatus::Missing);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    ASSERT_TRUE(base64DecodeToFile(files_, path("all.bin"), base64Encode(all)));
    EXPECT_EQ(contents("all.bin"), all);
    EXPECT_EQ(base64EncodeFile(files_, path("all.bin"), out), CodecStatus::Ok);
    EXPECT_EQ(out, base64Encode(all));
}

}  // namespace
}  // namespace qel::uEncoding
