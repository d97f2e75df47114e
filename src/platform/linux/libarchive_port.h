// The archive port on Linux: libarchive, loaded by the first archive command.
#pragma once

#include "platform/ports/archives.h"

namespace qel {

class LibarchivePort : public ArchivePort {
  public:
    bool ready(std::string& why) override;
    archive::Type typeOf(const std::string& path) override;
    bool canWrite(archive::Type type) override;
    archive::Result extract(const std::string& archivePath, const std::string& folder,
                            const archive::Limits& limits) override;
    archive::Result collectMembers(const std::vector<std::string>& sources, const std::string& base,
                                   std::vector<archive::Member>& members) override;
    archive::Result topNames(const std::string& archivePath,
                             std::vector<std::string>& names) override;
    archive::Result create(const std::string& archivePath, archive::Type type,
                           const std::vector<archive::Member>& members) override;
    archive::Result createSelfExtracting(const std::string& outputPath,
                                         const std::vector<archive::Member>& members) override;
    archive::Result createSelfExtractingFromArchive(const std::string& outputPath,
                                                    const std::string& archivePath) override;
};

}  // namespace qel
