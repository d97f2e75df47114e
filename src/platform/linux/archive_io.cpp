// Archive kinds (by name, then by content) and the pieces reading and
// writing share.
#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "platform/linux/archive_io.h"
#include "platform/linux/archive_support.h"
#include "text/text.h"

namespace qel::archive {

namespace detail {

int supportArchiveFormats(struct archive* reader) {
    for (int (*support)(struct archive*) : {archiveLibrary().archive_read_support_format_7zip,
                                            archiveLibrary().archive_read_support_format_ar,
                                            archiveLibrary().archive_read_support_format_cab,
                                            archiveLibrary().archive_read_support_format_cpio,
                                            archiveLibrary().archive_read_support_format_iso9660,
                                            archiveLibrary().archive_read_support_format_lha,
                                            archiveLibrary().archive_read_support_format_rar,
                                            archiveLibrary().archive_read_support_format_rar5,
                                            archiveLibrary().archive_read_support_format_tar,
                                            archiveLibrary().archive_read_support_format_warc,
                                            archiveLibrary().archive_read_support_format_xar,
                                            archiveLibrary().archive_read_support_format_zip}) {
        support(reader);
    }
    return ARCHIVE_OK;
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
    const char* message = archiveLibrary().archive_error_string(a);
    return message ? std::string(message) : fallback;
}

// The entry's name as UTF-8: names that are not UTF-8 come from the old
// system's code page.
std::string entryName(archive_entry* entry) {
    const char* raw = archiveLibrary().archive_entry_pathname(entry);
    const char* utf8 = raw ? nullptr : archiveLibrary().archive_entry_pathname_utf8(entry);
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
    for (std::string& part : text::splitNonEmpty(name, '/')) {
        if (part == ".") continue;
        if (part == "..") return std::nullopt;
        parts.push_back(std::move(part));
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
    return text::join(std::span(parts).first(std::min(count, parts.size())), "/");
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
    const std::vector<std::string> steps = text::split(target, "/");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& part = steps[i];
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (stack.empty()) return false;
            stack.pop_back();
            continue;
        }
        stack.push_back(part);
        struct stat info {};
        const bool last = i + 1 == steps.size();
        if (onDisk && !last && lstat(joined(stack, stack.size()).c_str(), &info) == 0 &&
            S_ISLNK(info.st_mode))
            return false;
    }
    return true;
}

mode_t withUmask(mode_t mode) {
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~mask;
}

}  // namespace detail

using namespace detail;

namespace {

Type typeByExtension(const std::string& path) {
    const std::string name = text::toLowerAscii(fileNameOf(path));
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
    archiveLibrary().archive_read_support_format_rar(a);
    return archiveLibrary().archive_read_support_format_rar5(a);
}

// Whether the readers set up by `support` accept the file's first entry.
bool accepts(const std::string& path, int (*support)(struct archive*)) {
    Reader reader(archiveLibrary().archive_read_new());
    archiveLibrary().archive_read_support_filter_all(reader.get());
    support(reader.get());
    if (archiveLibrary().archive_read_open_filename(reader.get(), path.c_str(), kBlock) !=
        ARCHIVE_OK)
        return false;
    archive_entry* entry = nullptr;
    int result = archiveLibrary().archive_read_next_header(reader.get(), &entry);
    return result == ARCHIVE_OK || result == ARCHIVE_WARN;
}

Type probe(const std::string& path) {
    struct Candidate {
        Type type;
        int (*support)(struct archive*);
    };
    // The order in which the old archivers were asked.
    const Candidate candidates[] = {
        {Type::Lzh, archiveLibrary().archive_read_support_format_lha},
        {Type::Zip, archiveLibrary().archive_read_support_format_zip},
        {Type::Cab, archiveLibrary().archive_read_support_format_cab},
        {Type::Tar, archiveLibrary().archive_read_support_format_tar},
        {Type::Rar, supportRar},
        {Type::Other, supportArchiveFormats},
    };
    for (const auto& candidate : candidates) {
        if (accepts(path, candidate.support)) return candidate.type;
    }
    return Type::None;
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

bool canWrite(Type type) {
    return type == Type::Zip || type == Type::Tar;
}

}  // namespace qel::archive
