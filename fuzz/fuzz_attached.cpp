// The attached-script reader on arbitrary executables. Whatever the bytes,
// the reader never writes outside the private folder made for the run, and
// every file it says it extracted is there. A broken property aborts, so
// libFuzzer keeps the input.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "startup/attached_script.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

// One folder for the whole session; each input gets a private folder
// inside it, and nothing else may ever appear there.
const std::string& sessionFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qel-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int fd = memfd_create("executable", MFD_CLOEXEC);
    require(fd >= 0);
    for (std::size_t done = 0; done < size;) {
        ssize_t n = write(fd, data + done, size - done);
        require(n > 0);
        done += std::size_t(n);
    }
    qel::PrivateFolder folder;
    require(folder.create(sessionFolder()));
    qel::AttachedScript result = qel::ReadAttachedScript(fd, "fuzz.exe", folder);
    close(fd);
    for (const auto& name : result.extractedFiles) {
        require(name.find('/') == std::string::npos && name != "." && name != "..");
        require(std::filesystem::is_regular_file(folder.path() + name));
    }
    qel::CleanUpAttachedFiles(folder);
    require(std::filesystem::is_empty(sessionFolder()));
    return 0;
}
