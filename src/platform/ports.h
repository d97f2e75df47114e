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
    virtual bool fileExists(const std::string& path) = 0;    // a file of any kind
    virtual bool folderExists(const std::string& path) = 0;
    virtual std::string currentFolder() = 0;
    virtual bool setCurrentFolder(const std::string& path) = 0;
    virtual std::string executablePath() = 0;
    // Last-modified time of a file as seconds since the epoch, or nothing.
    virtual std::optional<double> modifiedTime(const std::string& path) = 0;
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
};

}  // namespace qel
