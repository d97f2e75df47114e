// Archives: the formats scripts compress into and extract from. Paths are
// system (UTF-8) paths. Extraction never writes outside its target folder and
// stops before an archive that expands without bound fills the disk; written
// archives appear whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qel {

namespace archive {

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

// One file to store: where it is and the name it gets in the archive.
struct Member {
    std::string path;
    std::string name;
};

// The type's name for messages ("lzh", "zip" …).
inline std::string typeName(Type type) {
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

}  // namespace archive

class ArchivePort {
  public:
    virtual ~ArchivePort() = default;
    // Whether archives can be worked with here; the reason when not (the
    // archive library is missing).
    virtual bool ready(std::string& why) = 0;
    // By extension ("lzh", "cab", "zip", "gca", "rar"; "tar", "taz", "tgz",
    // "tb2", "tbz", "z" and the compound .tar.gz/.tar.bz2/.tar.xz are tar);
    // otherwise, when the file exists, by its content.
    virtual archive::Type typeOf(const std::string& path) = 0;
    // Whether archives of this type can be written here.
    virtual bool canWrite(archive::Type type) = 0;
    virtual archive::Result extract(const std::string& archivePath, const std::string& folder,
                                    const archive::Limits& limits) = 0;
    // The members for a list of files and folders (folders with everything in
    // them; "*" and "?" allowed in the last part of a name). Names are relative
    // to `base` when given, else to the deepest folder holding every source.
    virtual archive::Result collectMembers(const std::vector<std::string>& sources,
                                           const std::string& base,
                                           std::vector<archive::Member>& members) = 0;
    // The first part of every entry's name (what extraction would create or
    // replace directly in its target folder).
    virtual archive::Result topNames(const std::string& archivePath,
                                     std::vector<std::string>& names) = 0;
    // Writes a zip or tar-family archive. A zip that exists keeps its other
    // entries (members of the same name are replaced); a tar is made anew.
    virtual archive::Result create(const std::string& archivePath, archive::Type type,
                                   const std::vector<archive::Member>& members) = 0;
    // A POSIX shell script that extracts the tar.gz appended to it.
    virtual archive::Result createSelfExtracting(const std::string& outputPath,
                                                 const std::vector<archive::Member>& members) = 0;
    // The same from the entries of an existing archive (unsafe names refused).
    virtual archive::Result createSelfExtractingFromArchive(const std::string& outputPath,
                                                            const std::string& archivePath) = 0;
};

}  // namespace qel
