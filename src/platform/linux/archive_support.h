// Pieces the archive reader and writer share: libarchive handles that free
// themselves, UTF-8 names whatever the process's locale, entry names checked
// to stay inside a folder, and files that appear whole or not at all.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/archive_io.h"
#include "platform/linux/archive_library.h"
#include "platform/linux/file_replacement.h"

namespace qel::archive::detail {

struct ReaderDeleter {
    void operator()(struct archive* a) const { archiveLibrary().archive_read_free(a); }
};
struct WriterDeleter {
    void operator()(struct archive* a) const { archiveLibrary().archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archiveLibrary().archive_entry_free(e); }
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

// Every archive format that stores its files' contents. Text formats that
// only describe files (mtree) are left out: "extracting" one would copy
// files named in it from this machine, and any text file would pass for one.
int supportArchiveFormats(struct archive* reader);

bool endsWith(const std::string& text, const std::string& suffix);
std::string fileNameOf(const std::string& path);
// The folder part of a path ("." when there is none).
std::string folderPartOf(const std::string& path);
Result fail(int code, std::string detail);
std::string libraryMessage(struct archive* a, const std::string& fallback);

// The entry's name as UTF-8: names that are not UTF-8 come from the old
// system's code page.
std::string entryName(archive_entry* entry);
// The parts of a name that stays inside the folder, or nothing for an
// absolute name, a drive name or one that climbs out with "..".
std::optional<std::vector<std::string>> safeParts(std::string name);
// The first `count` parts joined with "/".
std::string joined(const std::vector<std::string>& parts, std::size_t count);
// Whether reaching the entry (relative to the current folder, which is the
// target) would pass through a symbolic link or something that is no folder.
bool passesThroughLink(const std::vector<std::string>& parts);
// Whether a link at `parts` to `target` stays inside the folder; onDisk:
// the current folder is the target, and links already there are considered.
bool linkStaysInside(const std::vector<std::string>& parts, const std::string& target, bool onDisk);

mode_t withUmask(mode_t mode);

// A temporary file beside `path`, renamed over it by commit(); removed
// unless committed. Through a symbolic link the file it leads to is
// replaced, and only a regular file ever is, as every file the runtime
// writes.
class PendingFile {
  public:
    explicit PendingFile(const std::string& path) : path_(path) {
        FileStatus status = file_replacement::resolve(path, destination_);
        if (status) status = replacement_.open(destination_, 0600, false);
        if (!status)
            problem_ =
                status.message.starts_with(path) ? status.message : path + ": " + status.message;
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    // Negative when the file could not be made; problem() says why (naming the file).
    int fd() const { return problem_.empty() ? replacement_.fd() : -1; }
    const std::string& problem() const { return problem_; }
    const std::string& tempPath() const { return replacement_.temporaryName(); }

    Result commit(mode_t mode) {
        if (destination_.exists)
            mode = destination_.info.st_mode;  // a replaced file keeps its mode
        fchmod(replacement_.fd(), mode & 07777);
        FileStatus published = replacement_.publish();
        if (!published) return fail(kCannotWrite, path_ + ": " + published.message);
        return {};
    }

  private:
    std::string path_;
    file_replacement::Destination destination_;
    file_replacement::Replacement replacement_{".qel-archive-"};
    std::string problem_;
};

}  // namespace qel::archive::detail
