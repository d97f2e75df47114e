#include "platform/linux/posix_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace qel {

bool PosixFileSystem::readFile(const std::string& path, std::string& bytes) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool PosixFileSystem::fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::folderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PosixFileSystem::currentFolder() {
    std::vector<char> buf(4096);
    if (!getcwd(buf.data(), buf.size())) return {};
    std::string folder(buf.data());
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool PosixFileSystem::setCurrentFolder(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string PosixFileSystem::executablePath() {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), std::size_t(n)) : std::string();
}

std::optional<double> PosixFileSystem::modifiedTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
}

}  // namespace qel
