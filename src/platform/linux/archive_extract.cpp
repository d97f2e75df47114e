// Extraction: every entry is checked to land inside the target folder, files
// are written under temporary names and renamed into place, and the output
// is bounded by the disk's free space and by a ratio to the archive's size.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "platform/linux/archive_io.h"
#include "platform/linux/archive_support.h"

namespace qel::archive {

namespace fs = std::filesystem;
using namespace detail;

namespace {

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
            int status = archiveLibrary().archive_read_next_header(reader, &entry);
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
        archiveLibrary().archive_entry_copy_pathname(entry, path.c_str());
        if (const char* link = archiveLibrary().archive_entry_hardlink(entry)) {
            auto linkParts = safeParts(link);
            if (!linkParts || linkParts->empty() || passesThroughLink(*linkParts)) {
                refuse(name);
                return {};
            }
            archiveLibrary().archive_entry_copy_hardlink(
                entry, joined(*linkParts, linkParts->size()).c_str());
            return writeWhole(disk, entry, path);
        }
        switch (archiveLibrary().archive_entry_filetype(entry)) {
            case AE_IFDIR:
                return writeWhole(disk, entry, path);
            case AE_IFLNK: {
                const char* target = archiveLibrary().archive_entry_symlink(entry);
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
            archiveLibrary().archive_entry_filetype(entry) == AE_IFDIR) {
            refuse(path);
            return {};
        }
        if (archiveLibrary().archive_write_header(disk, entry) < ARCHIVE_WARN ||
            archiveLibrary().archive_write_finish_entry(disk) < ARCHIVE_WARN)
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
        archiveLibrary().archive_entry_copy_pathname(entry, temp.c_str());
        if (archiveLibrary().archive_write_header(disk, entry) < ARCHIVE_WARN)
            return fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        Result copied = copyData(reader, disk, path);
        if (archiveLibrary().archive_write_finish_entry(disk) < ARCHIVE_WARN && copied)
            copied = fail(kWriteFailed, path + ": " + libraryMessage(disk, "書き出せません。"));
        // A pipe, socket or device at the entry's place is never replaced.
        // (A link there is replaced itself: following it could lead out of
        // the folder.)
        struct stat there {};
        if (copied && lstat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode) &&
            !S_ISLNK(there.st_mode))
            copied =
                fail(kWriteFailed,
                     path + ": not a regular file (a pipe, socket or device is never replaced)");
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
            int status = archiveLibrary().archive_read_data_block(reader, &block, &size, &offset);
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
            if (archiveLibrary().archive_write_data_block(disk, block, size, offset) < ARCHIVE_WARN)
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

// Opens the archive for reading with every filter and format extraction
// takes. Only a regular file is read: a pipe could keep the reader waiting.
Result openArchive(const std::string& archivePath, Reader& reader, struct stat& info) {
    if (stat(archivePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return fail(kCannotRead, archivePath + ": " + std::strerror(errno ? errno : EINVAL));
    const std::string absoluteArchive = fs::absolute(archivePath).string();
    reader.reset(archiveLibrary().archive_read_new());
    archiveLibrary().archive_read_support_filter_all(reader.get());
    supportArchiveFormats(reader.get());
    if (archiveLibrary().archive_read_open_filename(reader.get(), absoluteArchive.c_str(),
                                                    kBlock) != ARCHIVE_OK)
        return fail(kCannotRead,
                    archivePath + ": " + libraryMessage(reader.get(), "書庫ではありません。"));
    return {};
}

}  // namespace

Result topNames(const std::string& archivePath, std::vector<std::string>& names) {
    names.clear();
    Utf8Names utf8;
    Reader reader;
    struct stat info {};
    if (Result opened = openArchive(archivePath, reader, info); !opened) return opened;
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archiveLibrary().archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) return {};
        if (status < ARCHIVE_WARN)
            return fail(kCannotRead, libraryMessage(reader.get(), "壊れた書庫です。"));
        auto parts = safeParts(entryName(entry));
        if (!parts || parts->empty()) continue;  // never written
        if (std::find(names.begin(), names.end(), parts->front()) == names.end())
            names.push_back(parts->front());
    }
}

Result extract(const std::string& archivePath, const std::string& folder, const Limits& limits) {
    Utf8Names utf8;
    struct stat archiveInfo {};
    Reader reader;
    if (Result opened = openArchive(archivePath, reader, archiveInfo); !opened) return opened;
    // Only an archive gets its folder made: a file that is none leaves no
    // empty folder behind.
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return fail(kWriteFailed, folder + ": " + ec.message());

    FolderGuard back;
    if (!back.ok() || chdir(folder.c_str()) != 0)
        return fail(kWriteFailed, folder + ": " + std::strerror(errno));
    Writer disk(archiveLibrary().archive_write_disk_new());
    archiveLibrary().archive_write_disk_set_options(
        disk.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                        ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    const std::uint64_t budget =
        std::min(limits.maxTotalBytes, writableSpace(".", limits.keepFree));
    Extractor extractor(limits, static_cast<std::uint64_t>(archiveInfo.st_size), budget);
    Result result = extractor.run(reader.get(), disk.get());
    if (archiveLibrary().archive_write_close(disk.get()) < ARCHIVE_WARN && result)
        result = fail(kWriteFailed, libraryMessage(disk.get(), "書き出せません。"));
    return result;
}

}  // namespace qel::archive
