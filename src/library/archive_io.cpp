#include "library/archive_io.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include "core/text/text.h"

namespace qel::archive {

namespace fs = std::filesystem;

namespace {

struct ReaderDeleter {
    void operator()(struct archive* a) const { archive_read_free(a); }
};
struct WriterDeleter {
    void operator()(struct archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Reader = std::unique_ptr<struct archive, ReaderDeleter>;
using Writer = std::unique_ptr<struct archive, WriterDeleter>;
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

constexpr std::size_t kBlock = 64 * 1024;

// libarchive converts names through the current locale; names here are
// UTF-8 whatever the process's locale is, so this thread reads UTF-8 while
// an archive is open.
class Utf8Names {
  public:
    Utf8Names() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale_ = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
            if (locale_) break;
        }
        if (locale_) previous_ = uselocale(locale_);
    }
    ~Utf8Names() {
        if (!locale_) return;
        uselocale(previous_);
        freelocale(locale_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

  private:
    locale_t locale_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
};

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string fileNameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderPartOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Result fail(int code, std::string detail) {
    return {code, std::move(detail)};
}

std::string libraryMessage(struct archive* a, const std::string& fallback) {
    const char* message = archive_error_string(a);
    return message ? std::string(message) : fallback;
}

Type typeByExtension(const std::string& path) {
    const std::string name = lowered(fileNameOf(path));
    for (const char* compound : {".tar.gz", ".tar.bz2", ".tar.xz", ".tar.z"}) {
        if (endsWith(name, compound)) return Type::Tar;
    }
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return Type::None;
    const std::string ext = name.substr(dot + 1);
    if (ext == "lzh") return Type::Lzh;
    if (ext == "cab") return Type::Cab;
    if (ext == "zip") return Type::Zip;
    if (ext == "gca") return Type::Gca;
    if (ext == "rar") return Type::Rar;
    if (ext == "tar" || ext == "taz" || ext == "tgz" || ext == "tb2" || ext == "tbz" || ext == "z")
        return Type::Tar;
    return Type::None;
}

int supportRar(struct archive* a) {
    archive_read_support_format_rar(a);
    return archive_read_support_format_rar5(a);
}

// Whether the readers set up by `support` accept the file's first entry.
bool accepts(const std::string& path, int (*support)(struct archive*)) {
    Reader reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    support(reader.get());
    if (archive_read_open_filename(reader.get(), path.c_str(), kBlock) != ARCHIVE_OK) return false;
    archive_entry* entry = nullptr;
    int result = archive_read_next_header(reader.get(), &entry);
    return result == ARCHIVE_OK || result == ARCHIVE_WARN;
}

Type probe(const std::string& path) {
    struct Candidate {
        Type type;
        int (*support)(struct archive*);
    };
    // The order in which the old archivers were asked.
    const Candidate candidates[] = {
        {Type::Lzh, archive_read_support_format_lha},
        {Type::Zip, archive_read_support_format_zip},
        {Type::Cab, archive_read_support_format_cab},
        {Type::Tar, archive_read_support_format_tar},
        {Type::Rar, supportRar},
        {Type::Other, archive_read_support_format_all},
    };
    for (const auto& candidate : candidates) {
        if (accepts(path, candidate.support)) return candidate.type;
    }
    return Type::None;
}

// ---- extraction ---------------------------------------------------------------

// The entry's name as UTF-8: names that are not UTF-8 come from the old
// system's code page.
std::string entryName(archive_entry* entry) {
    const char* raw = archive_entry_pathname(entry);
    const char* utf8 = raw ? nullptr : archive_entry_pathname_utf8(entry);
    std::string name = raw ? raw : (utf8 ? utf8 : "");
    if (!text::isValidUtf8(name)) name = text::toUtf8(text::fromCp932(name));
    return name;
}

// The parts of a name that stays inside the folder, or nothing for an
// absolute name, a drive name or one that climbs out with "..".
std::optional<std::vector<std::string>> safeParts(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty() || name[0] == '/') return std::nullopt;
    if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = std::min(name.find('/', start), name.size());
        std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::nullopt;
        parts.push_back(part);
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        if (!path.empty()) path += '/';
        path += parts[i];
    }
    return path;
}

// Whether reaching the entry (relative to the current folder, which is the
// target) would pass through a symbolic link or something that is no folder.
bool passesThroughLink(const std::vector<std::string>& parts) {
    for (std::size_t i = 1; i < parts.size(); ++i) {
        struct stat info {};
        if (lstat(joined(parts, i).c_str(), &info) != 0) return false;  // the rest is new
        if (!S_ISDIR(info.st_mode)) return true;
    }
    return false;
}

// A link's target resolved from the link's folder must stay inside. Read
// on the disk (the current folder being the target), a part of the way that
// is itself a link could lead elsewhere than the text says ("d/.." where d
// links to "."), so such a way is refused too.
bool linkStaysInside(const std::vector<std::string>& parts, const std::string& target,
                     bool onDisk) {
    if (target.empty() || target[0] == '/') return false;
    std::vector<std::string> stack(parts.begin(), parts.end() - 1);
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t slash = std::min(target.find('/', start), target.size());
        std::string part = target.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (stack.empty()) return false;
            stack.pop_back();
            continue;
        }
        stack.push_back(part);
        struct stat info {};
        const bool last = start > target.size();
        if (onDisk && !last && lstat(joined(stack, stack.size()).c_str(), &info) == 0 &&
            S_ISLNK(info.st_mode))
            return false;
    }
    return true;
}

// Returns to the folder the process was in when it goes out of scope.
class FolderGuard {
  public:
    FolderGuard() : saved_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~FolderGuard() {
        if (saved_ >= 0) {
            [[maybe_unused]] int ignored = fchdir(saved_);
            close(saved_);
        }
    }
    bool ok() const { return saved_ >= 0; }
    FolderGuard(const FolderGuard&) = delete;
    FolderGuard& operator=(const FolderGuard&) = delete;

  private:
    int saved_;
};

class Extractor {
  public:
    Extractor(const Limits& limits, std::uint64_t archiveSize, std::uint64_t budget)
        : limits_(limits), archiveSize_(archiveSize), budget_(budget) {}

    Result run(struct archive* reader, struct archive* disk) {
        archive_entry* entry = nullptr;
        for (;;) {
            int status = archive_read_next_header(reader, &entry);
            if (status == ARCHIVE_EOF) break;
            if (status < ARCHIVE_WARN)
                return fail(kCannotRead, libraryMessage(reader, "壊れた書庫です。"));
            if (++entries_ > limits_.maxEntries) return fail(kTooLarge, "項目が多すぎます。");
            if (Result r = one(reader, disk, entry); !r) return r;
        }
        return refused_;
    }

  private:
    void refuse(const std::string& name) {
        if (refused_)
            refused_ = fail(kUnsafeEntry, "フォルダの外へ書き出す項目を飛ばしました: " + name);
    }

    Result one(struct archive* reader, struct archive* disk, archive_entry* entry) {
        const std::string name = entryName(entry);
        auto parts = safeParts(name);
        if (!parts) {
            refuse(name);
            return {};
        }
        if (parts->empty()) return {};  // the folder itself
        if (passesThroughLink(*parts)) {
            refuse(name);
            return {};
        }
        const std::string path = joined(*parts, parts->size());
        archive_entry_copy_pathname(entry, path.c_str());
        if (const char* link = archive_entry_hardlink(entry)) {
            auto linkParts = safeParts(link);
            if (!linkParts || linkParts->empty() || passesThroughLink(*linkParts)) {
                refuse(name);
                return {};
            }
            archive_entry_copy_hardlink(entry, joined(*linkParts, linkParts->size()).c_str());
            return writeWhole(disk, entry, path);
        }
        switch (archive_entry_filetype(entry)) {
            case AE_IFDIR:
                return writeWhole(disk, entry, path);
            case AE_IFLNK: {
                const char* target = archive_entry_symlink(entry);
                // A link must not take the place of a folder: links checked
                // earlier may lead through it.
                struct stat info {};
                const bool replacesFolder =
                    lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
                if (!target || replacesFolder || !linkStaysInside(*parts, target, true)) {
                    refuse(name);
                    return {};
                }
                return writeWhole(disk, entry, path);
            }
            case AE_IFREG:
                return writeFile(reader, disk, entry, *parts);
            default:
                return {};  // devices, pipes and sockets are not made
        }
    }

    Result writeWhole(struct archive* disk, archive_entry* entry, const std::string& path) {
        // A folder or link must not replace what a link there points at.
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
            archive_entry_filetype(entry) == AE_IFDIR) {
            refuse(path);
            return {};
        }
        if (archive_write_header(disk, entry) < ARCHIVE_WARN ||
            archive_write_finish_entry(disk) < ARCHIVE_WARN)
            return fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        return {};
    }

    // A file is written under a temporary name beside its place and renamed
    // over it at the end, so an old file of that name survives a failure.
    Result writeFile(struct archive* reader, struct archive* disk, archive_entry* entry,
                     const std::vector<std::string>& parts) {
        const std::string path = joined(parts, parts.size());
        std::string folder = joined(parts, parts.size() - 1);
        std::string temp;
        for (int attempt = 0;; ++attempt) {
            temp = (folder.empty() ? "" : folder + "/") + ".qel-extract-" +
                   std::to_string(getpid()) + "-" + std::to_string(entries_) + "-" +
                   std::to_string(attempt);
            struct stat info {};
            if (lstat(temp.c_str(), &info) != 0) break;
        }
        archive_entry_copy_pathname(entry, temp.c_str());
        if (archive_write_header(disk, entry) < ARCHIVE_WARN)
            return fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        Result copied = copyData(reader, disk, path);
        if (archive_write_finish_entry(disk) < ARCHIVE_WARN && copied)
            copied = fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        if (copied && rename(temp.c_str(), path.c_str()) != 0)
            copied = fail(kWriteFailed, path + ": " + std::strerror(errno));
        if (!copied) unlink(temp.c_str());
        return copied;
    }

    Result copyData(struct archive* reader, struct archive* disk, const std::string& path) {
        const void* block = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        for (;;) {
            int status = archive_read_data_block(reader, &block, &size, &offset);
            if (status == ARCHIVE_EOF) return {};
            if (status < ARCHIVE_WARN)
                return fail(kCannotRead, path + ": " + libraryMessage(reader, "壊れた書庫です。"));
            written_ += size;
            if (written_ > budget_)
                return fail(kTooLarge,
                            path + ": 展開すると大きすぎます（ディスクの空きか上限を超えます）。");
            if (written_ > limits_.ratioFloor &&
                static_cast<double>(written_) >
                    limits_.maxRatio *
                        static_cast<double>(std::max<std::uint64_t>(archiveSize_, 1)))
                return fail(kTooLarge, path + ": 書庫の大きさに比べて展開結果が大きすぎます。");
            if (archive_write_data_block(disk, block, size, offset) < ARCHIVE_WARN)
                return fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        }
    }

    const Limits& limits_;
    std::uint64_t archiveSize_;
    std::uint64_t budget_;
    std::uint64_t written_ = 0;
    std::uint64_t entries_ = 0;
    Result refused_;
};

// What extraction may write into the folder's disk, keeping a reserve.
std::uint64_t writableSpace(const std::string& folder, std::uint64_t keepFree) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) return UINT64_MAX;
    const std::uint64_t free = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    const std::uint64_t total = static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize;
    const std::uint64_t reserve = std::min(keepFree, total / 100);
    return free > reserve ? free - reserve : 0;
}

// ---- writing ---------------------------------------------------------------------

bool setWriteFormat(struct archive* writer, Type type, const std::string& path) {
    if (type == Type::Zip) {
        archive_write_set_format_zip(writer);
        // Names are stored as UTF-8 and marked so.
        archive_write_set_format_option(writer, "zip", "hdrcharset", "UTF-8");
        return true;
    }
    if (type != Type::Tar) return false;
    archive_write_set_format_pax_restricted(writer);
    const std::string name = lowered(fileNameOf(path));
    if (endsWith(name, ".tgz") || endsWith(name, ".tar.gz"))
        archive_write_add_filter_gzip(writer);
    else if (endsWith(name, ".tb2") || endsWith(name, ".tbz") || endsWith(name, ".tar.bz2"))
        archive_write_add_filter_bzip2(writer);
    else if (endsWith(name, ".taz") || endsWith(name, ".z"))
        archive_write_add_filter_compress(writer);
    else if (endsWith(name, ".tar.xz"))
        archive_write_add_filter_xz(writer);
    return true;
}

Result addMember(struct archive* writer, const Member& member) {
    struct stat info {};
    if (lstat(member.path.c_str(), &info) != 0)
        return fail(kCannotRead, member.path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode)) return {};
    Entry entry(archive_entry_new());
    archive_entry_copy_stat(entry.get(), &info);
    archive_entry_copy_pathname(entry.get(), member.name.c_str());
    int fd = -1;
    if (S_ISLNK(info.st_mode)) {
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        ssize_t n = readlink(member.path.c_str(), target.data(), target.size());
        if (n < 0) return fail(kCannotRead, member.path + ": " + std::strerror(errno));
        target.resize(static_cast<std::size_t>(n));
        archive_entry_copy_symlink(entry.get(), target.c_str());
    } else if (S_ISREG(info.st_mode)) {
        fd = open(member.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return fail(kCannotRead, member.path + ": " + std::strerror(errno));
    }
    Result result;
    if (archive_write_header(writer, entry.get()) < ARCHIVE_WARN) {
        result =
            fail(kCannotWrite, member.path + ": " + libraryMessage(writer, "書き込めません。"));
    } else if (fd >= 0) {
        // The size in the header is what is stored, even if the file grows
        // while it is read.
        std::vector<char> buffer(kBlock);
        la_int64_t left = archive_entry_size(entry.get());
        while (left > 0) {
            ssize_t n = read(fd, buffer.data(),
                             static_cast<std::size_t>(std::min<la_int64_t>(left, kBlock)));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (archive_write_data(writer, buffer.data(), static_cast<std::size_t>(n)) < 0) {
                result = fail(kCannotWrite,
                              member.path + ": " + libraryMessage(writer, "書き込めません。"));
                break;
            }
            left -= n;
        }
    }
    if (fd >= 0) close(fd);
    return result;
}

// Copies the entries of an existing archive that no new member replaces.
Result copyKeptEntries(struct archive* writer, const std::string& archivePath,
                       const std::set<std::string>& replaced) {
    Reader reader(archive_read_new());
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), kBlock) != ARCHIVE_OK)
        return fail(kCannotRead, archivePath + ": " + libraryMessage(reader.get(), "読めません。"));
    archive_entry* entry = nullptr;
    std::vector<char> buffer(kBlock);
    for (;;) {
        int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) return {};
        if (status < ARCHIVE_WARN)
            return fail(kCannotRead,
                        archivePath + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
        std::string name = entryName(entry);
        std::string bare = name;
        while (!bare.empty() && bare.back() == '/') bare.pop_back();
        if (replaced.count(bare)) continue;
        archive_entry_copy_pathname(entry, name.c_str());
        if (archive_write_header(writer, entry) < ARCHIVE_WARN)
            return fail(kCannotWrite, name + ": " + libraryMessage(writer, "書き込めません。"));
        for (;;) {
            la_ssize_t n = archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (n < 0)
                return fail(kCannotRead,
                            name + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
            if (n == 0) break;
            if (archive_write_data(writer, buffer.data(), static_cast<std::size_t>(n)) < 0)
                return fail(kCannotWrite, name + ": " + libraryMessage(writer, "書き込めません。"));
        }
    }
}

// A temporary file beside `path`, renamed over it by commit(); removed
// unless committed.
class PendingFile {
  public:
    explicit PendingFile(const std::string& path) : path_(path) {
        // Through a symbolic link the file it points to is replaced, as
        // every other file the runtime writes.
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            if (char* resolved = realpath(path.c_str(), nullptr)) {
                path_ = resolved;
                std::free(resolved);
            }
        }
        temp_ = folderPartOf(path_) + "/.qel-archive-XXXXXX";
        fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    }
    ~PendingFile() {
        if (fd_ >= 0) close(fd_);
        if (!committed_) unlink(temp_.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    int fd() const { return fd_; }
    const std::string& tempPath() const { return temp_; }

    Result commit(mode_t mode) {
        struct stat info {};
        if (stat(path_.c_str(), &info) == 0)
            mode = info.st_mode & 07777;  // a replaced file keeps its mode
        fchmod(fd_, mode);
        if (fsync(fd_) != 0 || close(fd_) != 0) {
            fd_ = -1;
            return fail(kCannotWrite, path_ + ": " + std::strerror(errno));
        }
        fd_ = -1;
        if (rename(temp_.c_str(), path_.c_str()) != 0)
            return fail(kCannotWrite, path_ + ": " + std::strerror(errno));
        committed_ = true;
        return {};
    }

  private:
    std::string path_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

mode_t withUmask(mode_t mode) {
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~mask;
}

// ---- choosing members ---------------------------------------------------------------

bool hasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

Result expandSource(const std::string& source, std::vector<fs::path>& paths) {
    const std::string name = fileNameOf(source);
    if (!hasWildcard(name)) {
        struct stat info {};
        if (lstat(source.c_str(), &info) != 0) return fail(kCannotRead, source);
        paths.push_back(fs::absolute(source).lexically_normal());
        return {};
    }
    // "*.*" meant every file on the old system, dots or not.
    const std::string pattern = name == "*.*" ? "*" : name;
    const std::string folder = folderPartOf(source);
    std::error_code ec;
    std::vector<fs::path> found;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
        const std::string itemName = item.path().filename().string();
        if (fnmatch(pattern.c_str(), itemName.c_str(), FNM_PERIOD) == 0)
            found.push_back(fs::absolute(item.path()).lexically_normal());
    }
    if (found.empty()) return fail(kCannotRead, source);
    std::sort(found.begin(), found.end());
    paths.insert(paths.end(), found.begin(), found.end());
    return {};
}

fs::path commonFolder(const std::vector<fs::path>& paths) {
    fs::path common = paths.front().parent_path();
    for (const auto& path : paths) {
        fs::path folder = path.parent_path();
        while (!common.empty() && folder.lexically_relative(common).string().rfind("..", 0) == 0) {
            if (common == common.parent_path()) break;
            common = common.parent_path();
        }
    }
    return common;
}

std::string nameUnder(const fs::path& path, const fs::path& base) {
    std::string relative = path.lexically_relative(base).generic_string();
    if (relative.empty() || relative.rfind("..", 0) == 0) return path.filename().string();
    return relative;
}

}  // namespace

Type typeOf(const std::string& path) {
    Utf8Names utf8;
    Type type = typeByExtension(path);
    if (type != Type::None) return type;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Type::None;
    return probe(path);
}

std::string typeName(Type type) {
    switch (type) {
        case Type::Lzh:
            return "lzh";
        case Type::Zip:
            return "zip";
        case Type::Cab:
            return "cab";
        case Type::Tar:
            return "tar";
        case Type::Rar:
            return "rar";
        case Type::Gca:
            return "gca";
        case Type::Other:
            return "other";
        case Type::None:
            break;
    }
    return "";
}

bool canWrite(Type type) {
    return type == Type::Zip || type == Type::Tar;
}

Result extract(const std::string& archivePath, const std::string& folder, const Limits& limits) {
    Utf8Names utf8;
    struct stat archiveInfo {};
    if (stat(archivePath.c_str(), &archiveInfo) != 0 || !S_ISREG(archiveInfo.st_mode))
        return fail(kCannotRead, archivePath + ": " + std::strerror(errno ? errno : EINVAL));
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return fail(kWriteFailed, folder + ": " + ec.message());
    const std::string absoluteArchive = fs::absolute(archivePath).string();

    Reader reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    if (archive_read_open_filename(reader.get(), absoluteArchive.c_str(), kBlock) != ARCHIVE_OK)
        return fail(kCannotRead,
                    archivePath + ": " + libraryMessage(reader.get(), "書庫ではありません。"));

    FolderGuard back;
    if (!back.ok() || chdir(folder.c_str()) != 0)
        return fail(kWriteFailed, folder + ": " + std::strerror(errno));
    Writer disk(archive_write_disk_new());
    archive_write_disk_set_options(
        disk.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                        ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    const std::uint64_t budget =
        std::min(limits.maxTotalBytes, writableSpace(".", limits.keepFree));
    Extractor extractor(limits, static_cast<std::uint64_t>(archiveInfo.st_size), budget);
    Result result = extractor.run(reader.get(), disk.get());
    if (archive_write_close(disk.get()) < ARCHIVE_WARN && result)
        result = fail(kWriteFailed, libraryMessage(disk.get(), "書き出せません。"));
    return result;
}

Result collectMembers(const std::vector<std::string>& sources, const std::string& base,
                      std::vector<Member>& members) {
    std::vector<fs::path> paths;
    for (const auto& source : sources) {
        if (Result r = expandSource(source, paths); !r) return r;
    }
    if (paths.empty()) return fail(kCannotRead, "");
    const fs::path root =
        base.empty() ? commonFolder(paths) : fs::absolute(base).lexically_normal();
    std::set<std::string> taken;
    auto add = [&](const fs::path& path, const std::string& name) {
        if (name.empty() || !taken.insert(name).second) return;
        members.push_back({path.string(), name});
    };
    for (const auto& path : paths) {
        std::error_code ec;
        const bool folder = fs::is_directory(fs::symlink_status(path, ec));
        const bool isRoot = path == root || path.lexically_relative(root) == ".";
        const std::string name = isRoot ? std::string() : nameUnder(path, root);
        add(path, name);
        if (!folder) continue;
        // Links to folders are stored as links, never followed (no loops).
        std::vector<fs::path> inside;
        for (auto it = fs::recursive_directory_iterator(
                 path, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            inside.push_back(it->path());
        }
        std::sort(inside.begin(), inside.end());
        for (const auto& item : inside) {
            std::string relative = item.lexically_relative(path).generic_string();
            add(item, name.empty() ? relative : name + "/" + relative);
        }
    }
    return {};
}

Result create(const std::string& archivePath, Type type, const std::vector<Member>& members) {
    Utf8Names utf8;
    Writer writer(archive_write_new());
    if (!setWriteFormat(writer.get(), type, archivePath)) return fail(kCannotWrite, typeName(type));
    PendingFile pending(archivePath);
    if (pending.fd() < 0) return fail(kCannotWrite, archivePath + ": " + std::strerror(errno));
    if (archive_write_open_fd(writer.get(), pending.fd()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    archivePath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    const std::string tempPath = fs::absolute(pending.tempPath()).lexically_normal().string();
    const std::string finalPath = fs::absolute(archivePath).lexically_normal().string();
    std::set<std::string> names;
    for (const auto& member : members) names.insert(member.name);
    struct stat info {};
    if (type == Type::Zip && stat(archivePath.c_str(), &info) == 0) {
        if (Result r = copyKeptEntries(writer.get(), archivePath, names); !r) return r;
    }
    for (const auto& member : members) {
        // The archive never stores itself (or the file it is being written to).
        const std::string path = fs::absolute(member.path).lexically_normal().string();
        if (path == tempPath || path == finalPath) continue;
        if (Result r = addMember(writer.get(), member); !r) return r;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    archivePath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    return pending.commit(withUmask(0666));
}

namespace {

const char kExtractorScript[] =
    "#!/bin/sh\n"
    "# A self-extracting archive: run it with sh, optionally naming the folder\n"
    "# to extract into (the current folder by default).\n"
    "set -e\n"
    "dest=${1:-.}\n"
    "mkdir -p -- \"$dest\"\n"
    "skip=$(awk '/^__ARCHIVE_FOLLOWS__$/ { print NR + 1; exit 0; }' \"$0\")\n"
    "tail -n +\"$skip\" -- \"$0\" | tar -xzf - -C \"$dest\" --no-same-owner\n"
    "exit 0\n"
    "__ARCHIVE_FOLLOWS__\n";

Result writeScriptHeader(int fd) {
    const std::size_t size = sizeof(kExtractorScript) - 1;
    if (write(fd, kExtractorScript, size) != static_cast<ssize_t>(size))
        return fail(kCannotWrite, std::strerror(errno));
    return {};
}

Writer selfExtractingWriter(int fd, Result& result) {
    Writer writer(archive_write_new());
    archive_write_set_format_pax_restricted(writer.get());
    archive_write_add_filter_gzip(writer.get());
    if (archive_write_open_fd(writer.get(), fd) != ARCHIVE_OK)
        result = fail(kCannotWrite, libraryMessage(writer.get(), "書き込めません。"));
    return writer;
}

}  // namespace

Result createSelfExtracting(const std::string& outputPath, const std::vector<Member>& members) {
    Utf8Names utf8;
    PendingFile pending(outputPath);
    if (pending.fd() < 0) return fail(kCannotWrite, outputPath + ": " + std::strerror(errno));
    if (Result r = writeScriptHeader(pending.fd()); !r) return r;
    Result opened;
    Writer writer = selfExtractingWriter(pending.fd(), opened);
    if (!opened) return opened;
    const std::string finalPath = fs::absolute(outputPath).lexically_normal().string();
    for (const auto& member : members) {
        if (fs::absolute(member.path).lexically_normal().string() == finalPath) continue;
        if (Result r = addMember(writer.get(), member); !r) return r;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    outputPath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    return pending.commit(withUmask(0777));
}

Result createSelfExtractingFromArchive(const std::string& outputPath,
                                       const std::string& archivePath) {
    Utf8Names utf8;
    Reader reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), kBlock) != ARCHIVE_OK)
        return fail(kCannotRead,
                    archivePath + ": " + libraryMessage(reader.get(), "書庫ではありません。"));
    PendingFile pending(outputPath);
    if (pending.fd() < 0) return fail(kCannotWrite, outputPath + ": " + std::strerror(errno));
    if (Result r = writeScriptHeader(pending.fd()); !r) return r;
    Result opened;
    Writer writer = selfExtractingWriter(pending.fd(), opened);
    if (!opened) return opened;
    const Limits limits;
    std::uint64_t total = 0;
    std::vector<char> buffer(kBlock);
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN)
            return fail(kCannotRead, libraryMessage(reader.get(), "壊れた書庫です。"));
        const std::string name = entryName(entry);
        auto parts = safeParts(name);
        const char* target = archive_entry_symlink(entry);
        const char* hardlink = archive_entry_hardlink(entry);
        // The made extractor must be as safe to run as our own extraction.
        if (!parts || (target && !linkStaysInside(*parts, target, false)) ||
            (hardlink && !safeParts(hardlink)))
            return fail(kUnsafeEntry, name);
        if (parts->empty()) continue;
        archive_entry_copy_pathname(entry, joined(*parts, parts->size()).c_str());
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            return fail(kCannotWrite,
                        name + ": " + libraryMessage(writer.get(), "書き込めません。"));
        for (;;) {
            la_ssize_t n = archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (n < 0)
                return fail(kCannotRead,
                            name + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
            if (n == 0) break;
            total += static_cast<std::uint64_t>(n);
            if (total > limits.maxTotalBytes) return fail(kTooLarge, name);
            if (archive_write_data(writer.get(), buffer.data(), static_cast<std::size_t>(n)) < 0)
                return fail(kCannotWrite,
                            name + ": " + libraryMessage(writer.get(), "書き込めません。"));
        }
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    outputPath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    return pending.commit(withUmask(0777));
}

}  // namespace qel::archive
