#include "platform/linux/file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <vector>

namespace qel::file_replacement {

namespace {

// As many links as the system itself follows before it calls it a loop.
constexpr int kMostLinks = 40;

// The system's own words, as the file commands have always reported them.
FileStatus systemFault(int error) {
    FileFault fault = FileFault::Other;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
            fault = FileFault::NotFound;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case ELOOP:
            fault = FileFault::Denied;
            break;
        default:
            break;
    }
    return {fault, std::strerror(error)};
}

FileStatus refusal(const std::string& path, const char* why) {
    return {FileFault::Denied, path + ": " + why};
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
    std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end - start);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string readLink(const std::string& path) {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = readlink(path.c_str(), buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), std::size_t(n)) : std::string();
}

// The step a link takes: its text, read from the folder the link stands in.
std::string nextInChain(const std::string& link) {
    std::string pointed = readLink(link);
    if (pointed.empty() || pointed[0] == '/') return pointed;
    const std::string folder = parentOf(link);
    return folder == "." ? pointed : joinPath(folder, pointed);
}

std::string randomPart() {
    static std::mt19937_64 generator{
        std::random_device{}() ^ std::uint64_t(getpid()) << 32 ^
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())};
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string part;
    for (int i = 0; i < 8; ++i) part += kLetters[generator() % (sizeof kLetters - 1)];
    return part;
}

// A temporary's name: the prefix, the writer's process number, then "+" for
// one that was locked before it had a name (an unnamed file linked in) or
// "-" for one made under its name and locked just after.
constexpr char kLockedFromBirth = '+';
constexpr char kNamedFirst = '-';

std::string ownTemporaryName(const std::string& prefix, char kind) {
    return prefix + std::to_string(getpid()) + kind;
}

bool tryLock(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Whether the process may still be running. A process of another user
// answers EPERM: it exists.
bool processAlive(pid_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno != ESRCH);
}

// Scanning a folder costs a read of all its names; a temporary becomes
// stale only after a minute, so once a minute per folder is enough.
bool cleanedRecently(const std::string& folder) {
    static std::map<std::string, std::chrono::steady_clock::time_point> lastCleaned;
    auto now = std::chrono::steady_clock::now();
    auto found = lastCleaned.find(folder);
    if (found != lastCleaned.end() && now - found->second < std::chrono::seconds(60)) return true;
    if (lastCleaned.size() > 256) lastCleaned.clear();
    lastCleaned[folder] = now;
    return false;
}

bool isRemovableTemporary(int folderFd, const std::string& name, const std::string& prefix,
                          double minimumAgeSeconds) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    std::size_t at = prefix.size();
    pid_t pid = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < 100000000)
        pid = pid * 10 + (name[at++] - '0');
    if (at == prefix.size() || at >= name.size()) return false;
    const char kind = name[at];
    if (kind != kLockedFromBirth && kind != kNamedFirst) return false;
    if (pid == getpid() || processAlive(pid)) return false;
    struct stat info {};
    if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (kind == kNamedFirst) {
        const double age = double(std::time(nullptr)) - double(info.st_mtim.tv_sec);
        if (age < minimumAgeSeconds) return false;
    }
    // The writer's process number means nothing to a writer on another
    // machine or in another process namespace; its lock does.
    int fd = openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

}  // namespace

mode_t newFileMode() {
    // The umask can only be read by setting it; the runtime runs scripts on
    // one thread, so putting it straight back is safe.
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

FileStatus resolve(const std::string& path, Destination& destination) {
    destination = Destination{};
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0) {
            const int error = errno;
            if (error == ELOOP) return refusal(path, "the symbolic links lead round in a loop");
            if (error == ENOENT && links > 0)
                return refusal(path,
                               ("the symbolic link leads to nothing (" + current + ")").c_str());
            if (error != ENOENT) return systemFault(error);
            // Nothing stands here: a new file (its folder is checked when it is made).
            destination.path = current;
            return {};
        }
        if (S_ISLNK(info.st_mode)) {
            if (links == kMostLinks)
                return refusal(path, "the symbolic links lead round in a loop");
            std::string next = nextInChain(current);
            if (next.empty()) return systemFault(errno ? errno : EINVAL);
            current = next;
            continue;
        }
        if (S_ISDIR(info.st_mode)) return systemFault(EISDIR);
        if (!S_ISREG(info.st_mode))
            return refusal(path, "not a regular file (a pipe, socket or device is never replaced)");
        destination.path = current;
        destination.exists = true;
        destination.info = info;
        return {};
    }
}

void removeStaleTemporaries(const std::string& folder, const std::string& prefix,
                            double minimumAgeSeconds) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const int folderFd = dirfd(dir);
    std::vector<std::string> stale;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (isRemovableTemporary(folderFd, name, prefix, minimumAgeSeconds))
            stale.push_back(std::move(name));
    }
    for (const std::string& name : stale) unlinkat(folderFd, name.c_str(), 0);
    closedir(dir);
}

Replacement::~Replacement() {
    discard();
}

void Replacement::discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
}

FileStatus Replacement::open(const Destination& destination, mode_t mode, bool keepOwner) {
    discard();
    target_ = destination.path;
    folder_ = parentOf(target_);
    if (!cleanedRecently(folder_)) removeStaleTemporaries(folder_, prefix_);
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    unnamed_ = fd_ >= 0;
    if (fd_ < 0) {
        const int error = errno;
        // File systems without unnamed files say so in one of these ways.
        if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL) return systemFault(error);
        if (FileStatus made = openNamed(); !made) return made;
    }
    // Locked before anyone can see it, so no cleaner takes it for stale.
    tryLock(fd_, LOCK_EX);
    fchmod(fd_, mode & 07777);
    const struct stat& old = destination.info;
    if (keepOwner && destination.exists && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        [[maybe_unused]] int ignored = fchown(fd_, old.st_uid, old.st_gid);
    }
    return {};
}

FileStatus Replacement::openNamed() {
    temp_ = joinPath(folder_, ownTemporaryName(prefix_, kNamedFirst) + "XXXXXX");
    fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        temp_.clear();
        return systemFault(error);
    }
    return {};
}

bool Replacement::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

// Gives the unnamed file a hidden name in the folder, from which it is
// renamed into place (a link cannot replace an existing name).
FileStatus Replacement::linkUnnamed(std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = joinPath(folder_, ownTemporaryName(prefix_, kLockedFromBirth) + randomPart());
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return {};
        int error = errno;
        // Without /proc, the same link through the descriptor itself (which
        // needs a privilege ordinary users lack).
        if (error == ENOENT && linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
            return {};
        if (error == ENOENT) error = errno;
        if (error != EEXIST) return systemFault(error);
    }
    return systemFault(EEXIST);
}

FileStatus Replacement::publish(bool syncFolder) {
    if (fsync(fd_) != 0) {
        const int error = errno;
        discard();
        return systemFault(error);
    }
    // Held open across the rename, the old file is freed when it is closed
    // after it rather than inside the rename: a big file takes a while to
    // free, and the hidden name should be visible for as short a time as
    // can be.
    const int old = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    FileStatus status;
    if (unnamed_) {
        std::string name;
        status = linkUnnamed(name);
        if (status) temp_ = name;
    }
    if (status && rename(temp_.c_str(), target_.c_str()) != 0) status = systemFault(errno);
    if (old >= 0) close(old);
    if (!status) {
        discard();
        return status;
    }
    temp_.clear();
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) return systemFault(errno);
    if (syncFolder) {
        int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            fsync(folder);
            close(folder);
        }
    }
    return {};
}

std::string lockPathFor(const std::string& finalPath) {
    return joinPath(parentOf(finalPath), "." + baseNameOf(finalPath) + ".qel-lock");
}

UpdateLock::~UpdateLock() {
    if (fd_ < 0) return;
    // Removed while still held: a process waiting for it finds, once it has
    // the lock, that the name no longer leads to its file, and starts over.
    unlink(lockPath_.c_str());
    close(fd_);
}

FileStatus UpdateLock::lock(const std::string& path) {
    Destination destination;
    if (FileStatus status = resolve(path, destination); !status) return status;
    lockPath_ = lockPathFor(destination.path);
    for (;;) {
        int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return systemFault(errno);
        if (!tryLock(fd, LOCK_EX)) {
            const int error = errno;
            close(fd);
            return systemFault(error);
        }
        struct stat held {
        }, named{};
        if (fstat(fd, &held) == 0 && stat(lockPath_.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            fd_ = fd;
            return {};
        }
        close(fd);
    }
}

}  // namespace qel::file_replacement
