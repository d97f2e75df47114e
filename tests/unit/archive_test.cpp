// Archive kinds by name and by content, and self-extracting archives run
// for real with sh and tar.
#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine_fixture.h"
#include "library/archives/archives.h"
#include "platform/linux/archive_io.h"
#include "temp_folder.h"

namespace qel::testing {
namespace {

using testing::TempFolder;

namespace fs = std::filesystem;
using archive::Type;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A tar holding exactly the given (name, content) entries, however unsafe.
void writeRawTar(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
    struct archive* writer = archive_write_new();
    archive_write_set_format_pax_restricted(writer);
    archive_write_open_filename(writer, path.c_str());
    for (const auto& [name, content] : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_copy_pathname(entry, name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
        archive_write_header(writer, entry);
        archive_write_data(writer, content.data(), content.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
}

TEST(ArchiveKinds, NamesDecideFirstAndContentSecond) {
    TempFolder folder;
    EXPECT_EQ(archive::typeOf("a.LZH"), Type::Lzh);
    EXPECT_EQ(archive::typeOf("a.cab"), Type::Cab);
    EXPECT_EQ(archive::typeOf("a.Zip"), Type::Zip);
    EXPECT_EQ(archive::typeOf("a.gca"), Type::Gca);
    EXPECT_EQ(archive::typeOf("a.rar"), Type::Rar);
    for (const char* name :
         {"a.tar", "a.taz", "a.tgz", "a.tb2", "a.tbz", "a.z", "a.tar.gz", "a.tar.bz2", "a.tar.xz"})
        EXPECT_EQ(archive::typeOf(name), Type::Tar) << name;
    EXPECT_EQ(archive::typeOf(folder.path + "/missing.dat"), Type::None);
    EXPECT_EQ(archive::typeOf(folder.file("empty.dat", "")), Type::None);
    EXPECT_EQ(archive::typeOf(folder.file("text.dat", "plain words, no archive\n")), Type::None);

    folder.file("tree/a.txt", "a");
    std::vector<archive::Member> members;
    ASSERT_TRUE(archive::collectMembers({folder.path + "/tree"}, "", members));
    ASSERT_TRUE(archive::create(folder.path + "/made.zip", Type::Zip, members));
    ASSERT_TRUE(archive::create(folder.path + "/made.tgz", Type::Tar, members));
    fs::rename(folder.path + "/made.zip", folder.path + "/zip.dat");
    fs::rename(folder.path + "/made.tgz", folder.path + "/tar.dat");
    EXPECT_EQ(archive::typeOf(folder.path + "/zip.dat"), Type::Zip);
    EXPECT_EQ(archive::typeOf(folder.path + "/tar.dat"), Type::Tar);
    EXPECT_TRUE(archive::canWrite(Type::Zip));
    EXPECT_TRUE(archive::canWrite(Type::Tar));
    for (Type type : {Type::Lzh, Type::Cab, Type::Rar, Type::Gca, Type::Other, Type::None})
        EXPECT_FALSE(archive::canWrite(type));
}

TEST(ArchiveMembers, NamesAreRelativeToTheCommonFolderOrTheGivenBase) {
    TempFolder folder;
    folder.file("top/one/a.txt", "a");
    folder.file("top/two/b.txt", "b");
    folder.file("top/two/c.log", "c");
    auto names = [](const std::vector<archive::Member>& members) {
        std::vector<std::string> out;
        for (const auto& m : members) out.push_back(m.name);
        return out;
    };
    std::vector<archive::Member> members;
    ASSERT_TRUE(archive::collectMembers(
        {folder.path + "/top/one/a.txt", folder.path + "/top/two/b.txt"}, "", members));
    EXPECT_EQ(names(members), (std::vector<std::string>{"one/a.txt", "two/b.txt"}));
    members.clear();
    ASSERT_TRUE(archive::collectMembers({folder.path + "/top/two/*.*"}, folder.path, members));
    EXPECT_EQ(names(members), (std::vector<std::string>{"top/two/b.txt", "top/two/c.log"}));
    members.clear();
    ASSERT_TRUE(archive::collectMembers({folder.path + "/top/two/*.txt"}, "", members));
    EXPECT_EQ(names(members), (std::vector<std::string>{"b.txt"}));
    members.clear();
    EXPECT_FALSE(archive::collectMembers({folder.path + "/top/none.txt"}, "", members));
}

class SelfExtractingTest : public EngineTest {
  protected:
    void make(const std::string& line) {
        run({u"「準備」を表示"});
        StatementRecord record = engine().ParseLine(text::fromUtf8(line));
        cmdCreateSelfExtracting(record, engine());
    }
    int runExtractor(const std::string& extractor, const std::string& into) {
        std::string command = "sh '" + extractor + "' '" + into + "' >/dev/null 2>&1";
        return std::system(command.c_str());
    }
    TempFolder folder;
};

TEST_F(SelfExtractingTest, AFolderBecomesAScriptThatExtractsItself) {
    folder.file("tree/a.txt", "alpha\n");
    folder.file("tree/sub/日本語.txt", "中身\n");
    make("自己解凍書庫「" + folder.path + "/tree」を「" + folder.path + "/tree.sh」へ作れ");
    EXPECT_TRUE(errorBoxes().empty());
    const std::string extractor = folder.path + "/tree.sh";
    EXPECT_EQ(readAll(extractor).rfind("#!/bin/sh\n", 0), 0u);
    struct stat info {};
    ASSERT_EQ(stat(extractor.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
    ASSERT_EQ(runExtractor(extractor, folder.path + "/out"), 0);
    EXPECT_EQ(readAll(folder.path + "/out/tree/a.txt"), "alpha\n");
    EXPECT_EQ(readAll(folder.path + "/out/tree/sub/日本語.txt"), "中身\n");
}

TEST_F(SelfExtractingTest, AnArchiveIsRepackedAndItsNameGivesTheScriptsName) {
    folder.file("tree/a.txt", "alpha\n");
    std::vector<archive::Member> members;
    ASSERT_TRUE(archive::collectMembers({folder.path + "/tree"}, "", members));
    ASSERT_TRUE(archive::create(folder.path + "/pack.zip", Type::Zip, members));
    make("自己解凍書庫「" + folder.path + "/pack.zip」を作れ");
    EXPECT_TRUE(errorBoxes().empty());
    ASSERT_EQ(runExtractor(folder.path + "/pack.sh", folder.path + "/out"), 0);
    EXPECT_EQ(readAll(folder.path + "/out/tree/a.txt"), "alpha\n");
}

TEST_F(SelfExtractingTest, UnsafeEntriesAndMissingSourcesMakeNoScript) {
    writeRawTar(folder.path + "/evil.tar", {{"ok.txt", "ok"}, {"../escape.txt", "bad"}});
    make("自己解凍書庫「" + folder.path + "/evil.tar」を作れ");
    make("自己解凍書庫「" + folder.path + "/nothing」を作れ");
    EXPECT_EQ(errorNumbers(), (std::vector<int>{207, 201}));
    EXPECT_FALSE(fs::exists(folder.path + "/evil.sh"));
    for (const auto& item : fs::directory_iterator(folder.path))
        EXPECT_EQ(item.path().filename().string().rfind(".qel-", 0), std::string::npos);
}

TEST(ArchiveExtraction, AnOldFileSurvivesAnEntryThatCannotBeRead) {
    TempFolder folder;
    folder.file("target/a.txt", "old contents");
    // A gzip stream cut short: the entry's data ends early.
    folder.file("tree/a.txt", std::string(200000, 'x') + "tail");
    std::vector<archive::Member> members;
    ASSERT_TRUE(archive::collectMembers({folder.path + "/tree/a.txt"}, "", members));
    ASSERT_TRUE(archive::create(folder.path + "/cut.tgz", Type::Tar, members));
    std::string bytes = readAll(folder.path + "/cut.tgz");
    std::ofstream(folder.path + "/cut.tgz", std::ios::binary | std::ios::trunc)
        << bytes.substr(0, bytes.size() / 2);
    archive::Result result = archive::extract(folder.path + "/cut.tgz", folder.path + "/target");
    EXPECT_FALSE(result);
    EXPECT_EQ(readAll(folder.path + "/target/a.txt"), "old contents");
    for (const auto& item : fs::directory_iterator(folder.path + "/target"))
        EXPECT_EQ(item.path().filename().string(), "a.txt");
}

}  // namespace
}  // namespace qel::testing
