#include "platform/linux/runtime_channel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace qel {

namespace {

// A channel file never holds more than this; anything larger is not ours.
// (A message is at most 255 bytes in code page 932, so at most 765 in UTF-8;
// the rest is the header and the channel's name.)
constexpr std::size_t kMaxEntryBytes = 64 * 1024;
constexpr std::string_view kMagic = "QELMSG1";

FileStatus faultFrom(int error, const std::string& what) {
    FileFault fault = (error == EACCES || error == EPERM || error == EROFS) ? FileFault::Denied
                      : (error == ENOENT || error == ENOTDIR)               ? FileFault::NotFound
                                                                            : FileFault::Other;
    return {fault, what + ": " + std::strerror(error)};
}

// Makes `path` a folder only this user can enter, or checks that it is one:
// a folder someone else owns or may write into could hand our messages to
// them, or theirs to us.
FileStatus privateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return faultFrom(errno, path);
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return faultFrom(errno, path);
    if (!S_ISDIR(info.st_mode)) return {FileFault::Denied, path + ": not a folder"};
    if (info.st_uid != geteuid()) return {FileFault::Denied, path + ": owned by another user"};
    if ((info.st_mode & 077) != 0) return {FileFault::Denied, path + ": other users may enter it"};
    return {};
}

bool isFolder(const char* path) {
    struct stat info {};
    return path && *path == '/' && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Channel names compare as the language compares names: Latin letters
// without regard to case.
Text channelKey(TextView channel) {
    return text::toLowerAscii(channel);
}

std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool readNumber(std::string_view& rest, std::uint64_t& value) {
    std::size_t blank = rest.find(' ');
    std::string_view field = rest.substr(0, blank);
    if (field.empty() || field.size() > 20) return false;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return false;
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return true;
}

}  // namespace

std::string encodeChannelEntry(TextView channelKey, const ChannelMessage& message) {
    std::string name = text::toUtf8(channelKey);
    std::string body = text::toUtf8(message.text);
    char time[32];
    auto [end, error] =
        std::to_chars(time, time + sizeof time, static_cast<std::int64_t>(message.time));
    (void)error;
    std::string out(kMagic);
    out += ' ' + message.id + ' ' + std::string(time, end) + ' ' + std::to_string(name.size()) +
           ' ' + std::to_string(body.size()) + '\n';
    out += name;
    out += body;
    return out;
}

// The header line is "QELMSG1 id time nameBytes messageBytes"; the name and
// the message follow, and nothing after them. Anything else (a file cut
// short, garbage, another channel's entry under a colliding file name) reads
// as no message.
std::optional<ChannelMessage> decodeChannelEntry(std::string_view bytes, TextView channelKey) {
    std::size_t eol = bytes.find('\n');
    if (eol == std::string_view::npos || eol > 200) return std::nullopt;
    std::string_view header = bytes.substr(0, eol);
    if (header.substr(0, kMagic.size()) != kMagic || header.size() <= kMagic.size() ||
        header[kMagic.size()] != ' ') {
        return std::nullopt;
    }
    std::string_view rest = header.substr(kMagic.size() + 1);
    std::size_t blank = rest.find(' ');
    if (blank == 0 || blank == std::string_view::npos || blank > 64) return std::nullopt;
    ChannelMessage message;
    message.id = std::string(rest.substr(0, blank));
    for (char c : message.id) {
        if (!((c >= '0' && c <= '9') || c == '-')) return std::nullopt;
    }
    rest = rest.substr(blank + 1);
    std::uint64_t time = 0, nameBytes = 0, bodyBytes = 0;
    if (!readNumber(rest, time) || !readNumber(rest, nameBytes) || !readNumber(rest, bodyBytes) ||
        !rest.empty()) {
        return std::nullopt;
    }
    std::string_view payload = bytes.substr(eol + 1);
    if (nameBytes > payload.size() || bodyBytes != payload.size() - nameBytes) return std::nullopt;
    if (payload.substr(0, nameBytes) != text::toUtf8(channelKey)) return std::nullopt;
    std::string_view body = payload.substr(nameBytes);
    if (!text::isValidUtf8(body) || body.find('\0') != std::string_view::npos) return std::nullopt;
    message.text = text::fromUtf8(body);
    message.time = double(time);
    return message;
}

RuntimeDirChannel::RuntimeDirChannel(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

std::string RuntimeDirChannel::defaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (isFolder(runtime)) return std::string(runtime) + "/qelscript/channels";
    return "/tmp/qelscript-" + std::to_string(geteuid()) + "/channels";
}

FileStatus RuntimeDirChannel::ensureFolder() {
    if (folderReady_) return {};
    std::size_t slash = folder_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        // The folder above ours (qelscript/ in the runtime folder, or the
        // per-user folder in /tmp) must be private too: whoever may rename
        // entries in it could swap our folder for theirs.
        if (FileStatus status = privateFolder(folder_.substr(0, slash)); !status) return status;
    }
    if (FileStatus status = privateFolder(folder_); !status) return status;
    folderReady_ = true;
    return {};
}

std::string RuntimeDirChannel::entryPath(TextView channel) const {
    Text key = channelKey(channel);
    std::string name = text::toUtf8(key);
    std::string encoded;
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
            encoded += char(c);
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    // File names hold at most 255 bytes; long channel names go by a hash
    // (the file names the channel inside, so a collision reads as empty).
    if (encoded.size() > 120) {
        char hash[17];
        auto [end, error] = std::to_chars(hash, hash + 16, fnv1a(name), 16);
        (void)error;
        encoded = encoded.substr(0, 80) + "~" + std::string(hash, end);
    }
    return folder_ + "/ch-" + encoded;
}

FileStatus RuntimeDirChannel::post(TextView channel, TextView message, double time,
                                   std::string& id) {
    if (FileStatus status = ensureFolder(); !status) return status;
    using namespace std::chrono;
    auto now = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    ChannelMessage entry;
    entry.id =
        std::to_string(getpid()) + "-" + std::to_string(++sequence_) + "-" + std::to_string(now);
    entry.text = Text(message);
    entry.time = time;
    std::string bytes = encodeChannelEntry(channelKey(channel), entry);

    std::string target = entryPath(channel);
    std::string temp = folder_ + "/.tmp-" + entry.id;
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return faultFrom(errno, temp);
    int error = 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += std::size_t(n);
    }
    if (close(fd) != 0 && error == 0) error = errno;
    // The rename is the one step that makes the message visible: a sender
    // that dies before it leaves only its temporary file behind.
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return faultFrom(error, target);
    }
    id = entry.id;
    return {};
}

std::optional<ChannelMessage> RuntimeDirChannel::readEntry(TextView channel,
                                                           const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              std::size_t(info.st_size) <= kMaxEntryBytes;
    if (ok) {
        bytes.resize(kMaxEntryBytes + 1);
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            done += std::size_t(n);
        }
        bytes.resize(done);
        if (done > kMaxEntryBytes) ok = false;
    }
    close(fd);
    if (!ok) return std::nullopt;
    return decodeChannelEntry(bytes, channelKey(channel));
}

std::optional<ChannelMessage> RuntimeDirChannel::read(TextView channel) {
    // Reading makes no folder: with none, no message has been sent.
    return readEntry(channel, entryPath(channel));
}

void RuntimeDirChannel::withdraw(TextView channel, std::string_view id) {
    if (id.empty()) return;
    std::string path = entryPath(channel);
    auto current = readEntry(channel, path);
    // A newer message of another script stays for its readers. (One posted
    // between this check and the removal is lost; the window is a few
    // system calls at the end of a run.)
    if (current && current->id == id) unlink(path.c_str());
}

}  // namespace qel
