// Writes that replace or add to a file: where a chain of links ends, what
// they refuse to replace (pipes, sockets, folders, loops, links to nothing),
// the temporaries they leave behind (none, and stale ones of writers that
// died are cleared), and the lock settings files are changed under.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/linux/file_replacement.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/posix_files.h"
#include "temp_folder.h"

namespace qel {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A listening socket's name in the file system (closed again: the name stays).
void makeSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

// Every way the runtime replaces or adds to a file, on one path.
std::vector<FileStatus> everyWrite(PosixFileSystem& files, const TempFolder& folder,
                                   const std::string& path) {
    const std::string source = folder.file("source.txt", "copied");
    return {files.writeFile(path, "new"), files.appendFile(path, "more"),
            files.copyTree(source, path)};
}

TEST(WriteRule, PipesSocketsAndFoldersAreNeverReplaced) {
    TempFolder folder;
    PosixFileSystem files;
    const std::string pipe = folder.path + "/pipe", socket = folder.path + "/socket";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    makeSocket(socket);
    fs::create_directory(folder.path + "/folder");
    for (const std::string& path : {pipe, socket, folder.path + "/folder"}) {
        for (const FileStatus& status : everyWrite(files, folder, path)) {
            EXPECT_EQ(status.fault, FileFault::Denied) << path;
            EXPECT_FALSE(status.message.empty());
        }
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_socket(socket));
    EXPECT_TRUE(fs::is_directory(folder.path + "/folder"));
    // The refusal says why, naming the file.
    FileStatus status = files.writeFile(pipe, "x");
    EXPECT_NE(status.message.find("pipe"), std::string::npos);
    EXPECT_NE(status.message.find("not a regular file"), std::string::npos);
    // Nor does a move or a copied link take a pipe's place.
    const std::string moved = folder.file("moved.txt", "m");
    EXPECT_EQ(files.moveTree(moved, pipe).fault, FileFault::Denied);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(contents(moved), "m");
}

TEST(WriteRule, AChainOfLinksIsFollowedToTheFileAtItsEnd) {
    TempFolder folder;
    PosixFileSystem files;
    folder.file("real/final.txt", "old", 0640);
    fs::create_directory(folder.path + "/links");
    fs::create_symlink("../real/final.txt", folder.path + "/links/middle");
    fs::create_symlink("links/middle", folder.path + "/top");
    const std::string top = folder.path + "/top", final = folder.path + "/real/final.txt";

    ASSERT_TRUE(files.writeFile(top, "new"));
    EXPECT_EQ(contents(final), "new");
    EXPECT_EQ(fs::status(final).permissions(), fs::perms(0640));  // kept by a save
    ASSERT_TRUE(files.appendFile(top, "+more"));
    EXPECT_EQ(contents(final), "new+more");
    ASSERT_TRUE(files.copyTree(folder.file("source.txt", "copied"), top));
    EXPECT_EQ(contents(final), "copied");
    EXPECT_TRUE(fs::is_symlink(top));
    EXPECT_TRUE(fs::is_symlink(folder.path + "/links/middle"));
    EXPECT_EQ(fs::read_symlink(top), "links/middle");
    // Nothing else appeared beside the file or beside the links.
    EXPECT_EQ(namesIn(folder.path + "/real"), std::set<std::string>{"final.txt"});
    EXPECT_EQ(namesIn(folder.path + "/links"), std::set<std::string>{"middle"});
}

TEST(WriteRule, LoopsAndLinksToNothingAreRefused) {
    TempFolder folder;
    PosixFileSystem files;
    fs::create_symlink("b", folder.path + "/a");
    fs::create_symlink("a", folder.path + "/b");
    fs::create_symlink("self", folder.path + "/self");
    fs::create_symlink("missing/none.txt", folder.path + "/toNothing");
    fs::create_directory(folder.path + "/missing");
    fs::create_symlink("toNothing", folder.path + "/chainToNothing");
    for (const char* name : {"a", "self", "toNothing", "chainToNothing"}) {
        const std::string path = folder.path + "/" + name;
        for (const FileStatus& status : everyWrite(files, folder, path)) {
            EXPECT_EQ(status.fault, FileFault::Denied) << name;
            EXPECT_NE(status.message.find(name), std::string::npos) << status.message;
        }
        EXPECT_TRUE(fs::is_symlink(path)) << name;
    }
    EXPECT_NE(files.writeFile(folder.path + "/a", "x").message.find("loop"), std::string::npos);
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path + "/missing/none.txt")));
    // A plain new name is still simply made.
    ASSERT_TRUE(files.writeFile(folder.path + "/missing/new.txt", "made"));
    EXPECT_EQ(contents(folder.path + "/missing/new.txt"), "made");
}

// A temporary in the folder's naming: the prefix, the writer's process
// number, "-" (made under its name) and a random part.
std::string plantTemporary(const TempFolder& folder, const std::string& name, bool old) {
    const std::string path = folder.file(name, "half a file");
    if (old) {
        utimbuf times{};
        times.actime = times.modtime = time(nullptr) - 3600;
        utime(path.c_str(), &times);
    }
    return path;
}

// A process number that is certainly not running: a child that has ended
// and been waited for.
pid_t endedProcess() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST(WriteRule, StaleTemporariesOfEndedWritersAreRemovedAndNoOthers) {
    TempFolder folder;
    const std::string dead = std::to_string(endedProcess());
    const std::string alive = std::to_string(getppid());
    plantTemporary(folder, ".qel-write-" + dead + "-abcdef", true);   // stale
    plantTemporary(folder, ".qel-write-" + dead + "+abcdef", false);  // linked in, then killed
    plantTemporary(folder, ".qel-write-" + dead + "-young1", false);  // may still be in the making
    plantTemporary(folder, ".qel-write-" + alive + "-abcdef", true);  // its writer runs
    plantTemporary(folder, ".qel-write-x-abcdef", true);              // not our naming
    plantTemporary(folder, ".qel-copy-" + dead + "-abcdef", true);    // another writer's prefix
    plantTemporary(folder, "notes.txt", true);
    // One whose writer, though not known here, still holds its lock.
    const std::string held = plantTemporary(folder, ".qel-write-" + dead + "-locked", true);
    int fd = open(held.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    pid_t holder = fork();
    if (holder == 0) {
        // The lock is the child's copy too; only another open file can test it.
        file_replacement::removeStaleTemporaries(folder.path, ".qel-write-");
        _exit(0);
    }
    int status = 0;
    waitpid(holder, &status, 0);
    close(fd);

    EXPECT_EQ(namesIn(folder.path), (std::set<std::string>{
                                        ".qel-write-" + dead + "-young1",
                                        ".qel-write-" + alive + "-abcdef",
                                        ".qel-write-x-abcdef",
                                        ".qel-copy-" + dead + "-abcdef",
                                        "notes.txt",
                                        ".qel-write-" + dead + "-locked",
                                    }));
}

TEST(WriteRule, WritesLeaveNoTemporaryAndReplaceInOneStep) {
    TempFolder folder;
    PosixFileSystem files;
    const std::string path = folder.file("a.txt", "old", 0600);
    ASSERT_TRUE(files.writeFile(path, std::string(1 << 20, 'x')));
    EXPECT_EQ(contents(path).size(), std::size_t(1) << 20);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));
    EXPECT_EQ(namesIn(folder.path), std::set<std::string>{"a.txt"});

    // The store's own file goes the same way.
    FileSettingsStore store(folder.path + "/store");
    ASSERT_TRUE(store.write(SettingsArea::Registry, u"HKCU\\A", u"n", u"v"));
    EXPECT_EQ(namesIn(folder.path + "/store"),
              (std::set<std::string>{"settings.ini", "settings.lock"}));
    EXPECT_EQ(fs::status(folder.path + "/store/settings.ini").permissions(), fs::perms(0600));
}

TEST(UpdateLock, IsSharedByEveryNameOfTheFileAndLeavesNothingBehind) {
    TempFolder folder;
    const std::string file = folder.file("app.ini", "");
    fs::create_symlink("app.ini", folder.path + "/link.ini");
    const std::string lockName = file_replacement::lockPathFor(file);
    {
        file_replacement::UpdateLock first;
        ASSERT_TRUE(first.lock(folder.path + "/link.ini"));
        EXPECT_TRUE(fs::exists(lockName));
        // Another process asking through the other name must wait.
        pid_t child = fork();
        if (child == 0) {
            int fd = open(lockName.c_str(), O_RDWR);
            _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(namesIn(folder.path), (std::set<std::string>{"app.ini", "link.ini"}));
    // A file that must not be written cannot be locked for writing either.
    ASSERT_EQ(mkfifo((folder.path + "/pipe").c_str(), 0644), 0);
    file_replacement::UpdateLock refused;
    EXPECT_EQ(refused.lock(folder.path + "/pipe").fault, FileFault::Denied);
}

}  // namespace
}  // namespace qel
