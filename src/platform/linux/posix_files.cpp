#include "platform/linux/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The permission bits a newly created file gets (0666 less the umask). The
// umask can only be read by setting it; the runtime runs scripts on one
// thread, so putting it straight back is safe.
mode_t newFileMode() {
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

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

}  // namespace

bool PosixFileSystem::readFile(const std::string& path, std::string& bytes) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

FileStatus PosixFileSystem::writeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return faultFromErrno(ENOENT);
    // Through a symbolic link the file it points to is replaced, not the link.
    std::string target = path;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return faultFromErrno(EISDIR);

    const std::size_t slash = target.rfind('/');
    std::string temp = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    temp += ".qel-write-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return faultFromErrno(errno);

    // The replacement keeps the permissions (and, where allowed, the owner)
    // of the file it replaces; a new file gets the usual ones.
    fchmod(fd, exists ? (info.st_mode & 07777) : newFileMode());
    if (exists && (info.st_uid != geteuid() || info.st_gid != getegid())) {
        [[maybe_unused]] int ignored = fchown(fd, info.st_uid, info.st_gid);
    }

    int error = 0;
    if (!writeAll(fd, bytes) || fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return faultFromErrno(error);
    }
    return {};
}

bool PosixFileSystem::fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::folderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PosixFileSystem::currentFolder() {
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size())) return {};
    std::string folder(buf.data());
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool PosixFileSystem::setCurrentFolder(const std::string& path) { return chdir(path.c_str()) == 0; }

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

}  // namespace qel
