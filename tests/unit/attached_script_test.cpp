// Stand-alone applications: the image end of ELF and PE files, the scan
// over what follows it, extraction into the private folder, and the script
// encoding both ways.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "startup/app_builder.h"
#include "startup/attached_script.h"
#include "temp_folder.h"

namespace qel {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

std::uint64_t imageEndOfFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    struct stat info {};
    fstat(fd, &info);
    std::uint64_t end = ImageEndOf(fd, std::uint64_t(info.st_size));
    close(fd);
    return end;
}

// A 32-bit PE image of the standard layout: headers in the first 0x200
// bytes, one section of `sections` whose last one holds 0x200 bytes at 0x200.
std::string peImage(int sections = 1) {
    std::string image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    const std::size_t pe = 0x80;
    image[60] = char(pe);
    image.replace(pe, 4, std::string("PE\0\0", 4));
    image[pe + 4] = char(0x4C);  // i386
    image[pe + 5] = char(0x01);
    image[pe + 6] = char(sections);
    image[pe + 20] = char(224);  // size of the optional header
    if (sections > 0) {
        std::size_t last = pe + 248 + std::size_t(sections - 1) * 40;
        if (last + 24 <= image.size()) {
            image[last + 17] = 0x02;  // size of raw data 0x200
            image[last + 21] = 0x02;  // pointer to raw data 0x200
        }
    }
    return image;
}

std::string encodedBlock(const Text& script) {
    std::string block;
    EncodingProblem problem;
    EXPECT_TRUE(EncodeScriptBlock(script, block, problem));
    return block;
}

std::string entry(const std::string& name, const std::string& data) {
    return AttachedEntryHeader(name, data.size()) + data + "/END/";
}

class AttachedTest : public ::testing::Test {
  protected:
    // Reads an executable made of `image` + `appended`.
    AttachedScript read(const std::string& image, const std::string& appended) {
        std::string path = work_.file("app.exe", image + appended);
        EXPECT_TRUE(folder_.create(work_.path));
        int fd = open(path.c_str(), O_RDONLY);
        AttachedScript result = ReadAttachedScript(fd, path, folder_);
        close(fd);
        return result;
    }
    std::string extracted(const std::string& name) { return readAll(folder_.path() + name); }

    TempFolder work_;
    PrivateFolder folder_;
};

TEST(ImageEnd, ElfEndsWhereItsHeadersSayWhateverFollowsOrIsStripped) {
    TempFolder work;
    std::string self = readAll(selfPath());
    std::string plain = work.file("plain", self);
    EXPECT_EQ(imageEndOfFile(plain), self.size());
    std::string longer = work.file("longer", self + "INFO:0F//FILE:x,1/\\y/END/");
    EXPECT_EQ(imageEndOfFile(longer), self.size());

    std::string stripped = work.path + "/stripped";
    ASSERT_EQ(std::system(("strip -o '" + stripped + "' '" + plain + "' 2>/dev/null").c_str()), 0);
    EXPECT_EQ(imageEndOfFile(stripped), fs::file_size(stripped));
}

TEST(ImageEnd, CorruptOrForeignHeadersGiveNoSize) {
    TempFolder work;
    std::string self = readAll(selfPath());
    // A section table said to lie beyond the end of the file.
    std::string corrupt = self;
    for (int i = 0; i < 8; ++i) corrupt[40 + i] = char(0x7F);
    EXPECT_EQ(imageEndOfFile(work.file("corrupt", corrupt)), 0u);
    EXPECT_EQ(imageEndOfFile(work.file("short", self.substr(0, 40))), 0u);
    EXPECT_EQ(imageEndOfFile(work.file("text", std::string(100, 'a'))), 0u);

    EXPECT_EQ(imageEndOfFile(work.file("pe", peImage())), 0x400u);
    EXPECT_EQ(imageEndOfFile(work.file("pe0", peImage(0))), 0u);
    EXPECT_EQ(imageEndOfFile(work.file("pe255", peImage(255))), 0u);
    std::string badOffset = peImage();
    badOffset[60] = char(0xF0);
    badOffset[61] = char(0xFF);
    EXPECT_EQ(imageEndOfFile(work.file("pefar", badOffset)), 0u);
}

TEST_F(AttachedTest, ScriptAndFilesComeBackFromAPeImage) {
    Text script = u"「あいう」を表示\r\n漢字ＡＢＣ abc 123\r\n";
    std::string data = "binary\0//FILE:x,3/\\/END/ data";
    data[6] = '\0';
    auto result =
        read(peImage(), encodedBlock(script) + entry("data.bin", data) + entry("empty.txt", ""));
    EXPECT_EQ(result.script, script);
    EXPECT_EQ(result.extractedFiles, (std::vector<std::string>{"data.bin", "empty.txt"}));
    EXPECT_EQ(extracted("data.bin"), data);
    EXPECT_EQ(extracted("empty.txt"), "");
    EXPECT_TRUE(result.messages.empty());

    struct stat info {};
    ASSERT_EQ(stat(folder_.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::string folder = folder_.path();
    CleanUpAttachedFiles(folder_);
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(AttachedTest, NothingAppendedGivesAnEmptyScript) {
    auto result = read(peImage(), "");
    EXPECT_TRUE(result.script.empty());
    EXPECT_TRUE(result.extractedFiles.empty());
    EXPECT_TRUE(result.messages.empty());
}

TEST_F(AttachedTest, AnImageOfUnknownSizeIsReportedAndRunsNothing) {
    auto result = read(peImage(0), encodedBlock(u"「x」を表示"));
    EXPECT_TRUE(result.script.empty());
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].style, 16);
    EXPECT_NE(result.messages[0].text.find(u"実行ファイルサイズの取得に失敗しました。\r\r"),
              Text::npos);
}

TEST_F(AttachedTest, NamesStayInsideThePrivateFolder) {
    std::string appended = encodedBlock(u"x") + entry("..\\..\\win.txt", "a") +
                           entry("../../../escape.txt", "b") + entry("/etc/abs.txt", "c") +
                           entry("", "d") + entry("sub/..", "e") + entry("dir\\", "f");
    auto result = read(peImage(), appended);
    EXPECT_EQ(result.extractedFiles,
              (std::vector<std::string>{"win.txt", "escape.txt", "abs.txt"}));
    EXPECT_EQ(extracted("escape.txt"), "b");
    // Nothing landed beside the private folder or above it.
    for (const auto& e : fs::directory_iterator(work_.path))
        EXPECT_TRUE(e.path().filename() == "app.exe" || e.is_directory()) << e.path();
    EXPECT_EQ(result.script, u"x");
}

TEST_F(AttachedTest, BadCountsNeverWriteOrHang) {
    std::string appended = encodedBlock(u"y") + "//FILE:neg.txt,-5/\\abc/END/" +
                           "//FILE:huge.txt,99999999999999/\\abc/END/" + "//FILE:nocomma/\\q/END/" +
                           entry("ok.txt", "fine") + "//FILE:cut.txt,10/\\abc";
    auto result = read(peImage(), appended);
    EXPECT_EQ(result.extractedFiles, std::vector<std::string>{"ok.txt"});
    EXPECT_EQ(extracted("ok.txt"), "fine");
    EXPECT_EQ(result.script, u"y");
}

TEST_F(AttachedTest, ALaterFileReplacesAnEarlierOneButAComponentStays) {
    std::string appended = encodedBlock(u"z") + entry("a.txt", "first") + entry("a.txt", "second") +
                           entry("Lib.DLL", "old") + entry("Lib.DLL", "new");
    auto result = read(peImage(), appended);
    EXPECT_EQ(extracted("a.txt"), "second");
    EXPECT_EQ(extracted("Lib.DLL"), "old");
    EXPECT_EQ(result.extractedFiles, (std::vector<std::string>{"a.txt", "Lib.DLL"}));
    EXPECT_EQ(result.foreignComponents, std::vector<std::string>{"Lib.DLL"});
}

TEST_F(AttachedTest, TheTitleFieldIsSkippedByThePlainLayout) {
    auto result = read(peImage(), "QELTITLE:E38182;" + encodedBlock(u"t"));
    EXPECT_EQ(result.title, u"あ");
    EXPECT_EQ(result.script, u"t");
}

TEST(ScriptBlock, DecodesTheReversedDigitsAndStopsAtWhatCannotBeRead) {
    // "A" is 41, "あ" 82A0, a line break 04; reversed as a whole.
    EXPECT_EQ(DecodeScriptBlock("junkINFO:0A284014//FILE:"), u"A\r\nあ");
    EXPECT_EQ(DecodeScriptBlock("no marker"), u"");
    EXPECT_EQ(DecodeScriptBlock("INFO:"), u"");
    // An odd digit count leaves a group cut short: what came before it stays.
    EXPECT_EQ(DecodeScriptBlock("INFO:1414"), u"AA");
    EXPECT_EQ(DecodeScriptBlock("INFO:41414"), u"AA");
    EXPECT_EQ(DecodeScriptBlock("INFO:zz14"), u"A");
    EXPECT_EQ(DecodeScriptBlock("INFO:z0A2814"), u"Aあ");
    // A double-byte code the page lacks reads as its stand-in.
    EXPECT_EQ(DecodeScriptBlock("INFO:FFFF"), u"・");
}

TEST(ScriptBlock, TheEncoderRefusesWhatCannotComeBack) {
    std::string block;
    EncodingProblem problem;
    EXPECT_FALSE(EncodeScriptBlock(u"abc\r\nxyｱ", block, problem));
    EXPECT_EQ(problem.line, 2u);
    EXPECT_EQ(problem.column, 3u);
    EXPECT_EQ(problem.character, U'ｱ');
    EXPECT_FALSE(EncodeScriptBlock(u"😀", block, problem));
    EXPECT_EQ(problem.character, U'😀');
    EXPECT_FALSE(EncodeScriptBlock(Text(u"a") + char16_t(4), block, problem));
    EXPECT_FALSE(EncodeScriptBlock(u"a\nb", block, problem));

    Text every = u"ASCII ~!@#$%^&*()_+{}|:\"<>?`\r\n全角ＡＢＣ①ⅰ髙﨑～∥－￢\r\n\r\n";
    ASSERT_TRUE(EncodeScriptBlock(every, block, problem));
    EXPECT_EQ(DecodeScriptBlock(block), every);
}

TEST(AttachedNames, AreTheirLastComponentInCodePage932) {
    EXPECT_EQ(AttachedFileName("a\\b/c.txt"), "c.txt");
    // "ソ" is 83 5C: its trail byte is not a folder separator.
    EXPECT_EQ(AttachedFileName("\x83\x5C.txt"), "ソ.txt");
    EXPECT_EQ(AttachedFileName(".."), "");
    EXPECT_EQ(AttachedFileName(std::string("a\0b", 3)), "");
    EXPECT_TRUE(IsForeignComponent("X.Ocx"));
    EXPECT_FALSE(IsForeignComponent("x.so"));
}

TEST(Builder, AnApplicationReadsBackWithItsFiles) {
    TempFolder work;
    std::string script = work.file("app.qel", "「やあ」を表示\n// 二行目\n");
    std::string data = work.file("data.bin", std::string("//FILE:/END/\0\xFF", 14));
    BuildRequest request{script, work.path + "/app", {data}, "私のアプリ", {}, false};
    std::ostringstream out, err;
    ASSERT_EQ(BuildApplication(request, selfPath(), out, err), 0) << err.str();
    EXPECT_TRUE(fs::status(request.output).permissions() ==
                (fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                 fs::perms::others_read | fs::perms::others_exec));

    PrivateFolder folder;
    ASSERT_TRUE(folder.create(work.path));
    int fd = open(request.output.c_str(), O_RDONLY);
    AttachedScript result = ReadAttachedScript(fd, request.output, folder);
    close(fd);
    EXPECT_EQ(result.script, u"「やあ」を表示\r\n// 二行目\r\n");
    EXPECT_EQ(result.title, u"私のアプリ");
    EXPECT_EQ(readAll(folder.path() + "data.bin"), readAll(data));

    // Building from a built application carries only the runtime's image.
    std::string second = work.path + "/again";
    request.output = second;
    ASSERT_EQ(BuildApplication(request, work.path + "/app", out, err), 0) << err.str();
    EXPECT_EQ(fs::file_size(second), fs::file_size(work.path + "/app"));
}

TEST(Builder, RefusesScriptsAndNamesItCannotCarry) {
    TempFolder work;
    std::string script = work.file("kana.qel", "「ok」を表示\n「ｱｲｳ」を表示\n");
    BuildRequest request{script, work.path + "/app", {}, {}, {}, false};
    std::ostringstream out, err;
    EXPECT_EQ(BuildApplication(request, selfPath(), out, err), 2);
    EXPECT_NE(err.str().find("kana.qel:2:2:"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("U+FF71"), std::string::npos);
    EXPECT_FALSE(fs::exists(request.output));

    request.script = work.file("fine.qel", "「ok」を表示\n");
    request.attachments = {work.file("名前😀.txt", "x")};
    err.str({});
    EXPECT_EQ(BuildApplication(request, selfPath(), out, err), 2);
    EXPECT_NE(err.str().find("outside code page 932"), std::string::npos) << err.str();
    request.attachments = {work.path + "/missing"};
    EXPECT_EQ(BuildApplication(request, selfPath(), out, err), 2);
    request.attachments = {};
    request.output = request.script;
    EXPECT_EQ(BuildApplication(request, selfPath(), out, err), 2);
    EXPECT_EQ(readAll(request.script), "「ok」を表示\n");
    EXPECT_TRUE(fs::directory_iterator(work.path) != fs::directory_iterator());
}

}  // namespace
}  // namespace qel
