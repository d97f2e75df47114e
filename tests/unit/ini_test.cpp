// INI documents: what a file held comes back byte for byte, and a write
// touches only the line it must. Code page 932 bytes were worked out with
// Python's cp932 codec.
#include "text/ini.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace qel::ini {
namespace {

TEST(Ini, UnchangedDocumentsComeBackByteForByte) {
    const std::string files[] = {
        "; comment\r\n\r\n[Main]\r\nName = Value \r\n# other comment\r\nno equals here\r\n",
        "[a]\nx=1\n\n\n[b]\ny=2",  // no line end at the end
        "\xEF\xBB\xBF[a]\r\nx=\xE3\x81\x82\r\n",
        std::string("\xFF\xFE[\0a\0]\0\n\0", 10),
        "",
        "[a]\rx=1\r",  // old Mac line ends
    };
    for (const std::string& bytes : files) {
        Document doc = Document::fromBytes(bytes);
        EXPECT_EQ(doc.toBytes(), bytes);
    }
}

TEST(Ini, ReadsIgnoringCaseAndBlanks) {
    Document doc =
        Document::fromText(u"[Window]\nWidth =  640  \n[Other]\nwidth=1\n[window]\nHeight=480\n");
    EXPECT_EQ(doc.get(u"WINDOW", u"width"), u"640");
    EXPECT_EQ(doc.get(u"window", u"HEIGHT"), u"480");  // second section of the same name
    EXPECT_EQ(doc.get(u"Window", u"Depth"), std::nullopt);
    EXPECT_EQ(doc.get(u"Missing", u"Width"), std::nullopt);
    EXPECT_EQ(doc.sectionNames(), (std::vector<Text>{u"Window", u"Other"}));
    EXPECT_EQ(doc.keys(u"window"), (std::vector<Text>{u"Width", u"Height"}));
}

TEST(Ini, WritesChangeOnlyTheirLine) {
    Document doc = Document::fromText(
        u"; settings\r\n[Window]\r\nWidth = 640\r\n; keep me\r\n\r\n[Font]\r\nName=Mincho\r\n");
    doc.set(u"window", u"WIDTH", u"800");    // existing key: spelling and blanks kept
    doc.set(u"Window", u"Height", u"600");   // new key: after the last line of its section
    doc.set(u"Colours", u"Back", u"white");  // new section at the end
    EXPECT_EQ(doc.toText(),
              u"; settings\r\n[Window]\r\nWidth = 800\r\n; keep me\r\nHeight=600\r\n\r\n"
              u"[Font]\r\nName=Mincho\r\n\r\n[Colours]\r\nBack=white\r\n");
}

TEST(Ini, AppendingKeepsAMissingFinalLineEnd) {
    Document doc = Document::fromText(u"[a]\nx=1");
    doc.set(u"a", u"y", u"2");
    EXPECT_EQ(doc.toText(), u"[a]\nx=1\ny=2");
    Document fresh;
    fresh.set(u"s", u"k", u"v");
    EXPECT_EQ(fresh.toText(), u"[s]\nk=v\n");
}

TEST(Ini, RemovesKeysAndSections) {
    Document doc = Document::fromText(u"[a]\nx=1\nX=2\ny=3\n[b]\nz=4\n[A]\nx=5\n");
    EXPECT_TRUE(doc.removeKey(u"a", u"x"));
    EXPECT_EQ(doc.toText(), u"[a]\ny=3\n[b]\nz=4\n[A]\n");
    EXPECT_FALSE(doc.removeKey(u"a", u"x"));
    EXPECT_TRUE(doc.removeSection(u"A"));
    EXPECT_EQ(doc.toText(), u"[b]\nz=4\n");
    EXPECT_FALSE(doc.removeSection(u"a"));

    Document bare = Document::fromText(u"[a]\nx=1\n[b]\ny=2");
    EXPECT_TRUE(bare.removeSection(u"b"));
    EXPECT_EQ(bare.toText(), u"[a]\nx=1");
}

TEST(Ini, ShiftJisFilesStayShiftJis) {
    const std::string bytes = "[\x89\xe6\x96\xca]\r\n\x95\x9d=640\r\n";  // [画面] 幅=640
    Document doc = Document::fromBytes(bytes);
    EXPECT_EQ(doc.encoding(), Encoding::Cp932);
    EXPECT_EQ(doc.get(u"画面", u"幅"), u"640");
    doc.set(u"画面", u"高さ", u"480");
    EXPECT_EQ(doc.toBytes(), bytes + "\x8d\x82\x82\xb3=480\r\n");

    // A character the code page lacks is named, not turned into '?'.
    doc.set(u"画面", u"記号", u"☃");
    char16_t unwritable = 0;
    EXPECT_EQ(doc.toBytes(&unwritable), std::nullopt);
    EXPECT_EQ(unwritable, u'☃');
}

TEST(Ini, Utf16FilesStayUtf16) {
    std::string bytes("\xFF\xFE[\0a\0]\0\r\0\n\0", 12);
    Document doc = Document::fromBytes(bytes);
    EXPECT_EQ(doc.encoding(), Encoding::Utf16LE);
    doc.set(u"a", u"k", u"あ");
    std::string expected = bytes + std::string("k\0=\0\x42\x30\r\0\n\0", 10);
    EXPECT_EQ(doc.toBytes(), expected);
}

// Random documents: whatever a file holds comes back unchanged, and each
// change alters exactly the value it names, however odd the lines around it.
class RandomDocuments : public ::testing::Test {
  protected:
    Text randomText(std::size_t length) {
        static const TextView kAlphabet = u"[]=;# \taAbあ\r\n\n";
        Text out;
        for (std::size_t i = 0; i < length; ++i) out += kAlphabet[rng() % kAlphabet.size()];
        return out;
    }
    TextView pick(std::initializer_list<TextView> choices) {
        return choices.begin()[rng() % choices.size()];
    }
    // Every (section, key) value of the small names used below.
    std::map<std::pair<Text, Text>, std::optional<Text>> values(const Document& doc) {
        std::map<std::pair<Text, Text>, std::optional<Text>> all;
        for (TextView s : kNames)
            for (TextView k : kNames) all[{text::foldKey(s), text::foldKey(k)}] = doc.get(s, k);
        return all;
    }
    static constexpr std::initializer_list<TextView> kNames = {u"a", u"A", u"b", u"ab", u"あ"};
    std::mt19937 rng{11};
};

TEST_F(RandomDocuments, ChangesTouchOnlyWhatTheyName) {
    for (int round = 0; round < 4000; ++round) {
        Text original = randomText(rng() % 40);
        Document doc = Document::fromText(original);
        ASSERT_EQ(doc.toText(), original);
        TextView section = pick(kNames), key = pick(kNames);
        auto before = values(doc);
        std::pair<Text, Text> named{text::foldKey(section), text::foldKey(key)};
        switch (rng() % 3) {
            case 0: {
                Text value(pick({u"1", u" spaced ", u"=x=", u"[v]", u""}));
                doc.set(section, key, value);
                before[named] = Text(trimIni(value));
                break;
            }
            case 1:
                doc.removeKey(section, key);
                before[named].reset();
                break;
            case 2:
                doc.removeSection(section);
                for (auto& [names, value] : before)
                    if (names.first == text::foldKey(section)) value.reset();
                break;
        }
        ASSERT_EQ(values(doc), before) << text::toUtf8(original);
        // And the written text reads back the same.
        ASSERT_EQ(values(Document::fromText(doc.toText())), before) << text::toUtf8(original);
    }
}

}  // namespace
}  // namespace qel::ini
