// The ports through which the language reaches the outside world. The engine
// is given one Platform bundle; tests use the headless implementations.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text.h"
#include "platform/transfer.h"
#include "platform/settings_store.h"

namespace qel {

// Why a message box is shown: hosts without a display route them differently
// (script messages to standard output, error reports to standard error).
enum class BoxPurpose { Message, Error, Question, Confirm };

// Button numbers a message box answers with.
enum BoxAnswer : int { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

struct MessageBoxRequest {
    TextView text;
    int style = 0;  // platform style: buttons in the low nibble, icon 16/32/48/64
    TextView caption;
    BoxPurpose purpose = BoxPurpose::Message;
};

class UiHost {
public:
    virtual ~UiHost() = default;
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    // The typed text, or nothing when the user cancelled.
    virtual std::optional<Text> inputBox(TextView prompt, TextView caption, TextView defaultText) = 0;
    virtual void setApplicationTitle(TextView title) = 0;
    // Lets pending window messages (and event procedures) run once.
    virtual void pumpEvents() = 0;
    virtual void sleepMs(int milliseconds) = 0;
    // A monotonic millisecond clock.
    virtual double clockMs() = 0;
    // Whether anything shown by this host (a window, a timer, a tray icon)
    // could still raise an event. A wait for events with none, and no message
    // channel open, could never end, so it ends at once instead.
    virtual bool hasEventSources() { return false; }
    // Prints the text. With onNewPage the print job starts a new page for it
    // (a first page when none is open yet) and stays open for more; otherwise
    // the text goes below what the open job holds and the job ends. Returns
    // the reason when it could not be printed (the job is then abandoned).
    virtual std::string printText(TextView text, bool onNewPage) {
        (void)text, (void)onNewPage;
        return "this host cannot print";
    }
    // Ends a print job left open by printText(…, true) (at the end of a run).
    virtual void endPrintJob() {}
};

// Why a change to a file failed, in the classes scripts report differently.
enum class FileFault {
    None,
    NotFound,  // a folder on the path does not exist, or the name cannot name a file
    Denied,    // no permission, a read-only file system, or a folder stands at the path
    Other,     // anything else: a full disk, an input/output error
};

struct FileStatus {
    FileFault fault = FileFault::None;
    std::string message;  // the system's description of the fault (UTF-8)
    explicit operator bool() const { return fault == FileFault::None; }
};

enum class FileKind { File, Folder, Other };

struct FileInfo {
    FileKind kind = FileKind::File;
    bool symbolicLink = false;  // the name itself is a link (the rest describes its target)
    std::uint64_t size = 0;
    double modified = 0;                  // seconds since the epoch
    std::uint32_t mode = 0;               // permission bits
    std::uint64_t device = 0, inode = 0;  // identify a folder already entered
};

struct FolderEntry {
    std::string name;
    FileKind kind = FileKind::File;  // of the link's target for a link
    bool symbolicLink = false;
};

struct MountPoint {
    std::string path;  // ends with "/"
    std::string type;  // the file system type, e.g. ext4, vfat, nfs4
};

// The desktop's and the system's folders that scripts ask for by name.
enum class UserFolder {
    Home,
    Desktop,
    Documents,
    Favorites,
    StartMenu,
    Programs,
    Startup,
    SendTo,
    Temporary,
    Windows,
    System,
    ProgramFiles,
    Backups,  // where バックアップ keeps copies when no folder is named
};

// Held from reading a file to writing it back (FileSystem::lockForUpdate);
// released when destroyed.
class FileUpdateLock {
public:
    virtual ~FileUpdateLock() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool readFile(const std::string& path, std::string& bytes) = 0;
    // Makes `bytes` the whole content of the file at `path`. The bytes go to a
    // temporary file in the same folder that is then renamed over the target,
    // so a crash or a full disk never leaves a half-written file where a good
    // one stood. File systems that must not change (the fuzzers' empty disk)
    // keep this default, which refuses.
    virtual FileStatus writeFile(const std::string& path, std::string_view bytes) {
        (void)path, (void)bytes;
        return {FileFault::Denied, "this file system cannot be written"};
    }
    // Waits until no other process is changing the file at `path` (the file
    // its links lead to) and keeps others waiting while `lock` is held. A
    // writer that reads a file, changes it and writes it back holds it
    // throughout, so that changes made at the same time are not lost.
    // File systems no other process sees keep this default: no lock needed.
    virtual FileStatus lockForUpdate(const std::string& path,
                                     std::unique_ptr<FileUpdateLock>& lock) {
        (void)path;
        lock.reset();
        return {};
    }
    virtual bool fileExists(const std::string& path) = 0;    // a file of any kind
    virtual bool folderExists(const std::string& path) = 0;
    virtual std::string currentFolder() = 0;
    virtual bool setCurrentFolder(const std::string& path) = 0;
    virtual std::string executablePath() = 0;
    // Last-modified time of a file as seconds since the epoch, or nothing.
    virtual std::optional<double> modifiedTime(const std::string& path) = 0;

    // ---- what the file and folder commands need ------------------------------
    // The changing calls below default to refusing, like writeFile, so a file
    // system that must not change only implements the reading ones.

    // What stands at a path, following symbolic links; a link whose target is
    // missing is reported as Other with symbolicLink set. Nothing when the
    // path names nothing at all.
    virtual std::optional<FileInfo> fileInfo(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
    // The names in a folder (without "." and ".."), sorted by their bytes.
    virtual FileStatus listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
        (void)path, entries.clear();
        return {FileFault::NotFound, "this file system has no folders"};
    }
    // Adds the bytes to the end of the file (created when missing) with one
    // write; a write that fails part-way is cut back, so the file is either
    // as before or holds all of the bytes.
    virtual FileStatus appendFile(const std::string& path, std::string_view bytes) {
        (void)path, (void)bytes;
        return refused();
    }
    // Copies a file or a whole folder tree to `to` (the new name, not the
    // folder to put it in). Files already at `to` are replaced one by one,
    // each atomically; symbolic links are copied as links, never followed, so
    // a tree holding a link loop copies in finite time.
    virtual FileStatus copyTree(const std::string& from, const std::string& to) {
        (void)from, (void)to;
        return refused();
    }
    // Renames; across file systems the tree is copied and then removed.
    virtual FileStatus moveTree(const std::string& from, const std::string& to) {
        (void)from, (void)to;
        return refused();
    }
    // Removes a file, a link (not what it points to) or a folder tree.
    virtual FileStatus removeTree(const std::string& path) {
        (void)path;
        return refused();
    }
    // Makes the folder and any missing parents; an existing folder is fine.
    virtual FileStatus makeFolders(const std::string& path) {
        (void)path;
        return refused();
    }
    // Moves a file or folder to the desktop's Trash (freedesktop.org layout
    // under $XDG_DATA_HOME/Trash), from which the user can put it back.
    virtual FileStatus moveToTrash(const std::string& path) {
        (void)path;
        return refused();
    }
    // Makes a symbolic link at `linkPath` pointing to `target`.
    virtual FileStatus makeLink(const std::string& target, const std::string& linkPath) {
        (void)target, (void)linkPath;
        return refused();
    }
    // Sets the permission bits (the low 12 bits of `mode`).
    virtual FileStatus setPermissions(const std::string& path, std::uint32_t mode) {
        (void)path, (void)mode;
        return refused();
    }
    // Where a path leads, as an absolute path with no links, no "." or ".."
    // steps and no doubled slashes: each link on the way is followed as the
    // system follows it (the last part too when followLast, also a link to a
    // place not made yet), and parts that do not exist are kept as written.
    // Two paths that lead to one place give the same text, which is how the
    // commands tell places apart that must not be touched.
    virtual std::string resolvedPlace(const std::string& path, bool followLast) {
        (void)followLast;
        return path;
    }
    // A folder of the user's desktop or of the system, ending with "/";
    // empty when this file system has none.
    virtual std::string userFolder(UserFolder which) {
        (void)which;
        return {};
    }
    // The mounted file systems that hold files (not the kernel's virtual
    // ones), in mount order.
    virtual std::vector<MountPoint> mountPoints() { return {}; }

  protected:
    static FileStatus refused() {
        return {FileFault::Denied, "this file system cannot be changed"};
    }
};

// Readings of Japanese words (kanji to kana), which ふりがな gives.
class ReadingService {
public:
    virtual ~ReadingService() = default;
    // The kana reading of each phrase (Japanese letters, no line breaks), in
    // order; nothing when no reading program can be run.
    virtual std::optional<std::vector<Text>> readings(const std::vector<Text>& phrases) = 0;
};

// The channel through which scripts of one user on one machine pass short
// texts to each other (開始 … 通信, 送信). Each channel holds one message at a
// time; a new one replaces it.
struct ChannelMessage {
    Text text;
    // Different for every message ever posted, so that a reader sees each
    // one once even when two arrive within the same millisecond.
    std::string id;
    double time = 0;  // the sender's millisecond clock when it was posted
};

class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    // Replaces the channel's message in one step: readers find the old one or
    // the new one, never a mixture. On success `id` names the new message.
    virtual FileStatus post(TextView channel, TextView message, double time, std::string& id) = 0;
    // The channel's message; nothing when it holds none or what it holds
    // cannot be read as a message.
    virtual std::optional<ChannelMessage> read(TextView channel) = 0;
    // Empties the channel if it still holds the message `id`.
    virtual void withdraw(TextView channel, std::string_view id) = 0;
};

// Keys typed into other programs' windows (入力, 入力２).
enum class Key : std::uint8_t {
    Character,  // the stroke types its character
    Enter, Tab, Backspace, Escape, Delete, Insert, Home, End, PageUp, PageDown,
    Left, Right, Up, Down, CapsLock, NumLock, ScrollLock, PrintScreen, Break, Help, Clear,
    Shift, Control, Alt, Super, Menu,
    NumPad0, NumPad1, NumPad2, NumPad3, NumPad4, NumPad5, NumPad6, NumPad7, NumPad8, NumPad9,
    Multiply, Add, Separator, Subtract, Decimal, Divide,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    F13, F14, F15, F16, F17, F18, F19, F20, F21, F22, F23, F24,
};

struct KeyStroke {
    Key key = Key::Character;
    char32_t character = 0;  // when key is Character
    bool shift = false, control = false, alt = false;
    bool operator==(const KeyStroke&) const = default;
};

enum class KeyFault { None, NoDisplay, NoWindow, Failed };

struct KeyStatus {
    KeyFault fault = KeyFault::None;
    std::string message;  // why (UTF-8), for the error report
    explicit operator bool() const { return fault == KeyFault::None; }
};

class KeySender {
public:
    virtual ~KeySender() = default;
    // Brings the window forward and gives it the keyboard: the window of the
    // running program with that task number (process id), or else the
    // top-level window whose caption is exactly `caption`.
    virtual KeyStatus activate(std::optional<std::int64_t> taskNumber, TextView caption) = 0;
    // Presses and releases each stroke in order, holding its modifiers.
    virtual KeyStatus send(const std::vector<KeyStroke>& strokes) = 0;
};

// How a started program's first window should appear (a hint: the desktop
// may ignore it).
enum class WindowHint { Normal, Minimized, MinimizedWithoutFocus, Maximized };

// Why a request to the system failed, in the classes scripts report differently.
enum class SystemFault {
    None,
    NotFound,    // the program, document or file does not exist
    NotProgram,  // it exists but is not something that can be started
    Refused,     // the system said no (no permission, no session manager)
    Other,
};

struct SystemStatus {
    SystemFault fault = SystemFault::None;
    std::string message;  // the system's description of the fault (UTF-8)
    explicit operator bool() const { return fault == SystemFault::None; }
};

struct StartedProgram {
    SystemStatus status;
    std::int64_t taskNumber = 0;  // the process id, when it started
};

// Ending the user's session or the machine's work.
enum class SessionAction { PowerOff, Reboot, LogOff, ForcedLogOff, Suspend };

// What scripts may learn about the system they run on.
struct SystemFacts {
    std::string version;  // "major.minor" of the operating system
    std::string build;    // its build (patch) number
    std::string kind;     // the system's name as users know it
};

// Requests that act on the machine or the desktop beyond the script's own
// files. The headless implementation records them and never acts, so that no
// test can shut a machine down or change its file associations.
class SystemPort {
public:
    virtual ~SystemPort() = default;
    // Starts a command line (program and arguments, quoted as a shell would
    // read them, but never run through a shell).
    virtual StartedProgram startProgram(const std::string& commandLine, WindowHint hint) = 0;
    // Whether a program this port started is still running; an ended one is
    // reaped here.
    virtual bool isRunning(std::int64_t taskNumber) = 0;
    // Opens a document or an address with the program the desktop associates
    // with it.
    virtual SystemStatus openDocument(const std::string& pathOrAddress) = 0;
    virtual SystemStatus endSession(SessionAction action) = 0;
    // Makes files with this extension (without the dot) open with the command
    // line; description and icon as the desktop shows them.
    virtual SystemStatus associate(const std::string& extension, const std::string& commandLine,
                                   const std::string& description, const std::string& icon) = 0;
    virtual SystemStatus removeAssociation(const std::string& extension) = 0;
    // The captions of the desktop's top-level windows that have one.
    virtual std::vector<Text> windowCaptions() = 0;
    virtual SystemFacts facts() { return {}; }
    // The value of an environment variable; nothing when it is not set.
    virtual std::optional<std::string> environmentVariable(const std::string& name) {
        (void)name;
        return std::nullopt;
    }
    // Whether a program of this name would be found on the search path.
    virtual bool programAvailable(const std::string& name) {
        (void)name;
        return false;
    }
};

struct Platform {
    std::unique_ptr<UiHost> ui;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<ReadingService> reading;  // none: ふりがな reports it missing
    std::unique_ptr<MessageChannel> channel;  // none: 送信 reports it, nothing arrives
    std::unique_ptr<KeySender> keys;          // none: 入力 reports that keys cannot be sent
    std::unique_ptr<SystemPort> system;       // none: system requests are refused
    // HTTP and FTP transfers (platform/transfer.h); none: every transfer
    // fails as if the server could not be reached.
    std::unique_ptr<TransferPort> transfer;
    // The per-user registry stand-in and application settings (protection
    // key included); none: reads give empty values, writes are refused.
    std::unique_ptr<SettingsStore> settings;
};

}  // namespace qel
