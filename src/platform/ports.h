// The ports through which the language reaches the outside world. The engine
// is given one Platform bundle; tests use the headless implementations.
#pragma once

#include <memory>
#include <optional>
#include <string>

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
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool readFile(const std::string& path, std::string& bytes) = 0;
    virtual bool fileExists(const std::string& path) = 0;    // a file of any kind
    virtual bool folderExists(const std::string& path) = 0;
    virtual std::string currentFolder() = 0;
    virtual bool setCurrentFolder(const std::string& path) = 0;
    virtual std::string executablePath() = 0;
    // Last-modified time of a file as seconds since the epoch, or nothing.
    virtual std::optional<double> modifiedTime(const std::string& path) = 0;
};

struct Platform {
    std::unique_ptr<UiHost> ui;
    std::unique_ptr<FileSystem> files;
};

}  // namespace qel
