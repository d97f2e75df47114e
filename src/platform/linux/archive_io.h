// Reading and writing archives with libarchive, on system (UTF-8) paths.
// Extraction never writes outside its target folder and stops before an
// archive that expands without bound fills the disk; written archives
// appear whole or not at all (temporary file, then rename).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qel::archive {

// The archive kinds scripts name by extension. Other is any further format
// libarchive reads (7-Zip, ISO images, cpio …): it can be extracted.
enum class Type { None, Lzh, Zip, Cab, Tar, Rar, Gca, Other };

// Error numbers shown after "エラー番号：".
enum Code : int {
    kOk = 0,
    kCannotRead = 1,   // missing, unreadable or not an archive
    kUnsafeEntry = 2,  // an entry that would land outside the folder
    kTooLarge = 3,     // a size or count limit was reached
    kWriteFailed = 4,  // the disk refused a file or folder
    kCannotWrite = 5,  // the archive could not be written
};

struct Result {
    int code = kOk;
    std::string detail;  // what failed (a path, the library's message)
    explicit operator bool() const { return code == kOk; }
};

// By extension ("lzh", "cab", "zip", "gca", "rar"; "tar", "taz", "tgz",
// "tb2", "tbz", "z" and the compound .tar.gz/.tar.bz2/.tar.xz are tar);
// otherwise, when the file exists, by testing it as LHA, ZIP, CAB, TAR, RAR
// in that order, then as any format libarchive reads.
Type typeOf(const std::string& path);
// The type's name for messages ("lzh", "zip" …).
std::string typeName(Type type);
// Whether archives of this type can be written here.
bool canWrite(Type type);

struct Limits {
    std::uint64_t maxTotalBytes = std::uint64_t(64) << 30;  // all files together
    std::uint64_t maxEntries = 1000000;
    // Output larger than ratioFloor that is more than maxRatio times the
    // archive's size is taken for a decompression bomb.
    std::uint64_t ratioFloor = std::uint64_t(64) << 20;
    double maxRatio = 1000.0;
    // Left free on the disk: this much, or a hundredth of the disk when
    // that is less (small disks).
    std::uint64_t keepFree = std::uint64_t(64) << 20;
};

Result extract(const std::string& archivePath, const std::string& folder,
               const Limits& limits = {});
// The first part of every entry name that extraction would write (each name
// once), read without writing anything: where the entries would land.
Result topNames(const std::string& archivePath, std::vector<std::string>& names);

// One file to store: where it is and the name it gets in the archive.
struct Member {
    std::string path;
    std::string name;
};

// The members for a list of files and folders (folders with everything in
// them; "*" and "?" allowed in the last part of a name). Names are relative
// to `base` when given, else to the deepest folder holding every source.
Result collectMembers(const std::vector<std::string>& sources, const std::string& base,
                      std::vector<Member>& members);

// Writes a zip or tar-family archive. A zip that exists keeps its other
// entries (members of the same name are replaced); a tar is made anew.
Result create(const std::string& archivePath, Type type, const std::vector<Member>& members);

// A POSIX shell script that extracts the tar.gz appended to it into the
// folder named by its first argument (the current folder by default).
Result createSelfExtracting(const std::string& outputPath, const std::vector<Member>& members);
// The same from the entries of an existing archive (unsafe names refused).
Result createSelfExtractingFromArchive(const std::string& outputPath,
                                       const std::string& archivePath);

}  // namespace qel::archive
