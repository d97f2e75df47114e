#include "platform/linux/posix_files.h"

#include "platform/linux/file_replacement.h"
#include "text/text.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace qel {

namespace {

FileStatus faultFromErrno(int error) {
    FileFault fault = FileFault::Other;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            fault = FileFault::NotFound;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            fault = FileFault::Denied;
            break;
        default:
            break;
    }
    return {fault, std::strerror(error)};
}

using file_replacement::newFileMode;

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= std::size_t(n);
    }
    return true;
}

FileStatus ok() {
    return {};
}

// A name the system cannot take: empty, or holding a NUL character, which
// would silently cut the name short and reach a different file.
bool unusable(const std::string& path) {
    return path.empty() || path.find('\0') != std::string::npos;
}

FileStatus lastFault() {
    return faultFromErrno(errno);
}

std::string parentOf(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    std::size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    std::size_t slash = path.rfind('/', end - 1);
    return path.substr(slash == std::string::npos ? 0 : slash + 1,
                       end - (slash == std::string::npos ? 0 : slash + 1));
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size())) return path;
    return joinPath(buf.data(), path);
}

// The absolute path with its "." and ".." steps and doubled slashes taken
// out on the text (links are not followed): how the Trash records where a
// file came from.
std::string cleanAbsolutePath(const std::string& path) {
    std::vector<std::string> parts;
    for (std::string& step : text::splitNonEmpty(absolutePath(path), '/')) {
        if (step == ".") continue;
        if (step == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(std::move(step));
    }
    return "/" + text::join(parts, "/");
}

// The real path of the nearest existing ancestor, followed by the parts that
// do not exist yet: where a path that may not exist would land.
std::string resolvedPath(const std::string& path) {
    std::string existing = absolutePath(path);
    std::string rest;
    while (true) {
        if (char* real = realpath(existing.c_str(), nullptr)) {
            std::string result = real;
            std::free(real);
            return rest.empty() ? result : joinPath(result, rest);
        }
        if (existing == "/" || existing.empty()) return absolutePath(path);
        std::string base = baseNameOf(existing);
        rest = rest.empty() ? base : base + "/" + rest;
        existing = parentOf(existing);
    }
}

// A file whose write permission is taken away stays as it is: replacing it
// through a rename would go round the permission (which the folder's
// permission alone decides), and root passes every permission check.
bool isReadOnlyFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

FileStatus readOnlyFault(const std::string& path) {
    return {FileFault::Denied, path + ": " + std::strerror(EACCES) + " (read-only)"};
}

bool isSameOrInside(const std::string& inner, const std::string& outer) {
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            (outer.back() == '/' || inner[outer.size()] == '/'));
}

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::File;
    if (S_ISDIR(mode)) return FileKind::Folder;
    return FileKind::Other;
}

// Copies one regular file's bytes through a temporary file beside the target
// that is renamed into place, so a failed copy never damages `to`. Where `to`
// is a link, the file it leads to is replaced, as every write does.
FileStatus copyFile(const std::string& from, const std::string& to, mode_t mode) {
    file_replacement::Destination destination;
    if (FileStatus status = file_replacement::resolve(to, destination); !status) return status;
    if (destination.exists && isReadOnlyFile(destination.path)) return readOnlyFault(to);
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return lastFault();
    // A copy has the permissions of its original and belongs to whoever made it.
    file_replacement::Replacement replacement(".qel-copy-");
    if (FileStatus opened = replacement.open(destination, mode, false); !opened) {
        close(in);
        return opened;
    }
    int error = 0;
    std::vector<char> buffer(1 << 16);
    while (true) {
        ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0) break;
        if (!replacement.write(std::string_view(buffer.data(), std::size_t(n)))) {
            error = errno;
            break;
        }
    }
    close(in);
    if (error != 0) return faultFromErrno(error);
    return replacement.publish();
}

// A pipe, a socket or a device: never replaced by a rename. (Links and
// copied links may take each other's place; a link holds no data.)
bool isSpecialFile(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode) &&
           !S_ISDIR(info.st_mode);
}

FileStatus specialFileFault(const std::string& path) {
    return {FileFault::Denied,
            path + ": not a regular file (a pipe, socket or device is never replaced)"};
}

FileStatus copyLink(const std::string& from, const std::string& to) {
    if (isReadOnlyFile(to)) return readOnlyFault(to);
    if (isSpecialFile(to)) return specialFileFault(to);
    std::vector<char> buf(4096);
    ssize_t n = readlink(from.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) return lastFault();
    std::string target(buf.data(), std::size_t(n));
    // Made under a temporary name and renamed over the old one, as files are.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = joinPath(
            parentOf(to), ".qel-link-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
        if (symlink(target.c_str(), temp.c_str()) != 0) {
            if (errno == EEXIST) continue;
            return lastFault();
        }
        if (rename(temp.c_str(), to.c_str()) != 0) {
            int error = errno;
            unlink(temp.c_str());
            return faultFromErrno(error);
        }
        return ok();
    }
    return faultFromErrno(EEXIST);
}

FileStatus copyNode(const std::string& from, const std::string& to);

// The names in a folder, without "." and ".."; false (errno set) when it
// cannot be read. Read whole before anything changes the folder.
bool namesIn(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    closedir(dir);
    return true;
}

FileStatus copyFolder(const std::string& from, const std::string& to, mode_t mode) {
    struct stat there {};
    if (lstat(to.c_str(), &there) == 0) {
        if (!S_ISDIR(there.st_mode)) return faultFromErrno(ENOTDIR);
    } else if (mkdir(to.c_str(), 0700) != 0) {
        return lastFault();
    }
    std::vector<std::string> names;
    if (!namesIn(from, names)) return lastFault();
    for (const std::string& name : names) {
        FileStatus status = copyNode(joinPath(from, name), joinPath(to, name));
        if (!status) return status;
    }
    chmod(to.c_str(), (mode & 07777) | 0700);
    return ok();
}

FileStatus copyNode(const std::string& from, const std::string& to) {
    struct stat info {};
    if (lstat(from.c_str(), &info) != 0) return lastFault();
    if (S_ISLNK(info.st_mode)) return copyLink(from, to);
    if (S_ISREG(info.st_mode)) return copyFile(from, to, info.st_mode);
    if (S_ISDIR(info.st_mode)) return copyFolder(from, to, info.st_mode);
    // Pipes and devices have no content to copy; opening a pipe would wait.
    return {FileFault::Other, from + ": not a regular file or folder"};
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (!home.empty()) return home;
    if (passwd* entry = getpwuid(getuid())) return entry->pw_dir;
    return "/";
}

std::string dataHome() {
    std::string data = environment("XDG_DATA_HOME");
    return data.empty() || data[0] != '/' ? homeFolder() + "/.local/share" : data;
}

std::string configHome() {
    std::string config = environment("XDG_CONFIG_HOME");
    return config.empty() || config[0] != '/' ? homeFolder() + "/.config" : config;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string userDir(const char* key, const char* fallback) {
    std::string config;
    std::ifstream in(configHome() + "/user-dirs.dirs", std::ios::binary);
    if (in) config.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::string home = homeFolder();
    std::string folder = posix_files::userDirFromConfig(config, key, home);
    return withSlash(folder.empty() ? joinPath(home, fallback) : folder);
}

}  // namespace

bool PosixFileSystem::readFile(const std::string& path, std::string& bytes) {
    struct stat info {};
    if (unusable(path) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // In blocks: a character at a time costs more than the disk for large
    // files. The size is only a hint (the file may change while it is read).
    bytes.clear();
    bytes.reserve(std::size_t(info.st_size));
    std::vector<char> block(1 << 16);
    while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) {
        bytes.append(block.data(), std::size_t(in.gcount()));
    }
    return !in.bad();
}

FileStatus PosixFileSystem::writeFile(const std::string& path, std::string_view bytes) {
    if (unusable(path)) return faultFromErrno(ENOENT);
    file_replacement::Destination destination;
    if (FileStatus status = file_replacement::resolve(path, destination); !status) return status;
    if (destination.exists && isReadOnlyFile(destination.path)) return readOnlyFault(path);
    // The replacement keeps the permissions (and, where allowed, the owner)
    // of the file it replaces; a new file gets the usual ones.
    file_replacement::Replacement replacement;
    const mode_t mode = destination.exists ? destination.info.st_mode : newFileMode();
    if (FileStatus opened = replacement.open(destination, mode); !opened) return opened;
    if (!replacement.write(bytes)) return lastFault();
    return replacement.publish();
}

namespace {

class CompanionFileLock : public FileUpdateLock {
  public:
    file_replacement::UpdateLock held;
};

}  // namespace

FileStatus PosixFileSystem::lockForUpdate(const std::string& path,
                                          std::unique_ptr<FileUpdateLock>& lock) {
    lock.reset();
    if (unusable(path)) return faultFromErrno(ENOENT);
    auto taken = std::make_unique<CompanionFileLock>();
    if (FileStatus status = taken->held.lock(path); !status) return status;
    lock = std::move(taken);
    return ok();
}

bool PosixFileSystem::fileExists(const std::string& path) {
    struct stat info {};
    return !unusable(path) && stat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::folderExists(const std::string& path) {
    struct stat info {};
    return !unusable(path) && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PosixFileSystem::currentFolder() {
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size())) return {};
    std::string folder(buf.data());
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool PosixFileSystem::setCurrentFolder(const std::string& path) {
    return !unusable(path) && chdir(path.c_str()) == 0;
}

std::string PosixFileSystem::executablePath() {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), std::size_t(n)) : std::string();
}

std::optional<double> PosixFileSystem::modifiedTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
}

std::optional<FileInfo> PosixFileSystem::fileInfo(const std::string& path) {
    if (unusable(path)) return std::nullopt;
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0) return std::nullopt;
    FileInfo result;
    result.symbolicLink = S_ISLNK(link.st_mode);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        result.kind = FileKind::Other;  // a link to nothing
        info = link;
    } else {
        result.kind = kindOf(info.st_mode);
    }
    result.size = std::uint64_t(info.st_size);
    result.modified = double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
    result.mode = info.st_mode & 07777;
    result.device = info.st_dev;
    result.inode = info.st_ino;
    return result;
}

FileStatus PosixFileSystem::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (!path.empty() && unusable(path)) return faultFromErrno(ENOENT);
    DIR* dir = opendir(path.empty() ? "." : path.c_str());
    if (!dir) return lastFault();
    const int fd = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry item;
        item.name = name;
        struct stat info {};
        if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
            item.symbolicLink = true;
            item.kind =
                fstatat(fd, name.c_str(), &info, 0) == 0 ? kindOf(info.st_mode) : FileKind::Other;
        } else {
            item.kind = kindOf(info.st_mode);
        }
        entries.push_back(std::move(item));
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return ok();
}

FileStatus PosixFileSystem::appendFile(const std::string& path, std::string_view bytes) {
    if (unusable(path)) return faultFromErrno(ENOENT);
    // Added to where the links lead, under the rule every write keeps.
    file_replacement::Destination destination;
    if (FileStatus status = file_replacement::resolve(path, destination); !status) return status;
    // Non-blocking and not through a link, so that whatever took the file's
    // place since it was looked at fails at once instead of waiting (a pipe
    // with no reader) or leading elsewhere; only regular files are added to.
    int fd =
        open(destination.path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, newFileMode());
    if (fd < 0) return lastFault();
    struct stat before {};
    if (fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        close(fd);
        return {FileFault::Denied, path + ": not a regular file"};
    }
    if ((before.st_mode & 0222) == 0) {
        close(fd);
        return readOnlyFault(path);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int error = 0;
    if (!writeAll(fd, bytes) || fsync(fd) != 0) {
        error = errno;
        // A disk that filled part-way through keeps the file as it was.
        [[maybe_unused]] int ignored = ftruncate(fd, before.st_size);
    }
    if (close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? ok() : faultFromErrno(error);
}

FileStatus PosixFileSystem::copyTree(const std::string& from, const std::string& to) {
    struct stat info {};
    if (unusable(from) || unusable(to)) return faultFromErrno(ENOENT);
    if (lstat(from.c_str(), &info) != 0) return lastFault();
    if (S_ISDIR(info.st_mode) && isSameOrInside(resolvedPath(to), resolvedPath(from))) {
        return {FileFault::Denied, "a folder cannot be copied into itself"};
    }
    if (!S_ISDIR(info.st_mode) && resolvedPath(to) == resolvedPath(from)) return ok();
    return copyNode(from, to);
}

FileStatus PosixFileSystem::moveTree(const std::string& from, const std::string& to) {
    if (unusable(from) || unusable(to)) return faultFromErrno(ENOENT);
    struct stat info {};
    if (lstat(from.c_str(), &info) != 0) return lastFault();
    if (S_ISDIR(info.st_mode) && resolvedPath(to) != resolvedPath(from) &&
        isSameOrInside(resolvedPath(to), resolvedPath(from))) {
        return {FileFault::Denied, "a folder cannot be moved into itself"};
    }
    if (isReadOnlyFile(to)) return readOnlyFault(to);
    if (isSpecialFile(to)) return specialFileFault(to);
    if (rename(from.c_str(), to.c_str()) == 0) return ok();
    const int error = errno;
    // Another file system, or a folder onto a folder that already holds
    // files: copy (merging) and remove the original once all of it arrived.
    if (error != EXDEV && !(S_ISDIR(info.st_mode) && (error == ENOTEMPTY || error == EEXIST))) {
        return faultFromErrno(error);
    }
    FileStatus copied = copyTree(from, to);
    if (!copied) return copied;
    return removeTree(from);
}

FileStatus PosixFileSystem::removeTree(const std::string& path) {
    struct stat info {};
    if (unusable(path)) return faultFromErrno(ENOENT);
    if (lstat(path.c_str(), &info) != 0) return lastFault();
    if (!S_ISDIR(info.st_mode)) return unlink(path.c_str()) == 0 ? ok() : lastFault();
    std::vector<std::string> names;
    if (!namesIn(path, names)) return lastFault();
    for (const std::string& name : names) {
        FileStatus status = removeTree(joinPath(path, name));
        if (!status) return status;
    }
    return rmdir(path.c_str()) == 0 ? ok() : lastFault();
}

FileStatus PosixFileSystem::makeFolders(const std::string& path) {
    if (unusable(path)) return faultFromErrno(ENOENT);
    std::string built;
    std::size_t start = 0;
    if (path[0] == '/') {
        built = "/";
        start = 1;
    }
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        built = built.empty() || built.back() == '/' ? built + part : built + "/" + part;
        if (mkdir(built.c_str(), 0777) != 0 && errno != EEXIST) return lastFault();
        struct stat info {};
        if (stat(built.c_str(), &info) != 0) return lastFault();
        if (!S_ISDIR(info.st_mode)) return faultFromErrno(ENOTDIR);
    }
    return ok();
}

FileStatus PosixFileSystem::moveToTrash(const std::string& path) {
    struct stat info {};
    if (unusable(path)) return faultFromErrno(ENOENT);
    if (lstat(path.c_str(), &info) != 0) return lastFault();
    const std::string original = cleanAbsolutePath(path);
    const std::string trash = dataHome() + "/Trash";
    for (const char* part : {"", "/files", "/info"}) {
        std::string folder = trash + part;
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            FileStatus status = makeFolders(folder);
            if (!status) return status;
        }
    }
    const std::string base = baseNameOf(original);
    // The info file is made first, exclusively: it reserves the name, so two
    // programs trashing files of the same name at once cannot collide.
    for (int n = 1; n < 10000; ++n) {
        std::string name = n == 1 ? base : base + "." + std::to_string(n);
        std::string infoPath = trash + "/info/" + name + ".trashinfo";
        std::string filesPath = trash + "/files/" + name;
        struct stat taken {};
        if (lstat(filesPath.c_str(), &taken) == 0) continue;
        int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return lastFault();
        }
        std::string text = posix_files::trashInfoText(original, std::time(nullptr));
        int error = 0;
        if (!writeAll(fd, text) || fsync(fd) != 0) error = errno;
        if (close(fd) != 0 && error == 0) error = errno;
        if (error == 0) {
            FileStatus moved = moveTree(path, filesPath);
            if (moved) return moved;
            unlink(infoPath.c_str());
            return moved;
        }
        unlink(infoPath.c_str());
        return faultFromErrno(error);
    }
    return faultFromErrno(EEXIST);
}

FileStatus PosixFileSystem::makeLink(const std::string& target, const std::string& linkPath) {
    if (unusable(target) || unusable(linkPath)) return faultFromErrno(ENOENT);
    return symlink(target.c_str(), linkPath.c_str()) == 0 ? ok() : lastFault();
}

FileStatus PosixFileSystem::setPermissions(const std::string& path, std::uint32_t mode) {
    if (unusable(path)) return faultFromErrno(ENOENT);
    return chmod(path.c_str(), mode_t(mode & 07777)) == 0 ? ok() : lastFault();
}

std::string PosixFileSystem::resolvedPlace(const std::string& path, bool followLast) {
    // The parts are walked one at a time, as the system walks them, so that
    // ".." after a link climbs from where the link leads. A part that does
    // not exist ends the walk on the disk; the rest is joined on the text.
    constexpr int kMaxLinks = 40;      // the system's own limit (ELOOP)
    std::vector<std::string> pending;  // the parts still to walk, last first
    auto pushParts = [&pending](const std::string& text) {
        // A last empty part (the text ends in "/") names a folder.
        std::vector<std::string> parts = text::split(text, "/");
        pending.insert(pending.end(), parts.rbegin(), parts.rend());
    };
    pushParts(absolutePath(path));
    std::string done = "/";
    bool onDisk = true;
    int links = 0;
    while (!pending.empty()) {
        std::string part = std::move(pending.back());
        pending.pop_back();
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            done = parentOf(done);
            continue;
        }
        std::string next = joinPath(done, part);
        struct stat info {};
        if (onDisk && lstat(next.c_str(), &info) != 0) onDisk = false;
        const bool last = pending.empty();
        if (onDisk && S_ISLNK(info.st_mode) && (followLast || !last) && links < kMaxLinks) {
            std::vector<char> buf(4096);
            ssize_t n = readlink(next.c_str(), buf.data(), buf.size() - 1);
            if (n > 0) {
                ++links;
                std::string target(buf.data(), std::size_t(n));
                if (target[0] == '/') done = "/";
                pushParts(target);
                continue;
            }
        }
        done = next;
    }
    return done;
}

std::string PosixFileSystem::userFolder(UserFolder which) {
    switch (which) {
        case UserFolder::Home:
            return withSlash(homeFolder());
        case UserFolder::Desktop:
            return userDir("XDG_DESKTOP_DIR", "Desktop");
        case UserFolder::Documents:
            return userDir("XDG_DOCUMENTS_DIR", "Documents");
        case UserFolder::Favorites:
            return withSlash(dataHome() + "/qelscript/Favorites");
        case UserFolder::StartMenu:
        case UserFolder::Programs:
            return withSlash(dataHome() + "/applications");
        case UserFolder::Startup:
            return withSlash(configHome() + "/autostart");
        case UserFolder::SendTo:
            return withSlash(dataHome() + "/qelscript/SendTo");
        case UserFolder::Temporary: {
            if (!temporaryFolder_.empty()) return withSlash(temporaryFolder_);
            std::string temp = environment("TMPDIR");
            return withSlash(temp.empty() || temp[0] != '/' ? "/tmp" : temp);
        }
        case UserFolder::Windows:
            return "/etc/";
        case UserFolder::System:
            return "/usr/lib/";
        case UserFolder::ProgramFiles:
            return "/opt/";
        case UserFolder::Backups:
            return withSlash(dataHome() + "/qelscript/backup");
    }
    return {};
}

std::vector<MountPoint> PosixFileSystem::mountPoints() {
    std::ifstream in("/proc/self/mounts", std::ios::binary);
    if (!in) return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return posix_files::mountPointsFromTable(text);
}

namespace posix_files {

std::string trashInfoText(const std::string& absolutePath, std::time_t deletedAt) {
    static const char* hex = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : absolutePath) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            encoded += char(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    std::tm local{};
    localtime_r(&deletedAt, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + date + "\n";
}

std::string userDirFromConfig(const std::string& configText, const std::string& key,
                              const std::string& home) {
    std::istringstream lines(configText);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, key.size(), key) != 0) continue;
        std::size_t eq = line.find('=', start + key.size());
        if (eq == std::string::npos || line.find_first_not_of(" \t", start + key.size()) != eq)
            continue;
        std::size_t open = line.find('"', eq);
        std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close == std::string::npos) continue;
        std::string value = line.substr(open + 1, close - open - 1);
        // Only "$HOME/…" and absolute paths are allowed in this file.
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        } else if (value.empty() || value[0] != '/') {
            continue;
        }
        found = value;
    }
    // "$HOME/" alone means the folder is switched off: it is the home folder.
    while (found.size() > 1 && found.back() == '/') found.pop_back();
    return found;
}

std::vector<MountPoint> mountPointsFromTable(const std::string& mountsText) {
    static const std::set<std::string> virtualTypes = {
        "proc",        "sysfs",      "devtmpfs",    "devpts",    "tmpfs",
        "securityfs",  "cgroup",     "cgroup2",     "pstore",    "bpf",
        "debugfs",     "tracefs",    "mqueue",      "hugetlbfs", "fusectl",
        "configfs",    "autofs",     "binfmt_misc", "nsfs",      "efivarfs",
        "ramfs",       "rpc_pipefs", "selinuxfs",   "squashfs",  "fuse.gvfsd-fuse",
        "fuse.portal", "devfs",      "none",
    };
    auto unescape = [](const std::string& field) {
        std::string out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                field[i + 1] <= '7' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                field[i + 3] >= '0' && field[i + 3] <= '7') {
                out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                            (field[i + 3] - '0'));
                i += 3;
            } else {
                out += field[i];
            }
        }
        return out;
    };
    std::vector<MountPoint> result;
    std::set<std::string> seen;
    std::istringstream lines(mountsText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, target, type;
        if (!(fields >> source >> target >> type)) continue;
        if (virtualTypes.count(type)) continue;
        std::string path = withSlash(unescape(target));
        if (!seen.insert(path).second) continue;
        result.push_back({path, type});
    }
    return result;
}

}  // namespace posix_files

std::optional<DiskSpace> PosixFileSystem::diskSpace(const std::string& path) {
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0) return std::nullopt;
    return DiskSpace{std::uint64_t(info.f_blocks) * info.f_frsize,
                     std::uint64_t(info.f_bavail) * info.f_frsize};
}

}  // namespace qel
