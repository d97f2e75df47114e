// The file system as scripts reach it, on POSIX calls.
#pragma once

#include <ctime>

#include "platform/ports/platform.h"

namespace qel {

class PosixFileSystem : public FileSystem {
  public:
    bool readFile(const std::string& path, std::string& bytes) override;
    FileStatus writeFile(const std::string& path, std::string_view bytes) override;
    FileStatus lockForUpdate(const std::string& path,
                             std::unique_ptr<FileUpdateLock>& lock) override;
    bool fileExists(const std::string& path) override;
    bool folderExists(const std::string& path) override;
    std::string currentFolder() override;
    bool setCurrentFolder(const std::string& path) override;
    std::string executablePath() override;
    std::optional<double> modifiedTime(const std::string& path) override;

    std::optional<FileInfo> fileInfo(const std::string& path) override;
    FileStatus listFolder(const std::string& path, std::vector<FolderEntry>& entries) override;
    FileStatus appendFile(const std::string& path, std::string_view bytes) override;
    FileStatus copyTree(const std::string& from, const std::string& to) override;
    FileStatus moveTree(const std::string& from, const std::string& to) override;
    FileStatus removeTree(const std::string& path) override;
    FileStatus makeFolders(const std::string& path) override;
    FileStatus moveToTrash(const std::string& path) override;
    FileStatus makeLink(const std::string& target, const std::string& linkPath) override;
    FileStatus setPermissions(const std::string& path, std::uint32_t mode) override;
    std::string resolvedPlace(const std::string& path, bool followLast) override;
    std::string userFolder(UserFolder which) override;
    std::vector<MountPoint> mountPoints() override;
    std::optional<DiskSpace> diskSpace(const std::string& path) override;

    // A folder that the temporary folder answers instead of the system's
    // (a stand-alone application's private folder of attached files).
    void setTemporaryFolder(std::string folder) { temporaryFolder_ = std::move(folder); }

  private:
    std::string temporaryFolder_;
};

// The pieces of the desktop's conventions that the file system follows, kept
// apart from the calls so that tests can hold them against known texts.
namespace posix_files {
// The Trash's record of a trashed file: the [Trash Info] group with the
// original absolute path percent-encoded (RFC 3986 unreserved bytes and "/"
// stay as they are) and the deletion time in local time, YYYY-MM-DDThh:mm:ss.
std::string trashInfoText(const std::string& absolutePath, std::time_t deletedAt);
// The folder named by a line of user-dirs.dirs ("XDG_DESKTOP_DIR") in that
// file's text, with $HOME expanded; empty when the file does not name it.
std::string userDirFromConfig(const std::string& configText, const std::string& key,
                              const std::string& home);
// The mount points in the text of /proc/self/mounts that hold files,
// with the octal escapes (\040 for a blank) undone.
std::vector<MountPoint> mountPointsFromTable(const std::string& mountsText);
}  // namespace posix_files

}  // namespace qel
