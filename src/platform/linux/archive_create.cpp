// Writing archives: the members chosen from files, folders and patterns, zip
// and tar-family archives, and self-extracting shell scripts.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/linux/archive_io.h"
#include "platform/linux/archive_support.h"

namespace qel::archive {

namespace fs = std::filesystem;
using namespace detail;

namespace {

bool setWriteFormat(struct archive* writer, Type type, const std::string& path) {
    if (type == Type::Zip) {
        archiveLibrary().archive_write_set_format_zip(writer);
        // Names are stored as UTF-8 and marked so.
        archiveLibrary().archive_write_set_format_option(writer, "zip", "hdrcharset", "UTF-8");
        return true;
    }
    if (type != Type::Tar) return false;
    archiveLibrary().archive_write_set_format_pax_restricted(writer);
    const std::string name = text::toLowerAscii(fileNameOf(path));
    if (endsWith(name, ".tgz") || endsWith(name, ".tar.gz"))
        archiveLibrary().archive_write_add_filter_gzip(writer);
    else if (endsWith(name, ".tb2") || endsWith(name, ".tbz") || endsWith(name, ".tar.bz2"))
        archiveLibrary().archive_write_add_filter_bzip2(writer);
    else if (endsWith(name, ".taz") || endsWith(name, ".z"))
        archiveLibrary().archive_write_add_filter_compress(writer);
    else if (endsWith(name, ".tar.xz"))
        archiveLibrary().archive_write_add_filter_xz(writer);
    return true;
}

Result addMember(struct archive* writer, const Member& member) {
    struct stat info {};
    if (lstat(member.path.c_str(), &info) != 0)
        return fail(kCannotRead, member.path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode)) return {};
    Entry entry(archiveLibrary().archive_entry_new());
    archiveLibrary().archive_entry_copy_stat(entry.get(), &info);
    archiveLibrary().archive_entry_copy_pathname(entry.get(), member.name.c_str());
    int fd = -1;
    if (S_ISLNK(info.st_mode)) {
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        ssize_t n = readlink(member.path.c_str(), target.data(), target.size());
        if (n < 0) return fail(kCannotRead, member.path + ": " + std::strerror(errno));
        target.resize(static_cast<std::size_t>(n));
        archiveLibrary().archive_entry_copy_symlink(entry.get(), target.c_str());
    } else if (S_ISREG(info.st_mode)) {
        fd = open(member.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return fail(kCannotRead, member.path + ": " + std::strerror(errno));
    }
    Result result;
    if (archiveLibrary().archive_write_header(writer, entry.get()) < ARCHIVE_WARN) {
        result =
            fail(kCannotWrite, member.path + ": " + libraryMessage(writer, "書き込めません。"));
    } else if (fd >= 0) {
        // The size in the header is what is stored, even if the file grows
        // while it is read.
        std::vector<char> buffer(kBlock);
        la_int64_t left = archiveLibrary().archive_entry_size(entry.get());
        while (left > 0) {
            ssize_t n = read(fd, buffer.data(),
                             static_cast<std::size_t>(std::min<la_int64_t>(left, kBlock)));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (archiveLibrary().archive_write_data(writer, buffer.data(),
                                                    static_cast<std::size_t>(n)) < 0) {
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
    Reader reader(archiveLibrary().archive_read_new());
    archiveLibrary().archive_read_support_format_zip(reader.get());
    if (archiveLibrary().archive_read_open_filename(reader.get(), archivePath.c_str(), kBlock) !=
        ARCHIVE_OK)
        return fail(kCannotRead, archivePath + ": " + libraryMessage(reader.get(), "読めません。"));
    archive_entry* entry = nullptr;
    std::vector<char> buffer(kBlock);
    for (;;) {
        int status = archiveLibrary().archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) return {};
        if (status < ARCHIVE_WARN)
            return fail(kCannotRead,
                        archivePath + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
        std::string name = entryName(entry);
        std::string bare = name;
        while (!bare.empty() && bare.back() == '/') bare.pop_back();
        if (replaced.count(bare)) continue;
        archiveLibrary().archive_entry_copy_pathname(entry, name.c_str());
        if (archiveLibrary().archive_write_header(writer, entry) < ARCHIVE_WARN)
            return fail(kCannotWrite, name + ": " + libraryMessage(writer, "書き込めません。"));
        for (;;) {
            la_ssize_t n =
                archiveLibrary().archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (n < 0)
                return fail(kCannotRead,
                            name + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
            if (n == 0) break;
            if (archiveLibrary().archive_write_data(writer, buffer.data(),
                                                    static_cast<std::size_t>(n)) < 0)
                return fail(kCannotWrite, name + ": " + libraryMessage(writer, "書き込めません。"));
        }
    }
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
    Writer writer(archiveLibrary().archive_write_new());
    if (!setWriteFormat(writer.get(), type, archivePath)) return fail(kCannotWrite, typeName(type));
    PendingFile pending(archivePath);
    if (pending.fd() < 0) return fail(kCannotWrite, pending.problem());
    if (archiveLibrary().archive_write_open_fd(writer.get(), pending.fd()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    archivePath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    // Empty while the file being written has no name yet (nothing can list it).
    const std::string tempPath = pending.tempPath().empty()
                                     ? std::string()
                                     : fs::absolute(pending.tempPath()).lexically_normal().string();
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
    if (archiveLibrary().archive_write_close(writer.get()) != ARCHIVE_OK)
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
    Writer writer(archiveLibrary().archive_write_new());
    archiveLibrary().archive_write_set_format_pax_restricted(writer.get());
    archiveLibrary().archive_write_add_filter_gzip(writer.get());
    if (archiveLibrary().archive_write_open_fd(writer.get(), fd) != ARCHIVE_OK)
        result = fail(kCannotWrite, libraryMessage(writer.get(), "書き込めません。"));
    return writer;
}

}  // namespace

Result createSelfExtracting(const std::string& outputPath, const std::vector<Member>& members) {
    Utf8Names utf8;
    PendingFile pending(outputPath);
    if (pending.fd() < 0) return fail(kCannotWrite, pending.problem());
    if (Result r = writeScriptHeader(pending.fd()); !r) return r;
    Result opened;
    Writer writer = selfExtractingWriter(pending.fd(), opened);
    if (!opened) return opened;
    const std::string finalPath = fs::absolute(outputPath).lexically_normal().string();
    for (const auto& member : members) {
        if (fs::absolute(member.path).lexically_normal().string() == finalPath) continue;
        if (Result r = addMember(writer.get(), member); !r) return r;
    }
    if (archiveLibrary().archive_write_close(writer.get()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    outputPath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    return pending.commit(withUmask(0777));
}

Result createSelfExtractingFromArchive(const std::string& outputPath,
                                       const std::string& archivePath) {
    Utf8Names utf8;
    Reader reader(archiveLibrary().archive_read_new());
    archiveLibrary().archive_read_support_filter_all(reader.get());
    supportArchiveFormats(reader.get());
    if (archiveLibrary().archive_read_open_filename(reader.get(), archivePath.c_str(), kBlock) !=
        ARCHIVE_OK)
        return fail(kCannotRead,
                    archivePath + ": " + libraryMessage(reader.get(), "書庫ではありません。"));
    PendingFile pending(outputPath);
    if (pending.fd() < 0) return fail(kCannotWrite, pending.problem());
    if (Result r = writeScriptHeader(pending.fd()); !r) return r;
    Result opened;
    Writer writer = selfExtractingWriter(pending.fd(), opened);
    if (!opened) return opened;
    const Limits limits;
    std::uint64_t total = 0;
    std::vector<char> buffer(kBlock);
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archiveLibrary().archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN)
            return fail(kCannotRead, libraryMessage(reader.get(), "壊れた書庫です。"));
        const std::string name = entryName(entry);
        auto parts = safeParts(name);
        const char* target = archiveLibrary().archive_entry_symlink(entry);
        const char* hardlink = archiveLibrary().archive_entry_hardlink(entry);
        // The made extractor must be as safe to run as our own extraction.
        if (!parts || (target && !linkStaysInside(*parts, target, false)) ||
            (hardlink && !safeParts(hardlink)))
            return fail(kUnsafeEntry, name);
        if (parts->empty()) continue;
        archiveLibrary().archive_entry_copy_pathname(entry, joined(*parts, parts->size()).c_str());
        if (archiveLibrary().archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            return fail(kCannotWrite,
                        name + ": " + libraryMessage(writer.get(), "書き込めません。"));
        for (;;) {
            la_ssize_t n =
                archiveLibrary().archive_read_data(reader.get(), buffer.data(), buffer.size());
            if (n < 0)
                return fail(kCannotRead,
                            name + ": " + libraryMessage(reader.get(), "壊れた書庫です。"));
            if (n == 0) break;
            total += static_cast<std::uint64_t>(n);
            if (total > limits.maxTotalBytes) return fail(kTooLarge, name);
            if (archiveLibrary().archive_write_data(writer.get(), buffer.data(),
                                                    static_cast<std::size_t>(n)) < 0)
                return fail(kCannotWrite,
                            name + ": " + libraryMessage(writer.get(), "書き込めません。"));
        }
    }
    if (archiveLibrary().archive_write_close(writer.get()) != ARCHIVE_OK)
        return fail(kCannotWrite,
                    outputPath + ": " + libraryMessage(writer.get(), "書き込めません。"));
    return pending.commit(withUmask(0777));
}

}  // namespace qel::archive
