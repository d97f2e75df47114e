// Reading and writing archives with libarchive, on system (UTF-8) paths: the
// work behind the Linux archive port.
// Extraction never writes outside its target folder and stops before an
// archive that expands without bound fills the disk; written archives
// appear whole or not at all (temporary file, then rename).
#pragma once

#include <string>
#include <vector>

#include "platform/ports/archives.h"

namespace qel::archive {

// By extension ("lzh", "cab", "zip", "gca", "rar"; "tar", "taz", "tgz",
// "tb2", "tbz", "z" and the compound .tar.gz/.tar.bz2/.tar.xz are tar);
// otherwise, when the file exists, by testing it as LHA, ZIP, CAB, TAR, RAR
// in that order, then as any format libarchive reads.
Type typeOf(const std::string& path);
// Whether archives of this type can be written here.
bool canWrite(Type type);

Result extract(const std::string& archivePath, const std::string& folder,
               const Limits& limits = {});
// The first part of every entry name that extraction would write (each name
// once), read without writing anything: where the entries would land.
Result topNames(const std::string& archivePath, std::vector<std::string>& names);

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
