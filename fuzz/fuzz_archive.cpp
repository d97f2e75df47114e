// Archive extraction on arbitrary bytes. Each input is written as an archive
// file into a fresh temporary folder and extracted into a subfolder of it;
// afterwards nothing may have appeared beside that subfolder, no link inside
// it may lead outside it, the archive file must be untouched and unlinked to
// anything extracted, and the process must be back in its own folder. A
// broken property aborts, so libFuzzer keeps the input. Small limits keep
// each run fast.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/linux/archive_io.h"

namespace {

namespace fs = std::filesystem;

void require(bool holds) {
    if (!holds) std::abort();
}

bool within(const fs::path& path, const fs::path& folder) {
    auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

// Extracted folders may have lost their permissions; give them back so the
// tree can be looked at and removed.
void openUp(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) openUp(it->path());
    }
}

void checkOutput(const fs::path& out) {
    const fs::path realOut = fs::canonical(out);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_symlink(ec)) continue;
        std::error_code resolve;
        fs::path target = fs::weakly_canonical(it->path(), resolve);
        if (resolve) continue;  // a loop of links leads nowhere
        require(within(target, realOut));
    }
}

std::string makeWorkFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    std::string pattern = base + "/qel-fuzz-archive-XXXXXX";
    require(mkdtemp(pattern.data()) != nullptr);
    return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path startFolder = fs::current_path();
    const fs::path work = fs::canonical(makeWorkFolder());
    // Two folders deep, so that names climbing out by one or two steps
    // would land where they can be seen.
    const fs::path inner = work / "a" / "b";
    fs::create_directories(inner);
    const fs::path archivePath = inner / "input.archive";
    const fs::path out = inner / "out";
    {
        std::ofstream file(archivePath, std::ios::binary);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        require(bool(file));
    }

    qel::archive::Limits limits;
    limits.maxTotalBytes = 1 << 20;
    limits.maxEntries = 2000;
    limits.ratioFloor = 1 << 16;
    (void)qel::archive::extract(archivePath.string(), out.string(), limits);

    require(fs::current_path() == startFolder);
    openUp(work);
    // Only the archive and the target folder are beside each other, and
    // nothing else is in the folders above them.
    std::error_code ec;
    auto onlyThese = [&](const fs::path& folder, const fs::path& a, const fs::path& b) {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            require(it->path() == a || it->path() == b);
        }
        require(!ec);
    };
    onlyThese(work, work / "a", work / "a");
    onlyThese(work / "a", inner, inner);
    onlyThese(inner, archivePath, out);
    struct stat info {};
    require(lstat(archivePath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
            std::uint64_t(info.st_size) == size);
    if (lstat(out.c_str(), &info) == 0) {
        require(S_ISDIR(info.st_mode));
        checkOutput(out);
    }
    fs::remove_all(work, ec);
    require(!ec);
    return 0;
}
