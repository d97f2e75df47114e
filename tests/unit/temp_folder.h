// A folder of one test's own under the system's temporary folder, removed
// with everything in it when the test ends.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qel::testing {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qel-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes a file inside (making its folders) and returns its path.
    std::string file(const std::string& name, const std::string& content,
                     mode_t mode = 0644) const {
        std::string full = path + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        chmod(full.c_str(), mode);
        return full;
    }

    std::string path;
};

}  // namespace qel::testing
