// The MCI command-string engine: the text commands that open, play, stop and
// close a device, and the answers they give, over the media port. Devices are
// named by alias (or by their type for the CD, "cdaudio"); each keeps the time
// format its answers and positions use.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports/media.h"

namespace qel::media {

// MCI's own error numbers, so that scripts comparing them keep working.
enum MciError : int {
    kMciOk = 0,
    kMciInvalidDeviceId = 257,
    kMciUnrecognizedKeyword = 259,
    kMciUnrecognizedCommand = 261,
    kMciHardware = 262,
    kMciInvalidDeviceName = 263,
    kMciDeviceOpen = 265,
    kMciMissingCommandString = 267,
    kMciParamOverflow = 268,
    kMciMissingStringArgument = 269,
    kMciBadInteger = 270,
    kMciMissingParameter = 273,
    kMciUnsupportedFunction = 274,
    kMciFileNotFound = 275,
    kMciDeviceNotReady = 276,
    kMciOutOfRange = 282,
    kMciBadTimeFormat = 293,
    kMciDuplicateAlias = 289,
    kMciInvalidFile = 296,
    kMciNoWindow = 346,
    kMciMissingDeviceName = 304,
};

// The text MCI gives for an error number ("" for 0).
std::string MciErrorText(int code);

enum class TimeFormat { Milliseconds, Tmsf, Msf };

class MciEngine {
  public:
    // `now` reads the engine's monotonic clock; `sleep` lets it pass (the
    // host's sleep: a virtual clock moves at once) for the "wait" flag.
    MciEngine(MediaPort& port, std::function<double()> now, std::function<void(double)> sleep);
    ~MciEngine();

    // Runs one command string; 0 or an MciError. `result` gets the answer
    // (empty for commands without one).
    int send(const std::string& command, std::string& result);
    // Closes every open device (the end of a run).
    void closeAll();
    bool isOpen(const std::string& alias) const;

  private:
    struct Device;
    using Words = std::vector<std::string>;

    int open(const Words& words, std::string& result);
    int close(const std::string& name);
    int play(Device& device, const Words& words);
    int status(Device& device, const Words& words, std::string& result);
    int set(Device& device, const Words& words);
    int seek(Device& device, const Words& words);
    int where(Device& device, const Words& words, std::string& result);
    int put(Device& device, const Words& words);
    int window(Device& device, const Words& words, std::string& result);
    void waitUntilStopped(Device& device);

    // A position as the device's time format writes it, and back.
    std::string formatPosition(const Device& device, double ms, bool isLength) const;
    bool parsePosition(Device& device, const std::string& text, double& ms) const;

    Device* find(const std::string& name);

    MediaPort& port_;
    std::function<double()> now_;
    std::function<void(double)> sleep_;
    std::map<std::string, std::unique_ptr<Device>> devices_;  // by folded alias
};

// Splits a command string at blanks, keeping double-quoted parts whole
// (without their quotes); false when a quote is left open.
bool SplitMciWords(const std::string& command, std::vector<std::string>& words);

}  // namespace qel::media
