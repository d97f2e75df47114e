#include "startup/app_builder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "startup/attached_script.h"
#include "startup/desktop_loader.h"
#include "startup/messages.h"

namespace qel {

namespace {

namespace fs = std::filesystem;

constexpr char16_t kLineBreakCode = 4;

void appendHex(std::string& out, unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(kDigits[(value >> shift) & 0xF]);
}

std::string describe(char32_t c) {
    std::u16string unit;
    if (c > 0xFFFF) {
        unit.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        unit.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        unit.push_back(char16_t(c));
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
    bool printable = c >= 0x20 && c != 0x7F;
    return printable ? "\"" + text::toUtf8(unit) + "\" (" + code + ")" : code;
}

class File {
  public:
    explicit File(int fd = -1) : fd_(fd) {}
    ~File() {
        if (fd_ >= 0) close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

// Copies `length` bytes of `from` (from its start) to the end of `to`.
bool copyBytes(int from, std::uint64_t length, int to) {
    std::vector<char> piece(1 << 20);
    for (std::uint64_t offset = 0; offset < length;) {
        std::size_t want = std::size_t(std::min<std::uint64_t>(piece.size(), length - offset));
        ssize_t n = pread(from, piece.data(), want, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || !writeAll(to, std::string_view(piece.data(), std::size_t(n)))) return false;
        offset += std::uint64_t(n);
    }
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// The name an attached file is stored under, in code page 932; empty (with
// the reason) when the name cannot be stored so that it reads back the same.
std::string storedName(const std::string& path, std::string& why) {
    std::string name = fs::path(path).filename().string();
    Text wide = text::fromUtf8(name);
    std::string bytes = text::toCp932(wide);
    if (name.empty() || name.find('\\') != std::string::npos) {
        why = "the name of " + path + " cannot be stored";
        return {};
    }
    if (text::fromCp932(bytes) != wide) {
        why = "the name of " + path + " holds characters outside code page 932";
        return {};
    }
    return bytes;
}

struct Attachment {
    std::string path;
    std::string name;  // code page 932
    std::uint64_t size = 0;
};

bool checkAttachments(const BuildRequest& request, std::vector<Attachment>& out,
                      std::ostream& err) {
    for (const auto& path : request.attachments) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            err << "qelscript: " << Say("cannot attach {}: not a readable file", {path}) << '\n';
            return false;
        }
        std::string why;
        std::string name = storedName(path, why);
        if (name.empty()) {
            err << "qelscript: " << why << '\n';
            return false;
        }
        if (sameFile(path, request.output)) {
            err << "qelscript: " << Say("the output file {} is an attached file", {request.output})
                << '\n';
            return false;
        }
        out.push_back({path, name, std::uint64_t(info.st_size)});
    }
    return true;
}

// The icon travels as one more attached file, of a reserved name; readers
// of the plain layout see a file, ours give it to the windows.
bool attachIcon(const std::string& path, std::vector<Attachment>& out, std::ostream& err) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        err << "qelscript: " << Say("cannot use the icon {}: not a readable file", {path}) << '\n';
        return false;
    }
    std::string extension = fs::path(path).extension().string();
    const bool plain = extension.size() >= 2 && extension.size() <= 8 &&
                       std::all_of(extension.begin() + 1, extension.end(),
                                   [](unsigned char c) { return std::isalnum(c) != 0; });
    out.push_back({path, std::string(kIconEntryStem) + (plain ? extension : ".png"),
                   std::uint64_t(info.st_size)});
    return true;
}

// The runtime's own image, without whatever a built application carries
// after it: building from a built application gives a clean copy.
bool writeRuntimeImage(const std::string& runtimePath, int to, std::ostream& err) {
    File self(open(runtimePath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (self.get() < 0 || fstat(self.get(), &info) != 0) {
        err << "qelscript: " << Say("cannot read the runtime {}", {runtimePath}) << '\n';
        return false;
    }
    std::uint64_t end = ImageEndOf(self.get(), std::uint64_t(info.st_size));
    if (end == 0) {
        err << "qelscript: cannot find where the runtime's image ends in " << runtimePath << '\n';
        return false;
    }
    return copyBytes(self.get(), end, to);
}

bool writeAttachments(const std::vector<Attachment>& attachments, int to, std::ostream& err) {
    for (const auto& a : attachments) {
        File in(open(a.path.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0 || !writeAll(to, AttachedEntryHeader(a.name, a.size)) ||
            !copyBytes(in.get(), a.size, to) || !writeAll(to, "/END/")) {
            err << "qelscript: cannot attach " << a.path << ": " << std::strerror(errno) << '\n';
            return false;
        }
    }
    return true;
}

std::string titleField(const std::string& title) {
    if (title.empty()) return {};
    std::string field(kTitleField);
    for (unsigned char c : title) appendHex(field, c, 2);
    return field + ";";
}

// The desktop module beside the runtime goes beside the application too
// (when it is not there already): the application is then the same two
// files as the runtime, and its windows work wherever it is copied with it.
// The browser's WebEngine module goes with it where the runtime has one.
void placeDesktopModule(const std::string& runtimePath, const std::string& output,
                        std::ostream& out) {
    for (const char* name : {"qelscript-qt.so", "qelscript-web.so"}) {
        fs::path module = FindDesktopModule(fs::path(runtimePath).parent_path().string(), name);
        fs::path target = fs::absolute(output).parent_path() / name;
        std::error_code ec;
        if (!fs::exists(module, ec) || fs::exists(target, ec)) continue;
        if (fs::copy_file(module, target, ec))
            out << "qelscript: " << Say("copied the desktop module to {}", {target.string()})
                << '\n';
    }
}

void writeDesktopEntry(const BuildRequest& request, std::ostream& out, std::ostream& err) {
    fs::path app = fs::absolute(request.output);
    std::string name = request.title.empty() ? app.filename().string() : request.title;
    // One line per key: a title with line breaks must not add keys.
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    std::string entry = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=\"" +
                        app.string() + "\"\nTerminal=false\n";
    if (!request.icon.empty()) {
        fs::path icon = app;
        icon += fs::path(request.icon).extension();
        std::error_code ec;
        fs::copy_file(request.icon, icon, fs::copy_options::overwrite_existing, ec);
        if (ec)
            err << "qelscript: cannot copy the icon " << request.icon << ": " << ec.message()
                << '\n';
        entry += "Icon=" + icon.string() + "\n";
    }
    std::string path = app.string() + ".desktop";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << entry) || !file.flush()) {
        err << "qelscript: " << Say("cannot write {}", {path}) << '\n';
        return;
    }
    out << "qelscript: " << Say("wrote {}", {path}) << '\n';
}

}  // namespace

bool EncodeScriptBlock(TextView script, std::string& block, EncodingProblem& problem) {
    std::string digits;
    digits.reserve(script.size() * 3);
    std::size_t line = 1;
    std::size_t column = 0;
    for (std::size_t i = 0; i < script.size(); ++i) {
        char16_t c = script[i];
        ++column;
        if (c == u'\r' && i + 1 < script.size() && script[i + 1] == u'\n') {
            appendHex(digits, kLineBreakCode, 2);
            ++i;
            ++line;
            column = 0;
            continue;
        }
        int code = text::cp932Code(c);
        if (code < 0 || (code >= 0x80 && code <= 0xFF) || c == kLineBreakCode || c == u'\r' ||
            c == u'\n') {
            char32_t full = c;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < script.size() && script[i + 1] >= 0xDC00 &&
                script[i + 1] < 0xE000)
                full = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (script[i + 1] - 0xDC00);
            problem = {line, column, full};
            return false;
        }
        appendHex(digits, unsigned(code), code < 0x80 ? 2 : 4);
    }
    block = "INFO:";
    block.append(digits.rbegin(), digits.rend());
    return true;
}

std::string AttachedEntryHeader(std::string_view cp932Name, std::uint64_t size) {
    return "//FILE:" + std::string(cp932Name) + "," + std::to_string(size) + "/\\";
}

int BuildApplication(const BuildRequest& request, const std::string& runtimePath, std::ostream& out,
                     std::ostream& err) {
    std::string bytes;
    {
        std::ifstream in(request.script, std::ios::binary);
        if (!in) {
            err << "qelscript: " << Say("cannot read the script file {}", {request.script}) << '\n';
            return 2;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Text script = text::normaliseLineEnds(text::decodeFileBytes(bytes));
    std::string block;
    EncodingProblem problem;
    if (!EncodeScriptBlock(script, block, problem)) {
        err << "qelscript: " << request.script << ":" << problem.line << ":" << problem.column
            << ": the character " << describe(problem.character)
            << " cannot be carried by a stand-alone application (only code page 932 "
               "characters other than half-width katakana can)\n";
        return 2;
    }
    if (sameFile(request.script, request.output) || sameFile(runtimePath, request.output)) {
        err << "qelscript: "
            << Say("the output file {} would replace its own input", {request.output}) << '\n';
        return 2;
    }
    std::vector<Attachment> attachments;
    if (!checkAttachments(request, attachments, err)) return 2;
    if (!request.icon.empty() && !attachIcon(request.icon, attachments, err)) return 2;

    // Written under a temporary name beside the target and renamed into
    // place, so a failed build never leaves half an application there.
    std::string temporary = fs::absolute(request.output).string() + ".XXXXXX";
    File target(mkstemp(temporary.data()));
    if (target.get() < 0) {
        err << "qelscript: cannot write " << request.output << ": " << std::strerror(errno) << '\n';
        return 2;
    }
    bool written = writeRuntimeImage(runtimePath, target.get(), err) &&
                   writeAll(target.get(), titleField(request.title) + block) &&
                   writeAttachments(attachments, target.get(), err) &&
                   fchmod(target.get(), 0755) == 0 && fsync(target.get()) == 0 &&
                   rename(temporary.c_str(), request.output.c_str()) == 0;
    if (!written) {
        err << "qelscript: " << Say("cannot write {}", {request.output}) << '\n';
        unlink(temporary.c_str());
        return 2;
    }
    out << "qelscript: " << Say("built {}", {request.output}) << '\n';
    placeDesktopModule(runtimePath, request.output, out);
    if (request.desktopEntry || !request.icon.empty()) writeDesktopEntry(request, out, err);
    return 0;
}

}  // namespace qel
