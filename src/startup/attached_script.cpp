#include "startup/attached_script.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace qel {

namespace {

constexpr std::string_view kFileMarker = "//FILE:";
constexpr std::string_view kHeaderEnd = "/\\";
constexpr std::string_view kEndMarker = "/END/";
constexpr std::string_view kInfoMarker = "INFO:";
constexpr char16_t kLineBreakCode = 4;

// Reads exactly `size` bytes at `offset`; false on a short read.
bool readAt(int fd, std::uint64_t offset, void* out, std::size_t size) {
    auto* bytes = static_cast<char*>(out);
    while (size > 0) {
        ssize_t n = pread(fd, bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

// Little- or big-endian unsigned integer of `size` bytes from a header.
std::uint64_t fieldAt(const unsigned char* p, std::size_t size, bool bigEndian) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) {
        std::size_t k = bigEndian ? i : size - 1 - i;
        v = (v << 8) | p[k];
    }
    return v;
}

// ---- ELF --------------------------------------------------------------------

struct ElfLayout {
    bool wide = false;  // 64-bit
    bool bigEndian = false;
    std::uint64_t field(const unsigned char* p, std::size_t narrow, std::size_t wideSize) const {
        return fieldAt(p, wide ? wideSize : narrow, bigEndian);
    }
};

// The end of a table of `count` entries of `entrySize` bytes at `offset`,
// or nothing when it does not lie inside the file.
std::optional<std::uint64_t> tableEnd(std::uint64_t offset, std::uint64_t count,
                                      std::uint64_t entrySize, std::uint64_t fileSize) {
    if (count == 0) return 0;
    if (offset > fileSize || count * entrySize > fileSize - offset) return std::nullopt;
    return offset + count * entrySize;
}

// Walks a header table and takes the furthest (offset + size) of its
// entries that occupy file bytes; nothing when an entry lies outside.
template <class EntryExtent>
std::optional<std::uint64_t> furthestEntry(int fd, std::uint64_t offset, std::uint64_t count,
                                           std::uint64_t entrySize, std::uint64_t fileSize,
                                           EntryExtent extent) {
    std::uint64_t end = 0;
    std::array<unsigned char, 64> entry{};
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!readAt(fd, offset + i * entrySize, entry.data(), std::size_t(entrySize)))
            return std::nullopt;
        auto [start, size] = extent(entry.data());
        if (start > fileSize || size > fileSize - start) return std::nullopt;
        end = std::max(end, start + size);
    }
    return end;
}

std::uint64_t elfImageEnd(int fd, std::uint64_t fileSize, const unsigned char* h) {
    ElfLayout L;
    L.wide = h[4] == 2;
    L.bigEndian = h[5] == 2;
    if ((h[4] != 1 && h[4] != 2) || (h[5] != 1 && h[5] != 2)) return 0;
    const std::uint64_t headerSize = L.wide ? 64 : 52;
    if (fileSize < headerSize) return 0;
    const std::uint64_t phoff = L.field(h + (L.wide ? 32 : 28), 4, 8);
    const std::uint64_t shoff = L.field(h + (L.wide ? 40 : 32), 4, 8);
    const unsigned char* counts = h + (L.wide ? 54 : 42);
    const std::uint64_t phentsize = fieldAt(counts, 2, L.bigEndian);
    const std::uint64_t phnum = fieldAt(counts + 2, 2, L.bigEndian);
    const std::uint64_t shentsize = fieldAt(counts + 4, 2, L.bigEndian);
    const std::uint64_t shnum = fieldAt(counts + 6, 2, L.bigEndian);
    const std::uint64_t phMin = L.wide ? 56 : 32;
    const std::uint64_t shMin = L.wide ? 64 : 40;
    if ((phnum > 0 && (phentsize < phMin || phentsize > 64)) ||
        (shnum > 0 && (shentsize < shMin || shentsize > 64)))
        return 0;

    auto phTable = tableEnd(phoff, phnum, phentsize, fileSize);
    auto shTable = tableEnd(shoff, shnum, shentsize, fileSize);
    if (!phTable || !shTable) return 0;
    auto segments =
        furthestEntry(fd, phoff, phnum, phentsize, fileSize, [&](const unsigned char* e) {
            std::uint64_t offset =
                L.wide ? fieldAt(e + 8, 8, L.bigEndian) : fieldAt(e + 4, 4, L.bigEndian);
            std::uint64_t size =
                L.wide ? fieldAt(e + 32, 8, L.bigEndian) : fieldAt(e + 16, 4, L.bigEndian);
            return std::pair{offset, size};
        });
    constexpr std::uint64_t kNoBits = 8;  // a section that takes no file bytes
    auto sections =
        furthestEntry(fd, shoff, shnum, shentsize, fileSize, [&](const unsigned char* e) {
            std::uint64_t type = fieldAt(e + 4, 4, L.bigEndian);
            std::uint64_t offset = L.field(e + (L.wide ? 24 : 16), 4, 8);
            std::uint64_t size = L.field(e + (L.wide ? 32 : 20), 4, 8);
            if (type == kNoBits || type == 0) size = 0;
            return std::pair{size == 0 ? 0 : offset, size};
        });
    if (!segments || !sections) return 0;
    return std::max({headerSize, *phTable, *shTable, *segments, *sections});
}

// ---- PE ---------------------------------------------------------------------

// As the images of the other platform were laid out when their attachments
// were written: the standard 32-bit optional header puts the section table
// 248 bytes after the "PE" signature, and the last section listed is the
// furthest in the file. A count of 0 or a table outside the file gives 0.
std::uint64_t peImageEnd(int fd, std::uint64_t fileSize, const unsigned char* h) {
    const std::uint64_t peOffset = fieldAt(h + 60, 2, false);
    std::array<unsigned char, 8> pe{};
    if (!readAt(fd, peOffset, pe.data(), pe.size())) return 0;
    if (fieldAt(pe.data(), 2, false) != 0x4550) return 0;
    const std::uint64_t sections = pe[6];
    if (sections == 0) return 0;
    std::array<unsigned char, 8> last{};
    if (!readAt(fd, peOffset + 248 + (sections - 1) * 40 + 16, last.data(), last.size())) return 0;
    const std::uint64_t end = fieldAt(last.data(), 4, false) + fieldAt(last.data() + 4, 4, false);
    return end <= fileSize ? end : 0;
}

// ---- The scan ---------------------------------------------------------------

// The file read forward one byte at a time, through a window so that the
// byte-wise scan does not cost a system call per byte.
class ByteSource {
  public:
    ByteSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t size() const { return size_; }
    // The bytes from `pos` to the end of the window holding it; empty when
    // they cannot be read.
    std::string_view from(std::uint64_t pos) {
        if (at(pos) < 0) return {};
        std::size_t skip = std::size_t(pos - start_);
        return {window_.data() + skip, length_ - skip};
    }
    // The byte at `pos` (pos < size), or -1 when it cannot be read.
    int at(std::uint64_t pos) {
        if (pos < start_ || pos >= start_ + length_) {
            start_ = pos;
            length_ = 0;
            std::size_t want = std::size_t(std::min<std::uint64_t>(window_.size(), size_ - pos));
            ssize_t n;
            do {
                n = pread(fd_, window_.data(), want, off_t(pos));
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return -1;
            length_ = std::size_t(n);
        }
        return static_cast<unsigned char>(window_[std::size_t(pos - start_)]);
    }

  private:
    int fd_;
    std::uint64_t size_;
    std::array<char, 1 << 16> window_{};
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

bool endsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && std::string_view(s).substr(s.size() - tail.size()) == tail;
}

// A decimal byte count (blanks around it allowed); nothing when it is not one.
std::optional<std::uint64_t> byteCount(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + std::uint64_t(c - '0');
    }
    return v;
}

struct PendingEntry {
    std::string name;
    std::uint64_t dataStart = 0;
};

class Extractor {
  public:
    Extractor(int source, PrivateFolder& folder, AttachedScript& out)
        : source_(source), folder_(folder), out_(out) {}

    // Whether an entry's data should be written (a component already there
    // is kept as it is, whatever a later entry of that name carries).
    bool wanted(const std::string& name) {
        if (!folder_.ready()) return false;
        if (!IsForeignComponent(name)) return true;
        struct stat info {};
        return fstatat(folder_.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0;
    }

    void write(const std::string& name, std::uint64_t start, std::uint64_t length) {
        const int dir = folder_.fd();
        // The folder is ours alone, so nothing else can have put a link
        // there; O_NOFOLLOW and O_EXCL keep it so even if that changed.
        unlinkat(dir, name.c_str(), 0);
        int fd =
            openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 || !copy(fd, start, length)) {
            if (fd >= 0) {
                close(fd);
                unlinkat(dir, name.c_str(), 0);
            }
            out_.messages.push_back(
                {u"ファイルが作成できませんでした。" + text::fromUtf8(folder_.path() + name), 48});
            return;
        }
        close(fd);
        if (std::find(out_.extractedFiles.begin(), out_.extractedFiles.end(), name) ==
            out_.extractedFiles.end())
            out_.extractedFiles.push_back(name);
        if (IsForeignComponent(name)) out_.foreignComponents.push_back(name);
    }

  private:
    bool copy(int target, std::uint64_t start, std::uint64_t length) {
        // In the kernel where it can; by pieces where it cannot (older
        // kernels, some file systems).
        off_t offset = off_t(start);
        while (length > 0) {
            ssize_t n = copy_file_range(source_, &offset, target, nullptr, std::size_t(length), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            length -= std::uint64_t(n);
        }
        start = std::uint64_t(offset);
        std::vector<char> piece(std::size_t(std::min<std::uint64_t>(length, 1 << 20)));
        while (length > 0) {
            std::size_t n = std::size_t(std::min<std::uint64_t>(length, piece.size()));
            if (!readAt(source_, start, piece.data(), n)) return false;
            for (std::size_t done = 0; done < n;) {
                ssize_t w = ::write(target, piece.data() + done, n - done);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) return false;
                done += std::size_t(w);
            }
            start += n;
            length -= n;
        }
        return true;
    }

    int source_;
    PrivateFolder& folder_;
    AttachedScript& out_;
};

// Scans from the last byte of the image to the end of the file and returns
// the script block; entry data is skipped by its count and never scanned.
std::string scanAttachment(ByteSource& in, std::uint64_t imageEnd, Extractor& extractor) {
    std::string buffer;
    std::string block;
    bool haveBlock = false;
    std::size_t marker = std::string::npos;
    std::optional<PendingEntry> pending;
    for (std::uint64_t pos = imageEnd - 1; pos < in.size();) {
        std::string_view rest = in.from(pos);
        if (rest.empty()) break;
        // Every marker ends in ':', '\\' or '/': bytes before the next of
        // those (the whole digit run of the script) go in at once.
        std::size_t plain = rest.find_first_of(":\\/");
        if (plain != 0) {
            plain = std::min(plain, rest.size());
            buffer.append(rest.substr(0, plain));
            pos += plain;
            continue;
        }
        buffer.push_back(rest[0]);
        ++pos;
        if (marker == std::string::npos && endsWith(buffer, kFileMarker))
            marker = buffer.size() - kFileMarker.size();
        if (!pending && marker != std::string::npos && endsWith(buffer, kHeaderEnd) &&
            buffer.size() >= marker + kFileMarker.size() + kHeaderEnd.size()) {
            std::string_view header(buffer);
            header = header.substr(marker + kFileMarker.size());
            header.remove_suffix(kHeaderEnd.size());
            // The count never holds a comma, so a name may.
            std::size_t comma = header.rfind(',');
            std::string name = comma == std::string_view::npos
                                   ? std::string()
                                   : AttachedFileName(header.substr(0, comma));
            auto count = comma == std::string_view::npos ? std::nullopt
                                                         : byteCount(header.substr(comma + 1));
            if (!haveBlock) {
                block = buffer;
                haveBlock = true;
            }
            buffer.clear();
            marker = std::string::npos;
            // A count that runs past the end of the file is not an entry;
            // the bytes after the header are scanned as they come.
            if (!count || *count > in.size() - pos) continue;
            pending = PendingEntry{name, pos};
            pos = pos + *count - 1;
            continue;
        }
        if (pending && endsWith(buffer, kEndMarker)) {
            std::uint64_t length = pos - kEndMarker.size() - pending->dataStart;
            if (!pending->name.empty() && extractor.wanted(pending->name))
                extractor.write(pending->name, pending->dataStart, length);
            pending.reset();
        }
    }
    return haveBlock ? block : buffer;
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The character of one code-page code; a double-byte code the page lacks
// reads as the page's own stand-in.
char16_t characterOf(int code) {
    if (code < 0x80) return char16_t(code);
    std::string bytes{char(code >> 8), char(code & 0xFF)};
    Text t = text::fromCp932(bytes);
    return t.size() == 1 ? t[0] : u'・';
}

}  // namespace

std::uint64_t ImageEndOf(int fd, std::uint64_t fileSize) {
    std::array<unsigned char, 64> h{};
    if (fileSize < 64 || !readAt(fd, 0, h.data(), h.size())) return 0;
    if (h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F')
        return elfImageEnd(fd, fileSize, h.data());
    if (h[0] == 'M' && h[1] == 'Z') return peImageEnd(fd, fileSize, h.data());
    return 0;
}

Text DecodeScriptBlock(std::string_view block) {
    std::size_t info = block.find(kInfoMarker);
    if (info == std::string_view::npos) return {};
    std::string_view digits = block.substr(info + kInfoMarker.size());
    digits = digits.substr(0, digits.find(kFileMarker));
    std::string reversed(digits.rbegin(), digits.rend());
    Text out;
    out.reserve(reversed.size() / 3);
    for (std::size_t i = 0; i < reversed.size();) {
        int first = hexValue(char16_t(static_cast<unsigned char>(reversed[i])));
        std::size_t group = first >= 0 && first < 8 ? 2 : 4;
        // A group cut short or holding something that is not a digit ends
        // the text: what follows cannot be aligned any more.
        if (first < 0 || i + group > reversed.size()) break;
        int code = 0;
        bool digitsOnly = true;
        for (std::size_t k = 0; k < group; ++k) {
            int v = hexValue(char16_t(static_cast<unsigned char>(reversed[i + k])));
            if (v < 0) digitsOnly = false;
            code = code * 16 + v;
        }
        if (!digitsOnly) break;
        char16_t c = characterOf(code);
        if (c == kLineBreakCode)
            out += kCRLF;
        else
            out.push_back(c);
        i += group;
    }
    return out;
}

Text TitleOfBlock(std::string_view block) {
    block = block.substr(0, block.find(kInfoMarker));
    std::size_t at = block.find(kTitleField);
    if (at == std::string_view::npos) return {};
    std::string_view digits = block.substr(at + kTitleField.size());
    std::size_t end = digits.find(';');
    if (end == std::string_view::npos || end % 2 != 0) return {};
    std::string bytes;
    for (std::size_t i = 0; i < end; i += 2) {
        int high = hexValue(char16_t(static_cast<unsigned char>(digits[i])));
        int low = hexValue(char16_t(static_cast<unsigned char>(digits[i + 1])));
        if (high < 0 || low < 0) return {};
        bytes.push_back(char(high * 16 + low));
    }
    return text::fromUtf8(bytes);
}

std::string AttachedFileName(std::string_view rawName) {
    Text name = text::fromCp932(rawName);
    std::size_t cut = name.find_last_of(u"/\\");
    if (cut != Text::npos) name.erase(0, cut + 1);
    if (name.empty() || name == u"." || name == u".." || name.find(u'\0') != Text::npos) return {};
    return text::toUtf8(name);
}

bool IsForeignComponent(std::string_view name) {
    if (name.size() < 4) return false;
    std::string tail = text::toLowerAscii(std::string(name.substr(name.size() - 4)));
    return tail == ".dll" || tail == ".ocx";
}

std::string PrivateFolderParent() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = getenv(variable);
        struct stat info {};
        if (value && value[0] == '/' && stat(value, &info) == 0 && S_ISDIR(info.st_mode) &&
            access(value, W_OK | X_OK) == 0)
            return value;
    }
    return "/tmp";
}

PrivateFolder::~PrivateFolder() {
    cleanUp();
}

bool PrivateFolder::create(const std::string& parent) {
    cleanUp();
    std::string pattern = parent + (parent.ends_with('/') ? "" : "/") + "qelscript-app-XXXXXX";
    if (!mkdtemp(pattern.data())) return false;
    fd_ = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        rmdir(pattern.c_str());
        return false;
    }
    path_ = pattern + "/";
    return true;
}

void PrivateFolder::cleanUp() {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
    // remove_all removes links themselves, never what they point to.
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

AttachedScript ReadAttachedScript(int fd, const std::string& exePath, PrivateFolder& folder) {
    AttachedScript result;
    struct stat info {};
    std::uint64_t size =
        fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? std::uint64_t(info.st_size) : 0;
    std::uint64_t imageEnd = ImageEndOf(fd, size);
    if (imageEnd == 0) {
        result.messages.push_back(
            {u"実行ファイルサイズの取得に失敗しました。\r\r添付されたファイルを展開できません。\r"
             u"\n" +
                 text::fromUtf8(exePath),
             16});
        return result;
    }
    ByteSource source(fd, size);
    Extractor extractor(fd, folder, result);
    std::string block = scanAttachment(source, imageEnd, extractor);
    result.script = DecodeScriptBlock(block);
    result.title = TitleOfBlock(block);
    return result;
}

void CleanUpAttachedFiles(PrivateFolder& folder) {
    folder.cleanUp();
}

}  // namespace qel
