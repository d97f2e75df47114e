// The pieces of native calls and process plug-ins that have no script-level
// view of their own: structure layout, declarations, and the JSON that
// plug-in programs send, including what a broken program might send.
#include <gtest/gtest.h>

#include "library/plugins/native_arguments.h"
#include "library/plugins/windows_standins.h"
#include "platform/linux/json_lines.h"
#include "platform/linux/native_library.h"

namespace qel {
namespace {

TEST(StructureLayout, NaturalAlignmentAndPadding) {
    Text why;
    auto layout = LayoutStructure(u"a=integer\r\nb=double\r\nc=long\r\nd=string\r\ne=single", why);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->fields.size(), 5u);
    EXPECT_EQ(layout->fields[0].offset, 0u);
    EXPECT_EQ(layout->fields[1].offset, 8u);
    EXPECT_EQ(layout->fields[2].offset, 16u);
    EXPECT_EQ(layout->fields[3].offset, 24u);
    EXPECT_EQ(layout->fields[4].offset, 32u);
    EXPECT_EQ(layout->size, 40u);  // rounded up to the double's 8

    auto small = LayoutStructure(u"x=integer:1\r\ny=integer:2\r\nz=dword:3", why);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->fields[2].offset, 4u);
    EXPECT_EQ(small->size, 8u);
    EXPECT_EQ(small->fields[1].value, u"2");
}

TEST(StructureLayout, RefusesUnknownTypesAndEmptyStructures) {
    Text why;
    EXPECT_FALSE(LayoutStructure(u"a=long\r\nb=quad", why));
    EXPECT_NE(why.find(u"quad"), Text::npos);
    EXPECT_FALSE(LayoutStructure(u"", why));
    EXPECT_FALSE(LayoutStructure(u"a=void", why));
}

TEST(Declarations, ReadAsPrototypes) {
    Text why;
    auto pow = ParsePrototype(u"double pow(double, double)", why);
    ASSERT_TRUE(pow);
    EXPECT_EQ(pow->name, "pow");
    EXPECT_EQ(pow->result, NativeType::Double);
    EXPECT_TRUE(pow->typed);
    EXPECT_EQ(pow->parameters.size(), 2u);

    auto plain = ParsePrototype(u"strlen", why);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->typed);
    EXPECT_EQ(plain->result, NativeType::Int64);

    auto none = ParsePrototype(u"int f(void)", why);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->parameters.empty());

    EXPECT_FALSE(ParsePrototype(u"quad f(long)", why));
    EXPECT_FALSE(ParsePrototype(u"long f(long", why));
    EXPECT_FALSE(ParsePrototype(u"long f(long, void)", why));
}

TEST(NativeArguments, SplitOutsideBrackets) {
    EXPECT_EQ(SplitNativeArguments(u"a, b、c，*d"), (std::vector<Text>{u"a", u"b", u"c", u"*d"}));
    EXPECT_EQ(SplitNativeArguments(u"「x,y」,b"), (std::vector<Text>{u"「x,y」", u"b"}));
    EXPECT_TRUE(SplitNativeArguments(u"「」").empty());
    EXPECT_TRUE(SplitNativeArguments(u"  ").empty());
}

TEST(LibraryNames, PathsSonamesAndBareNames) {
    EXPECT_EQ(LibraryCandidates("./libx.so"), (std::vector<std::string>{"./libx.so"}));
    EXPECT_EQ(LibraryCandidates("libm.so.6"), (std::vector<std::string>{"libm.so.6"}));
    EXPECT_EQ(LibraryCandidates("m"), (std::vector<std::string>{"m", "libm.so", "m.so"}));
}

TEST(WindowsStandIns, NamedAsOldScriptsNameThem) {
    EXPECT_TRUE(FindStandIn(u"kernel32", u"Sleep"));
    EXPECT_TRUE(FindStandIn(u"KERNEL32.DLL", u"sleep"));
    EXPECT_TRUE(FindStandIn(u"C:\\Windows\\System32\\user32.dll", u"MessageBoxA"));
    EXPECT_FALSE(FindStandIn(u"user32", u"SetWindowTextA"));
    EXPECT_FALSE(FindStandIn(u"kernel32x", u"Sleep"));
    EXPECT_TRUE(HasStandIns(u"winmm.dll"));
    EXPECT_FALSE(HasStandIns(u"gdi32.dll"));
    EXPECT_TRUE(IsWindowsLibraryName(u"gdi32.dll"));
    EXPECT_TRUE(IsWindowsLibraryName(u"Shell32"));
    EXPECT_FALSE(IsWindowsLibraryName(u"libm.so.6"));
    EXPECT_FALSE(IsWindowsLibraryName(u"dll"));
}

TEST(JsonLines, ReadsWhatPluginsSend) {
    auto v = json::Parse(
        R"({"id":3,"status":"handled","text":"\u3042\n","ok":true,"list":[{"name":"C"}]})");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->member("id")->number, 3);
    EXPECT_EQ(v->text("text"), "あ\n");
    EXPECT_TRUE(v->member("ok")->boolean);
    EXPECT_EQ(v->member("list")->array.at(0).text("name"), "C");
    auto surrogate = json::Parse(R"("\ud83d\ude00")");
    ASSERT_TRUE(surrogate);
    EXPECT_EQ(surrogate->string, "\xF0\x9F\x98\x80");
}

TEST(JsonLines, RefusesWhatIsNotJson) {
    for (const char* bad : {"", "hello", "{", "{\"a\":}", "{\"a\":1,}", "[1,2", "\"open",
                            "{\"a\":1} trailing", "\"\\ud800\"", "\"\\x\"", "nul"}) {
        EXPECT_FALSE(json::Parse(bad)) << bad;
    }
    std::string deep(100, '[');
    EXPECT_FALSE(json::Parse(deep + std::string(100, ']')));
}

TEST(JsonLines, QuotesEveryControlCharacter) {
    EXPECT_EQ(json::Quote("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    auto back = json::Parse(json::Quote("日本\t語"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->string, "日本\t語");
}

}  // namespace
}  // namespace qel
