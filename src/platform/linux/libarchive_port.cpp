#include "platform/linux/libarchive_port.h"

#include "platform/linux/archive_io.h"
#include "platform/linux/archive_library.h"

namespace qel {

bool LibarchivePort::ready(std::string& why) {
    return loadArchiveLibrary(why) != nullptr;
}

archive::Type LibarchivePort::typeOf(const std::string& path) {
    return archive::typeOf(path);
}

bool LibarchivePort::canWrite(archive::Type type) {
    return archive::canWrite(type);
}

archive::Result LibarchivePort::extract(const std::string& archivePath, const std::string& folder,
                                        const archive::Limits& limits) {
    return archive::extract(archivePath, folder, limits);
}

archive::Result LibarchivePort::collectMembers(const std::vector<std::string>& sources,
                                               const std::string& base,
                                               std::vector<archive::Member>& members) {
    return archive::collectMembers(sources, base, members);
}

archive::Result LibarchivePort::topNames(const std::string& archivePath,
                                         std::vector<std::string>& names) {
    return archive::topNames(archivePath, names);
}

archive::Result LibarchivePort::create(const std::string& archivePath, archive::Type type,
                                       const std::vector<archive::Member>& members) {
    return archive::create(archivePath, type, members);
}

archive::Result LibarchivePort::createSelfExtracting(const std::string& outputPath,
                                                     const std::vector<archive::Member>& members) {
    return archive::createSelfExtracting(outputPath, members);
}

archive::Result LibarchivePort::createSelfExtractingFromArchive(const std::string& outputPath,
                                                                const std::string& archivePath) {
    return archive::createSelfExtractingFromArchive(outputPath, archivePath);
}

}  // namespace qel
