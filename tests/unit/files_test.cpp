// Files and folders: the Trash, walks through link loops, tree copies, the
// CSV form of tables, and what the file commands do when the file system
// fails under them (a full disk, no permission, a bad name): the defined
// error and the old file as it was.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "engine_fixture.h"
#include "library/files/file_support.h"
#include "library/settings/protection.h"
#include "library/settings/settings_access.h"
#include "platform/linux/file_settings_store.h"

namespace qel {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// A scratch folder, with the Trash and the user's data folder inside it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "qel-files-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        const char* old = getenv("XDG_DATA_HOME");
        if (old) savedData_ = old;
        hadData_ = old != nullptr;
        setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    }
    ~ScratchFolder() {
        if (hadData_) {
            setenv("XDG_DATA_HOME", savedData_.c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const fs::path& root() const { return root_; }
    std::string path(const char* name) const { return (root_ / name).string(); }

  private:
    fs::path root_;
    std::string savedData_;
    bool hadData_ = false;
};

// ---- the Trash ------------------------------------------------------------------

TEST(Trash, InfoRecordsThePercentEncodedPathAndTheLocalTime) {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 9;
    when.tm_min = 5;
    when.tm_sec = 7;
    when.tm_isdst = -1;
    std::time_t t = std::mktime(&when);
    EXPECT_EQ(posix_files::trashInfoText("/home/u/a b%/名.txt", t),
              "[Trash Info]\nPath=/home/u/a%20b%25/%E5%90%8D.txt\n"
              "DeletionDate=2026-12-08T09:05:07\n");
}

TEST(Trash, TrashedFilesKeepDistinctNamesAndTheirOrigin) {
    ScratchFolder scratch;
    PosixFileSystem files;
    fs::create_directories(scratch.root() / "one");
    fs::create_directories(scratch.root() / "two");
    writeAll(scratch.root() / "one" / "a.txt", "first");
    writeAll(scratch.root() / "two" / "a.txt", "second");
    fs::create_directories(scratch.root() / "folder" / "inner");
    writeAll(scratch.root() / "folder" / "inner" / "b.txt", "b");

    ASSERT_TRUE(files.moveToTrash(scratch.path("one/a.txt")));
    ASSERT_TRUE(files.moveToTrash(scratch.path("one/../two/./a.txt")));
    ASSERT_TRUE(files.moveToTrash(scratch.path("folder")));

    fs::path trash = scratch.root() / "data" / "Trash";
    EXPECT_FALSE(fs::exists(scratch.root() / "one" / "a.txt"));
    EXPECT_EQ(readAll(trash / "files" / "a.txt"), "first");
    EXPECT_EQ(readAll(trash / "files" / "a.txt.2"), "second");
    EXPECT_EQ(readAll(trash / "files" / "folder" / "inner" / "b.txt"), "b");
    std::string info = readAll(trash / "info" / "a.txt.2.trashinfo");
    EXPECT_NE(info.find("Path=" + scratch.path("two/a.txt") + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("DeletionDate="), std::string::npos);
    EXPECT_TRUE(fs::exists(trash / "info" / "folder.trashinfo"));

    // Nothing there: nothing recorded.
    EXPECT_EQ(files.moveToTrash(scratch.path("none")).fault, FileFault::NotFound);
    EXPECT_FALSE(fs::exists(trash / "info" / "none.trashinfo"));
}

// ---- trees ----------------------------------------------------------------------------

TEST(Trees, WalksEndInLinkLoopsAndVisitEachFolderOnce) {
    ScratchFolder scratch;
    PosixFileSystem files;
    fs::create_directories(scratch.root() / "t" / "a" / "b");
    writeAll(scratch.root() / "t" / "a" / "b" / "f.txt", "x");
    fs::create_directory_symlink("../..", scratch.root() / "t" / "a" / "b" / "up");
    fs::create_directory_symlink(".", scratch.root() / "t" / "a" / "self");
    fs::create_directory_symlink("../t", scratch.root() / "t" / "again");

    std::vector<Text> seen;
    files::walkTree(files, text::fromUtf8(scratch.path("t")), [&](const files::WalkEntry& entry) {
        seen.push_back(entry.name + (entry.kind == FileKind::Folder ? u"/" : u""));
    });
    // Every name is visited where it stands, but no folder is entered twice.
    std::multiset<Text> names(seen.begin(), seen.end());
    EXPECT_EQ(names, (std::multiset<Text>{u"a/", u"again/", u"b/", u"self/", u"f.txt", u"up/"}));
}

TEST(Trees, CopiesKeepLinksAsLinksAndRefuseToCopyIntoThemselves) {
    ScratchFolder scratch;
    PosixFileSystem files;
    fs::create_directories(scratch.root() / "src" / "sub");
    writeAll(scratch.root() / "src" / "sub" / "f.txt", "data");
    fs::create_directory_symlink("..", scratch.root() / "src" / "sub" / "loop");
    chmod((scratch.root() / "src" / "sub" / "f.txt").c_str(), 0640);

    ASSERT_TRUE(files.copyTree(scratch.path("src"), scratch.path("dst")));
    EXPECT_EQ(readAll(scratch.root() / "dst" / "sub" / "f.txt"), "data");
    EXPECT_TRUE(fs::is_symlink(scratch.root() / "dst" / "sub" / "loop"));
    EXPECT_EQ(fs::read_symlink(scratch.root() / "dst" / "sub" / "loop"), "..");
    struct stat info {};
    stat((scratch.root() / "dst" / "sub" / "f.txt").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    FileStatus inside = files.copyTree(scratch.path("src"), scratch.path("src/sub/copy"));
    EXPECT_EQ(inside.fault, FileFault::Denied);
    EXPECT_FALSE(fs::exists(scratch.root() / "src" / "sub" / "copy"));
    EXPECT_EQ(files.moveTree(scratch.path("src"), scratch.path("src/sub/m")).fault,
              FileFault::Denied);
    EXPECT_TRUE(fs::exists(scratch.root() / "src" / "sub" / "f.txt"));

    // A move onto a folder that already holds files merges into it.
    fs::create_directories(scratch.root() / "dst2" / "sub");
    writeAll(scratch.root() / "dst2" / "sub" / "old.txt", "old");
    ASSERT_TRUE(files.moveTree(scratch.path("src"), scratch.path("dst2")));
    EXPECT_FALSE(fs::exists(scratch.root() / "src"));
    EXPECT_EQ(readAll(scratch.root() / "dst2" / "sub" / "old.txt"), "old");
    EXPECT_EQ(readAll(scratch.root() / "dst2" / "sub" / "f.txt"), "data");

    ASSERT_TRUE(files.removeTree(scratch.path("dst2")));
    EXPECT_FALSE(fs::exists(scratch.root() / "dst2"));
    EXPECT_TRUE(fs::exists(scratch.root() / "dst" / "sub" / "f.txt"));  // links not followed
}

TEST(Trees, MovesAcrossFileSystemsCopyThenRemove) {
    // /dev/shm is a memory file system on most machines: a move from there
    // to the scratch folder cannot be a rename.
    struct stat shm {
    }, tmp{};
    ScratchFolder scratch;
    if (stat("/dev/shm", &shm) != 0 || stat(scratch.root().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second file system to move from";
    }
    std::string pattern = "/dev/shm/qel-move-XXXXXX";
    fs::path source = mkdtemp(pattern.data());
    fs::create_directories(source / "inner");
    writeAll(source / "inner" / "f.txt", "far");
    fs::create_symlink("f.txt", source / "inner" / "link");
    PosixFileSystem files;
    FileStatus moved = files.moveTree(source.string(), scratch.path("arrived"));
    std::error_code ignored;
    const bool sourceGone = !fs::exists(source);
    fs::remove_all(source, ignored);
    ASSERT_TRUE(moved) << moved.message;
    EXPECT_TRUE(sourceGone);
    EXPECT_EQ(readAll(scratch.root() / "arrived" / "inner" / "f.txt"), "far");
    EXPECT_TRUE(fs::is_symlink(scratch.root() / "arrived" / "inner" / "link"));
}

TEST(Trees, WritingThroughALinkWritesWhereItPoints) {
    ScratchFolder scratch;
    PosixFileSystem files;
    fs::create_directories(scratch.root() / "real");
    fs::create_symlink("real/later.txt", scratch.root() / "pending");
    writeAll(scratch.root() / "real" / "now.txt", "old");
    fs::create_symlink("real/now.txt", scratch.root() / "current");
    ASSERT_TRUE(files.writeFile(scratch.path("current"), "new"));
    EXPECT_TRUE(fs::is_symlink(scratch.root() / "current"));
    EXPECT_EQ(readAll(scratch.root() / "real" / "now.txt"), "new");
    // A link to nothing is refused rather than followed to a file nobody made.
    FileStatus dangling = files.writeFile(scratch.path("pending"), "made");
    EXPECT_EQ(dangling.fault, FileFault::Denied);
    EXPECT_TRUE(fs::is_symlink(scratch.root() / "pending"));
    EXPECT_FALSE(fs::exists(scratch.root() / "real" / "later.txt"));
}

TEST(Trees, AppendsAddToTheEndAndFolderMakingTakesParents) {
    ScratchFolder scratch;
    PosixFileSystem files;
    ASSERT_TRUE(files.makeFolders(scratch.path("a/b/c")));
    ASSERT_TRUE(files.makeFolders(scratch.path("a/b/c")));  // already there
    writeAll(scratch.root() / "a" / "file", "x");
    EXPECT_FALSE(files.makeFolders(scratch.path("a/file/d")));
    ASSERT_TRUE(files.appendFile(scratch.path("a/log"), "one"));
    ASSERT_TRUE(files.appendFile(scratch.path("a/log"), "two"));
    EXPECT_EQ(readAll(scratch.root() / "a" / "log"), "onetwo");
    EXPECT_EQ(files.appendFile(scratch.path("missing/log"), "x").fault, FileFault::NotFound);
}

// ---- the desktop's conventions ----------------------------------------------------

TEST(UserFolders, UserDirsFileNamesFoldersUnderHome) {
    const std::string config =
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
        "XDG_DOCUMENTS_DIR=\"/data/docs/\"\n"
        "XDG_MUSIC_DIR=\"relative/bad\"\n";
    EXPECT_EQ(posix_files::userDirFromConfig(config, "XDG_DESKTOP_DIR", "/home/u"),
              "/home/u/デスクトップ");
    EXPECT_EQ(posix_files::userDirFromConfig(config, "XDG_DOCUMENTS_DIR", "/home/u"), "/data/docs");
    EXPECT_EQ(posix_files::userDirFromConfig(config, "XDG_MUSIC_DIR", "/home/u"), "");
    EXPECT_EQ(posix_files::userDirFromConfig(config, "XDG_DESKTOP", "/home/u"), "");
}

TEST(UserFolders, DrivesAreTheMountsThatHoldFiles) {
    const std::string mounts =
        "proc /proc proc rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
        "server:/x /mnt/x nfs4 rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n";
    auto points = posix_files::mountPointsFromTable(mounts);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].path, "/");
    EXPECT_EQ(points[1].path, "/media/u/USB STICK/");
    EXPECT_EQ(points[1].type, "vfat");
    EXPECT_EQ(points[2].path, "/mnt/x/");
}

// ---- names and CSV --------------------------------------------------------------------

TEST(FileNames, WildcardsAndPathParts) {
    EXPECT_TRUE(files::wildcardMatch(u"*.TXT", u"a.txt"));
    EXPECT_TRUE(files::wildcardMatch(u"a?c*", u"abc"));
    EXPECT_TRUE(files::wildcardMatch(u"*a*b*", u"xxaxxbxx"));
    EXPECT_FALSE(files::wildcardMatch(u"*.txt", u"a.txt.bak"));
    EXPECT_FALSE(files::wildcardMatch(u"a?", u"a"));
    EXPECT_EQ(files::extensionPart(u"a\\b.c\\.profile"), u"");
    EXPECT_EQ(files::extensionPart(u"d/x.tar.gz"), u".gz");
    EXPECT_EQ(files::namePart(u"a/b/"), u"b");
    EXPECT_EQ(files::folderPart(u"a\\b\\c.txt"), u"a/b/");
    EXPECT_EQ(files::relativePath(u"/a/b/c.txt", u"/a/d/"), u"../b/c.txt");
    EXPECT_EQ(files::relativePath(u"/a/", u"/a/"), u"./");
}

TEST(Csv, TablesWriteAsCsvThatOtherProgramsRead) {
    // Numbers bare, texts quoted with their escapes undone, quotes doubled.
    EXPECT_EQ(files::tableToCsv(u"1,abc,x{**}y\r\n2.5,say \"hi\",\r\n"),
              u"1,\"abc\",\"x,y\"\r\n2.5,\"say \"\"hi\"\"\",\"\"\r\n");
    EXPECT_EQ(files::tableToCsv(u"a{*n}b、-3"), u"\"a\r\nb\",-3\r\n");
}

TEST(Csv, CsvReadsIntoCellsThatKeepTheirCommasAndBreaks) {
    EXPECT_EQ(files::csvToTable(u"1, abc ,\"x,y\"\r\n\r\n\"say \"\"hi\"\"\",\"a\nb\"\n"),
              u"1,abc,x{**}y\r\nsay \"hi\",a{*n}b");
    // Files written with escapes in quotes, and quotes left undoubled, read
    // back as they were meant.
    EXPECT_EQ(files::csvToTable(u"\"x{**}y\",\"a\"b\""), u"x{**}y,a\"b");
    EXPECT_EQ(files::csvToTable(u"  \"  padded  \"  ,z"), u"  padded  ,z");
    EXPECT_EQ(files::csvToTable(u"\"unclosed,rest"), u"unclosed{**}rest");
}

TEST(Csv, ATableReadFromAFileIsWrittenBackAsTheSameTable) {
    // Empty quoted rows at the end would make the table end with a line
    // break, which a save reads as no further row.
    for (TextView csv : {TextView(u"a\r\n\"\""), TextView(u"a,b\r\n\"\"\r\n\"\"\r\n"),
                         TextView(u"2,\"x\"\r\n\r\n\"\"\r\n")}) {
        Text table = files::csvToTable(csv);
        EXPECT_EQ(files::csvToTable(files::tableToCsv(table)), table) << text::toUtf8(csv);
    }
    // A number with blanks around it keeps them.
    EXPECT_EQ(files::tableToCsv(u" 5E+10,7 "), u"\" 5E+10\",\"7 \"\r\n");
    EXPECT_EQ(files::csvToTable(files::tableToCsv(u" 5E+10")), u" 5E+10");
    // An empty row between others is kept.
    EXPECT_EQ(files::csvToTable(u"a\r\n\"\"\r\nb"), u"a\r\n\r\nb");
}

TEST(Csv, ReadingWhatWasWrittenSettlesAfterOnePass) {
    // Random texts over the characters that matter to CSV and to the table
    // form: the first read may tidy a text (trim blanks, drop blank lines),
    // but after that, writing and reading again must change nothing.
    const Text alphabet = u"\",\r\n、，{}*/n a1.-\u3000漢";
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 3000; ++round) {
        Text input;
        const std::uint32_t length = next() % 40;
        for (std::uint32_t i = 0; i < length; ++i) input += alphabet[next() % alphabet.size()];
        Text table = files::csvToTable(files::tableToCsv(files::csvToTable(input)));
        Text again = files::csvToTable(files::tableToCsv(table));
        ASSERT_EQ(again, table) << text::toUtf8(input);
    }
}

// ---- the commands when the file system fails ----------------------------------------------

// The real file system, with the changing calls failing as asked.
class FailingFileSystem : public PosixFileSystem {
  public:
    std::optional<FileStatus> failure;
    FileStatus writeFile(const std::string& path, std::string_view bytes) override {
        return failure ? *failure : PosixFileSystem::writeFile(path, bytes);
    }
    FileStatus appendFile(const std::string& path, std::string_view bytes) override {
        return failure ? *failure : PosixFileSystem::appendFile(path, bytes);
    }
    FileStatus copyTree(const std::string& from, const std::string& to) override {
        return failure ? *failure : PosixFileSystem::copyTree(from, to);
    }
    FileStatus moveTree(const std::string& from, const std::string& to) override {
        return failure ? *failure : PosixFileSystem::moveTree(from, to);
    }
    FileStatus moveToTrash(const std::string& path) override {
        if (pretendRemoving) return removed.push_back(path), FileStatus{};
        return failure ? *failure : PosixFileSystem::moveToTrash(path);
    }
    FileStatus removeTree(const std::string& path) override {
        if (pretendRemoving) return removed.push_back(path), FileStatus{};
        return failure ? *failure : PosixFileSystem::removeTree(path);
    }
    // Removals are only recorded: for tests that must never remove for real.
    bool pretendRemoving = false;
    std::vector<std::string> removed;
};

class FileCommandTest : public ::testing::Test {
  protected:
    FileCommandTest() {
        ConsoleOptions options;
        options.virtualClock = true;
        auto host = std::make_unique<testing::CapturingHost>(options, out_, err_, in_);
        host_ = host.get();
        auto files = std::make_unique<FailingFileSystem>();
        files_ = files.get();
        Platform platform;
        platform.ui = std::move(host);
        platform.files = std::move(files);
        host_->useVirtualClock(platform, std::make_unique<SystemClock>());
        qel_ = std::make_unique<Qel>(std::move(platform));
        host_->engine = &qel_->engine();
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }

    // Runs one line with {dir} standing for the scratch folder.
    void run(std::string_view line) {
        std::string text(line);
        for (std::size_t p; (p = text.find("{dir}")) != std::string::npos;) {
            text.replace(p, 5, scratch_.root().string());
        }
        host_->boxes.clear();
        qel_->Run(text::fromUtf8(text + "\r\n"), u"test.qel", false);
    }
    std::vector<int> errors() const {
        std::vector<int> numbers;
        for (const auto& box : host_->boxes) {
            if (box.purpose == BoxPurpose::Error) numbers.push_back(box.errorNumber);
        }
        return numbers;
    }
    Text lastBoxText() const { return host_->boxes.empty() ? Text() : host_->boxes.back().text; }
    const fs::path& dir() const { return scratch_.root(); }

    ScratchFolder scratch_;
    FailingFileSystem* files_ = nullptr;
    std::ostringstream out_, err_;
    std::istringstream in_;
    testing::CapturingHost* host_ = nullptr;
    std::unique_ptr<Qel> qel_;
};

TEST_F(FileCommandTest, AFullDiskLeavesTheOldFileAndSaysWhy) {
    writeAll(dir() / "keep.txt", "old");
    files_->failure = FileStatus{FileFault::Other, "No space left on device"};
    run("「new」を「{dir}/keep.txt」へ保存");
    EXPECT_EQ(errors(), std::vector<int>{203});
    EXPECT_NE(text::toUtf8(lastBoxText()).find("No space left on device"), std::string::npos);
    run("「new」を「{dir}/keep.txt」へ追加保存");
    run("「new」を「{dir}/keep.txt」へ2行目で追加保存");
    run("「{dir}/keep.txt」を「{dir}/copy.txt」へコピー");
    EXPECT_EQ(errors(), std::vector<int>{203});
    EXPECT_EQ(readAll(dir() / "keep.txt"), "old");
    EXPECT_FALSE(fs::exists(dir() / "copy.txt"));
}

TEST_F(FileCommandTest, NoPermissionAndBadNamesHaveTheirOwnErrors) {
    writeAll(dir() / "keep.txt", "old");
    files_->failure = FileStatus{FileFault::Denied, "Permission denied"};
    run("「new」を「{dir}/keep.txt」へ保存");
    EXPECT_EQ(errors(), std::vector<int>{203});
    files_->failure = FileStatus{FileFault::NotFound, "No such file or directory"};
    run("「new」を「{dir}/keep.txt」へ保存");
    EXPECT_EQ(errors(), std::vector<int>{202});
    files_->failure.reset();
    run("「new」を「{dir}/no/such/folder.txt」へ保存");
    EXPECT_EQ(errors(), std::vector<int>{202});
    run("「new」を「」へ保存");  // an empty name names no file
    EXPECT_EQ(errors(), std::vector<int>{202});
    run("「new」を保存");
    EXPECT_EQ(errors(), std::vector<int>{35});
    EXPECT_EQ(readAll(dir() / "keep.txt"), "old");
}

TEST_F(FileCommandTest, ATrashThatFailsNeverFallsBackToRemoving) {
    writeAll(dir() / "a.txt", "a");
    files_->failure = FileStatus{FileFault::Denied, "Permission denied"};
    run("「{dir}/a.txt」を削除");
    EXPECT_EQ(errors(), std::vector<int>{203});
    run("「{dir}/a.txt」をごみ箱へ移動");
    EXPECT_EQ(errors(), std::vector<int>{203});
    EXPECT_EQ(readAll(dir() / "a.txt"), "a");
    files_->failure.reset();
    run("「{dir}/a.txt」を削除");
    EXPECT_TRUE(errors().empty());
    EXPECT_FALSE(fs::exists(dir() / "a.txt"));
    EXPECT_TRUE(fs::exists(dir() / "data" / "Trash" / "files" / "a.txt"));
}

TEST_F(FileCommandTest, ForbiddenFileCommandsDoNothing) {
    writeAll(dir() / "a.txt", "a");
    // Every run reads the protection from the user's settings store.
    auto store = std::make_unique<FileSettingsStore>((dir() / "config").string());
    ASSERT_TRUE(store->write(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName,
                             MakeProtectionKey({false, true, false, false, false})));
    qel_->platform().settings = std::move(store);
    for (const char* line :
         {"「x」を「{dir}/a.txt」へ保存", "「x」を「{dir}/a.txt」へ追加保存",
          "「{dir}/a.txt」をすぐ削除", "「{dir}/a.txt」を「{dir}/b.txt」へコピー",
          "「{dir}/a.txt」を「b.txt」へ変更", "フォルダ「{dir}/f」を作る",
          "「{dir}/a.txt」をバックアップ", "「{dir}/a.txt」を復元",
          "「{dir}/a.txt」を読み取り専用にファイル属性変更", "Dを「{dir}/a.txt」へ辞書保存"}) {
        run(line);
        EXPECT_EQ(errors(), std::vector<int>{99}) << line;
    }
    EXPECT_EQ(readAll(dir() / "a.txt"), "a");
    // a.txt and the settings store's folder, nothing else.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 2);
}

TEST_F(FileCommandTest, TheRootHomeAndTheFoldersAroundTheScriptAreNeverRemoved) {
    files_->pretendRemoving = true;
    fs::create_directories(dir() / "work" / "inner");
    writeAll(dir() / "work" / "inner" / "f.txt", "f");
    ASSERT_EQ(chdir((dir() / "work" / "inner").c_str()), 0);
    for (const char* line :
         {"「/」をすぐ削除", "「/」を削除", "「\\」をごみ箱へ移動", "「.」をすぐ削除",
          "「..」を削除", "「../../」をすぐ削除", "「{dir}」をすぐ削除", "「~」を削除"}) {
        run(line);
        if (std::string(line) == "「~」を削除") {
            EXPECT_EQ(errors(), std::vector<int>{201}) << line;  // no such name here
        } else {
            EXPECT_EQ(errors(), std::vector<int>{202}) << line;
        }
    }
    const char* home = getenv("HOME");
    if (home && std::string(home) != "/") {
        qel_->Run(text::fromUtf8(std::string("「") + home + "」をすぐ削除\r\n"), u"test.qel",
                  false);
    }
    EXPECT_TRUE(files_->removed.empty());
    run("「f.txt」をすぐ削除");
    EXPECT_EQ(files_->removed, std::vector<std::string>{"f.txt"});
    ASSERT_EQ(chdir("/"), 0);
}

}  // namespace
}  // namespace qel
