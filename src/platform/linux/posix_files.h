// The file system as scripts reach it, on POSIX calls.
#pragma once

#include "platform/ports.h"

namespace qel {

class PosixFileSystem : public FileSystem {
public:
    bool readFile(const std::string& path, std::string& bytes) override;
    FileStatus writeFile(const std::string& path, std::string_view bytes) override;
    bool fileExists(const std::string& path) override;
    bool folderExists(const std::string& path) override;
    std::string currentFolder() override;
    bool setCurrentFolder(const std::string& path) override;
    std::string executablePath() override;
    std::optional<double> modifiedTime(const std::string& path) override;
};

}  // namespace qel
