// Files and folders: every read and change of the file system goes through this port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace qel {

// Why a change to a file failed, in the classes scripts report differently.
enum class FileFault {
    None,
    NotFound,  // a folder on the path does not exist, or the name cannot name a file
    Denied,    // no permission, a read-only file system, or a folder stands at the path
    Other,     // anything else: a full disk, an input/output error
};

struct FileStatus {
    FileFault fault = FileFault::None;
    std::string message;  // the system's description of the fault (UTF-8)
    explicit operator bool() const { return fault == FileFault::None; }
};

enum class FileKind { File, Folder, Other };

struct FileInfo {
    FileKind kind = FileKind::File;
    bool symbolicLink = false;  // the name itself is a link (the rest describes its target)
    std::uint64_t size = 0;
    double modified = 0;                  // seconds since the epoch
    std::uint32_t mode = 0;               // permission bits
    std::uint64_t device = 0, inode = 0;  // identify a folder already entered
};

struct FolderEntry {
    std::string name;
    FileKind kind = FileKind::File;  // of the link's target for a link
    bool symbolicLink = false;
};

struct MountPoint {
    std::string path;  // ends with "/"
    std::string type;  // the file system type, e.g. ext4, vfat, nfs4
};

struct DiskSpace {
    std::uint64_t total = 0;
    std::uint64_t free = 0;  // what an ordinary user may still write
};

// The desktop's and the system's folders that scripts ask for by name.
enum class UserFolder {
    Home,
    Desktop,
    Documents,
    Favorites,
    StartMenu,
    Programs,
    Startup,
    SendTo,
    Temporary,
    Windows,
    System,
    ProgramFiles,
    Backups,  // where バックアップ keeps copies when no folder is named
};

// Held from reading a file to writing it back (FileSystem::lockForUpdate);
// released when destroyed.
class FileUpdateLock {
  public:
    virtual ~FileUpdateLock() = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual bool readFile(const std::string& path, std::string& bytes) = 0;
    // Makes `bytes` the whole content of the file at `path`. The bytes go to a
    // temporary file in the same folder that is then renamed over the target,
    // so a crash or a full disk never leaves a half-written file where a good
    // one stood. File systems that must not change (the fuzzers' empty disk)
    // keep this default, which refuses.
    virtual FileStatus writeFile(const std::string& path, std::string_view bytes) {
        (void)path, (void)bytes;
        return {FileFault::Denied, "this file system cannot be written"};
    }
    // Waits until no other process is changing the file at `path` (the file
    // its links lead to) and keeps others waiting while `lock` is held. A
    // writer that reads a file, changes it and writes it back holds it
    // throughout, so that changes made at the same time are not lost.
    // File systems no other process sees keep this default: no lock needed.
    virtual FileStatus lockForUpdate(const std::string& path,
                                     std::unique_ptr<FileUpdateLock>& lock) {
        (void)path;
        lock.reset();
        return {};
    }
    virtual bool fileExists(const std::string& path) = 0;  // a file of any kind
    virtual bool folderExists(const std::string& path) = 0;
    virtual std::string currentFolder() = 0;
    virtual bool setCurrentFolder(const std::string& path) = 0;
    virtual std::string executablePath() = 0;
    // Last-modified time of a file as seconds since the epoch, or nothing.
    virtual std::optional<double> modifiedTime(const std::string& path) = 0;

    // ---- what the file and folder commands need ------------------------------
    // The changing calls below default to refusing, like writeFile, so a file
    // system that must not change only implements the reading ones.

    // What stands at a path, following symbolic links; a link whose target is
    // missing is reported as Other with symbolicLink set. Nothing when the
    // path names nothing at all.
    virtual std::optional<FileInfo> fileInfo(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
    // The names in a folder (without "." and ".."), sorted by their bytes.
    virtual FileStatus listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
        (void)path, entries.clear();
        return {FileFault::NotFound, "this file system has no folders"};
    }
    // Adds the bytes to the end of the file (created when missing) with one
    // write; a write that fails part-way is cut back, so the file is either
    // as before or holds all of the bytes.
    virtual FileStatus appendFile(const std::string& path, std::string_view bytes) {
        (void)path, (void)bytes;
        return refused();
    }
    // Copies a file or a whole folder tree to `to` (the new name, not the
    // folder to put it in). Files already at `to` are replaced one by one,
    // each atomically; symbolic links are copied as links, never followed, so
    // a tree holding a link loop copies in finite time.
    virtual FileStatus copyTree(const std::string& from, const std::string& to) {
        (void)from, (void)to;
        return refused();
    }
    // Renames; across file systems the tree is copied and then removed.
    virtual FileStatus moveTree(const std::string& from, const std::string& to) {
        (void)from, (void)to;
        return refused();
    }
    // Removes a file, a link (not what it points to) or a folder tree.
    virtual FileStatus removeTree(const std::string& path) {
        (void)path;
        return refused();
    }
    // Makes the folder and any missing parents; an existing folder is fine.
    virtual FileStatus makeFolders(const std::string& path) {
        (void)path;
        return refused();
    }
    // Moves a file or folder to the desktop's Trash (freedesktop.org layout
    // under $XDG_DATA_HOME/Trash), from which the user can put it back.
    virtual FileStatus moveToTrash(const std::string& path) {
        (void)path;
        return refused();
    }
    // Makes a symbolic link at `linkPath` pointing to `target`.
    virtual FileStatus makeLink(const std::string& target, const std::string& linkPath) {
        (void)target, (void)linkPath;
        return refused();
    }
    // Sets the permission bits (the low 12 bits of `mode`).
    virtual FileStatus setPermissions(const std::string& path, std::uint32_t mode) {
        (void)path, (void)mode;
        return refused();
    }
    // Where a path leads, as an absolute path with no links, no "." or ".."
    // steps and no doubled slashes: each link on the way is followed as the
    // system follows it (the last part too when followLast, also a link to a
    // place not made yet), and parts that do not exist are kept as written.
    // Two paths that lead to one place give the same text, which is how the
    // commands tell places apart that must not be touched.
    virtual std::string resolvedPlace(const std::string& path, bool followLast) {
        (void)followLast;
        return path;
    }
    // A folder of the user's desktop or of the system, ending with "/";
    // empty when this file system has none.
    virtual std::string userFolder(UserFolder which) {
        (void)which;
        return {};
    }
    // The mounted file systems that hold files (not the kernel's virtual
    // ones), in mount order.
    virtual std::vector<MountPoint> mountPoints() { return {}; }
    // The size and free room of the file system holding `path`.
    virtual std::optional<DiskSpace> diskSpace(const std::string& path) {
        (void)path;
        return std::nullopt;
    }

  protected:
    static FileStatus refused() {
        return {FileFault::Denied, "this file system cannot be changed"};
    }
};

}  // namespace qel
