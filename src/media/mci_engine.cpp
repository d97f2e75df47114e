#include "media/mci_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace qel::media {

namespace {

constexpr double kFrameMs = 1000.0 / 75.0;  // one CD frame
// Nothing a script plays lasts longer; bounds what "wait" may sleep.
constexpr double kLongestWaitMs = 24.0 * 3600.0 * 1000.0;

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isFlag(const std::string& word) {
    return word == "wait" || word == "notify" || word == "test";
}

// Keyword words with the flags taken out (they change nothing here but
// "wait", which the callers look for themselves).
std::vector<std::string> keywords(const std::vector<std::string>& words, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < words.size(); ++i) {
        std::string w = lower(words[i]);
        if (!isFlag(w)) out.push_back(w);
    }
    return out;
}

bool hasWait(const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(),
                       [](const std::string& w) { return lower(w) == "wait"; });
}

bool readInteger(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 15) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
    }
    value = std::stoll(text);
    return true;
}

std::string twoDigits(long long n) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02lld", n);
    return buffer;
}

std::string extensionOf(const std::string& path) {
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot));
}

int openFailure(const std::string& why) {
    if (why == media_error::kFileNotFound) return kMciFileNotFound;
    if (why == media_error::kInvalidFile) return kMciInvalidFile;
    if (why == media_error::kNoDisc) return kMciDeviceNotReady;
    if (why == media_error::kUnsupported) return kMciUnsupportedFunction;
    return kMciHardware;
}

const char* modeWord(MediaMode mode) {
    switch (mode) {
        case MediaMode::Playing:
            return "playing";
        case MediaMode::Paused:
            return "paused";
        case MediaMode::Stopped:
            return "stopped";
        case MediaMode::Open:
            return "open";
        case MediaMode::NotReady:
            break;
    }
    return "not ready";
}

}  // namespace

struct MciEngine::Device {
    std::unique_ptr<MediaDevice> medium;
    MediaKind kind = MediaKind::File;
    std::string type;  // the MCI device type name
    TimeFormat format = TimeFormat::Milliseconds;
};

bool SplitMciWords(const std::string& command, std::vector<std::string>& words) {
    words.clear();
    std::size_t i = 0;
    while (i < command.size()) {
        if (command[i] == ' ' || command[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (command[i] == '"') {
            std::size_t close = command.find('"', i + 1);
            if (close == std::string::npos) return false;
            word = command.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < command.size() && command[i] != ' ' && command[i] != '\t') {
                if (command[i] == '"') return false;  // a quote inside a word
                word += command[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return true;
}

std::string MciErrorText(int code) {
    switch (code) {
        case kMciOk:
            return {};
        case kMciInvalidDeviceId:
            return "デバイス識別子が正しくありません。";
        case kMciUnrecognizedKeyword:
            return "指定されたパラメータはこのコマンドでは使えません。";
        case kMciUnrecognizedCommand:
            return "指定されたコマンドは認識できません。";
        case kMciHardware:
            return "メディアデバイスで問題が発生しました。";
        case kMciInvalidDeviceName:
            return "指定されたデバイスは開かれていないか、MCIで認識できません。";
        case kMciDeviceOpen:
            return "デバイス名は既に使われています。固有の名前を付けてください。";
        case kMciMissingCommandString:
            return "コマンドが指定されていません。";
        case kMciParamOverflow:
            return "返される文字列が長すぎます。";
        case kMciMissingStringArgument:
            return "文字列の引用符が閉じられていません。";
        case kMciBadInteger:
            return "指定された整数はこのコマンドでは正しくありません。";
        case kMciMissingParameter:
            return "指定されたコマンドには必要なパラメータがありません。";
        case kMciUnsupportedFunction:
            return "このデバイスは指定されたコマンドを実行できません。";
        case kMciFileNotFound:
            return "指定されたファイルが見つかりません。";
        case kMciDeviceNotReady:
            return "デバイスの準備ができていません。";
        case kMciOutOfRange:
            return "指定されたパラメータの値が範囲を超えています。";
        case kMciBadTimeFormat:
            return "指定された時間形式は正しくありません。";
        case kMciDuplicateAlias:
            return "指定された別名は既にこのアプリケーションで使われています。";
        case kMciInvalidFile:
            return "ファイルの形式が正しくないか、このデバイスでは再生できません。";
        case kMciNoWindow:
            return "表示ウィンドウがありません。";
        case kMciMissingDeviceName:
            return "デバイス名が指定されていません。";
        default:
            return "不明なMCIエラーです。";
    }
}

MciEngine::MciEngine(MediaPort& port, std::function<double()> now,
                     std::function<void(double)> sleep)
    : port_(port), now_(std::move(now)), sleep_(std::move(sleep)) {}

MciEngine::~MciEngine() = default;

MciEngine::Device* MciEngine::find(const std::string& name) {
    auto it = devices_.find(lower(name));
    return it == devices_.end() ? nullptr : it->second.get();
}

bool MciEngine::isOpen(const std::string& alias) const {
    return devices_.count(lower(alias)) != 0;
}

void MciEngine::closeAll() {
    port_.advance(now_());
    for (auto& [name, device] : devices_) device->medium->stop();
    devices_.clear();
}

int MciEngine::send(const std::string& command, std::string& result) {
    result.clear();
    port_.advance(now_());
    Words words;
    if (!SplitMciWords(command, words)) return kMciMissingStringArgument;
    if (words.empty()) return kMciMissingCommandString;
    const std::string verb = lower(words[0]);
    if (verb == "open") return open(words, result);
    if (words.size() < 2) return kMciMissingDeviceName;
    if (verb == "close") return close(words[1]);
    Device* device = find(words[1]);
    static const char* const kKnown[] = {"play", "pause",      "resume", "stop",   "seek",
                                         "set",  "status",     "where",  "put",    "window",
                                         "cue",  "capability", "info",   "update", "realize"};
    if (std::find(std::begin(kKnown), std::end(kKnown), verb) == std::end(kKnown))
        return kMciUnrecognizedCommand;
    if (!device) return kMciInvalidDeviceName;
    MediaDevice& medium = *device->medium;
    if (verb == "play") return play(*device, words);
    if (verb == "status") return status(*device, words, result);
    if (verb == "set") return set(*device, words);
    if (verb == "seek") return seek(*device, words);
    if (verb == "where") return where(*device, words, result);
    if (verb == "put") return put(*device, words);
    if (verb == "window") return window(*device, words, result);
    if (verb == "pause") {
        medium.pause();
    } else if (verb == "resume") {
        medium.resume();
    } else if (verb == "stop") {
        medium.stop();
    } else if (verb == "info") {
        result = device->type;
    } else if (verb == "capability") {
        Words rest = keywords(words, 2);
        if (rest.empty()) return kMciMissingParameter;
        result = rest[0] == "device" && rest.size() > 1 ? device->type : "true";
    }
    return kMciOk;
}

int MciEngine::open(const Words& words, std::string& result) {
    if (words.size() < 2) return kMciMissingDeviceName;
    std::string element = words[1];
    std::string type, alias;
    long long parent = 0;
    for (std::size_t i = 2; i < words.size(); ++i) {
        std::string w = lower(words[i]);
        auto next = [&](std::string& into) {
            if (i + 1 >= words.size()) return false;
            into = words[++i];
            return true;
        };
        std::string value;
        if (w == "type") {
            if (!next(type)) return kMciMissingParameter;
            type = lower(type);
        } else if (w == "alias") {
            if (!next(alias)) return kMciMissingParameter;
        } else if (w == "parent" || w == "style") {
            if (!next(value)) return kMciMissingParameter;
            long long n = 0;
            if (!readInteger(value, n)) return kMciBadInteger;
            if (w == "parent") parent = n;
        } else if (!isFlag(w) && w != "shareable") {
            return kMciUnrecognizedKeyword;
        }
    }
    // "open cdaudio" names the device itself; "open d: type cdaudio" a drive.
    MediaOpenRequest request;
    request.parentWindow = parent;
    std::string deviceType = type;
    if (type.empty() && lower(element) == "cdaudio") {
        deviceType = "cdaudio";
        element.clear();
    } else if (type.empty()) {
        std::string ext = extensionOf(element);
        deviceType = ext == ".mid" || ext == ".rmi" ? "sequencer"
                     : ext == ".wav"                ? "waveaudio"
                                                    : "mpegvideo";
    }
    if (deviceType == "cdaudio") {
        request.kind = MediaKind::CdAudio;
    } else if (deviceType == "sequencer") {
        request.kind = MediaKind::Sequencer;
    } else if (deviceType != "waveaudio" && deviceType != "mpegvideo" && deviceType != "avivideo" &&
               deviceType != "digitalvideo" && deviceType != "mpegaudio") {
        return kMciInvalidDeviceName;
    }
    request.path = element;
    if (alias.empty()) alias = request.kind == MediaKind::CdAudio ? "cdaudio" : element;
    if (alias.empty()) return kMciMissingDeviceName;
    if (isOpen(alias)) return kMciDeviceOpen;
    if (request.kind != MediaKind::CdAudio && element.empty()) return kMciMissingParameter;
    std::string why;
    std::unique_ptr<MediaDevice> medium = port_.open(request, why);
    if (!medium) return openFailure(why);
    auto device = std::make_unique<Device>();
    device->medium = std::move(medium);
    device->kind = request.kind;
    device->type = deviceType;
    device->format =
        request.kind == MediaKind::CdAudio ? TimeFormat::Msf : TimeFormat::Milliseconds;
    devices_.emplace(lower(alias), std::move(device));
    result = "1";
    return kMciOk;
}

int MciEngine::close(const std::string& name) {
    if (lower(name) == "all") {
        closeAll();
        return kMciOk;
    }
    auto it = devices_.find(lower(name));
    if (it == devices_.end()) return kMciInvalidDeviceName;
    it->second->medium->stop();
    devices_.erase(it);
    return kMciOk;
}

int MciEngine::play(Device& device, const Words& words) {
    MediaDevice& medium = *device.medium;
    Words rest = keywords(words, 2);
    double from = -1, to = -1;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if ((rest[i] == "from" || rest[i] == "to") && i + 1 < rest.size()) {
            double ms = 0;
            if (!parsePosition(device, rest[i + 1], ms)) return kMciBadInteger;
            (rest[i] == "from" ? from : to) = ms;
            ++i;
        } else if (rest[i] == "repeat" || rest[i] == "fullscreen" || rest[i] == "window") {
            continue;
        } else {
            return rest[i] == "from" || rest[i] == "to" ? kMciMissingParameter
                                                        : kMciUnrecognizedKeyword;
        }
    }
    if (device.kind == MediaKind::CdAudio && !medium.mediaPresent()) return kMciDeviceNotReady;
    const double length = medium.lengthMs();
    if (from > length || (to >= 0 && to > length) || (to >= 0 && from >= 0 && to < from))
        return kMciOutOfRange;
    if (from < 0) from = medium.positionMs() >= length ? 0 : medium.positionMs();
    if (!medium.play(from, to)) return kMciHardware;
    if (hasWait(words)) waitUntilStopped(device);
    return kMciOk;
}

void MciEngine::waitUntilStopped(Device& device) {
    MediaDevice& medium = *device.medium;
    double waited = 0;
    while (medium.mode() == MediaMode::Playing && waited < kLongestWaitMs) {
        // Sleep to the end in one step when the clock is virtual; a real clock
        // comes back after that time too.
        double left = std::max(1.0, medium.lengthMs() - medium.positionMs());
        sleep_(left);
        waited += left;
        port_.advance(now_());
    }
}

int MciEngine::seek(Device& device, const Words& words) {
    Words rest = keywords(words, 2);
    if (rest.size() < 2 || rest[0] != "to") return kMciMissingParameter;
    double ms = 0;
    if (rest[1] == "start") {
        ms = 0;
    } else if (rest[1] == "end") {
        ms = device.medium->lengthMs();
    } else if (!parsePosition(device, rest[1], ms)) {
        return kMciBadInteger;
    }
    if (ms > device.medium->lengthMs()) return kMciOutOfRange;
    device.medium->seek(ms);
    return kMciOk;
}

int MciEngine::set(Device& device, const Words& words) {
    Words rest = keywords(words, 2);
    if (rest.empty()) return kMciMissingParameter;
    if (rest[0] == "time" && rest.size() >= 3 && rest[1] == "format") {
        const std::string& f = rest[2];
        if (f == "milliseconds" || f == "ms") {
            device.format = TimeFormat::Milliseconds;
        } else if ((f == "tmsf" || f == "msf") && device.kind == MediaKind::CdAudio) {
            device.format = f == "tmsf" ? TimeFormat::Tmsf : TimeFormat::Msf;
        } else {
            return kMciBadTimeFormat;
        }
        return kMciOk;
    }
    if (rest[0] == "audio" && rest.size() >= 2) {
        const std::string& last = rest.back();
        if (last != "on" && last != "off") return kMciMissingParameter;
        device.medium->setAudio(last == "on");
        return kMciOk;
    }
    if (rest[0] == "door" && rest.size() >= 2 && device.kind == MediaKind::CdAudio) {
        if (rest[1] != "open" && rest[1] != "closed") return kMciUnrecognizedKeyword;
        return device.medium->setDoor(rest[1] == "open") ? kMciOk : kMciUnsupportedFunction;
    }
    return kMciUnrecognizedKeyword;
}

int MciEngine::status(Device& device, const Words& words, std::string& result) {
    MediaDevice& medium = *device.medium;
    Words rest = keywords(words, 2);
    if (rest.empty()) return kMciMissingParameter;
    const std::string& item = rest[0];
    const bool cd = device.kind == MediaKind::CdAudio;
    auto trackArgument = [&](std::size_t at, int& track) {
        long long n = 0;
        if (rest.size() <= at + 1 || rest[at] != "track") return kMciMissingParameter;
        if (!readInteger(rest[at + 1], n)) return kMciBadInteger;
        if (n < 1 || n > (long long)medium.tracks().size()) return kMciOutOfRange;
        track = int(n);
        return kMciOk;
    };
    if (item == "mode") {
        result = modeWord(medium.mode());
    } else if (item == "ready") {
        result = medium.mode() == MediaMode::NotReady ? "false" : "true";
    } else if (item == "media" && rest.size() > 1 && rest[1] == "present") {
        result = medium.mediaPresent() ? "true" : "false";
    } else if (item == "time" && rest.size() > 1 && rest[1] == "format") {
        result = device.format == TimeFormat::Tmsf  ? "tmsf"
                 : device.format == TimeFormat::Msf ? "msf"
                                                    : "milliseconds";
    } else if (cd && !medium.mediaPresent() && item != "number") {
        return kMciDeviceNotReady;
    } else if (item == "position") {
        if (rest.size() > 1) {
            int track = 0;
            if (int e = trackArgument(1, track)) return e;
            result = formatPosition(device, medium.tracks()[track - 1].startMs, false);
        } else {
            result = formatPosition(device, medium.positionMs(), false);
        }
    } else if (item == "length") {
        if (rest.size() > 1) {
            if (!cd) return kMciUnsupportedFunction;
            int track = 0;
            if (int e = trackArgument(1, track)) return e;
            result = formatPosition(device, medium.tracks()[track - 1].lengthMs, true);
        } else {
            result = formatPosition(device, medium.lengthMs(), true);
        }
    } else if (item == "number" && rest.size() > 2 && rest[1] == "of" && rest[2] == "tracks") {
        if (cd && !medium.mediaPresent()) return kMciDeviceNotReady;
        result = std::to_string(cd ? medium.tracks().size() : 1);
    } else if (item == "current" && rest.size() > 1 && rest[1] == "track") {
        int current = 1;
        const double at = medium.positionMs();
        auto tracks = medium.tracks();
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            if (at >= tracks[i].startMs) current = int(i + 1);
        }
        result = std::to_string(current);
    } else {
        return kMciUnrecognizedKeyword;
    }
    return kMciOk;
}

int MciEngine::where(Device& device, const Words& words, std::string& result) {
    Words rest = keywords(words, 2);
    if (rest.empty()) return kMciMissingParameter;
    if (rest[0] != "source" && rest[0] != "destination") return kMciUnrecognizedKeyword;
    auto size = device.medium->sourceSize();
    if (!size) return kMciUnsupportedFunction;
    result = "0 0 " + std::to_string(size->first) + " " + std::to_string(size->second);
    return kMciOk;
}

int MciEngine::put(Device& device, const Words& words) {
    Words rest = keywords(words, 2);
    if (rest.size() < 6 || rest[1] != "at") return kMciMissingParameter;
    if (rest[0] != "window" && rest[0] != "destination" && rest[0] != "source")
        return kMciUnrecognizedKeyword;
    long long v[4];
    for (int i = 0; i < 4; ++i) {
        if (!readInteger(rest[std::size_t(i) + 2], v[i])) return kMciBadInteger;
    }
    if (v[2] < 0 || v[3] < 0) return kMciOutOfRange;
    if (!device.medium->placeVideo(int(v[0]), int(v[1]), int(v[2]), int(v[3]))) return kMciNoWindow;
    return kMciOk;
}

int MciEngine::window(Device& device, const Words& words, std::string& result) {
    Words rest = keywords(words, 2);
    if (rest.empty()) return kMciMissingParameter;
    if (rest[0] == "handle" || rest[0] == "state" || rest[0] == "text") return kMciOk;
    (void)result;
    (void)device;
    return kMciUnrecognizedKeyword;
}

std::string MciEngine::formatPosition(const Device& device, double ms, bool isLength) const {
    if (device.format == TimeFormat::Milliseconds)
        return std::to_string((long long)std::llround(ms));
    auto msf = [](double at) {
        long long frames = (long long)std::floor(at / kFrameMs + 0.5);
        return twoDigits(frames / 75 / 60) + ":" + twoDigits(frames / 75 % 60) + ":" +
               twoDigits(frames % 75);
    };
    // Lengths stay minutes:seconds:frames in both CD formats.
    if (device.format == TimeFormat::Msf || isLength) return msf(ms);
    auto tracks = device.medium->tracks();
    std::size_t track = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (ms + 0.5 >= tracks[i].startMs) track = i;
    }
    double within = tracks.empty() ? ms : std::max(0.0, ms - tracks[track].startMs);
    return twoDigits((long long)track + 1) + ":" + msf(within);
}

bool MciEngine::parsePosition(Device& device, const std::string& text, double& ms) const {
    if (device.format == TimeFormat::Milliseconds) {
        long long n = 0;
        if (!readInteger(text, n) || n < 0) return false;
        ms = double(n);
        return true;
    }
    // t[:m[:s[:f]]] for tmsf, m[:s[:f]] for msf; missing parts are 0.
    long long parts[4] = {0, 0, 0, 0};
    std::size_t count = 0, start = 0;
    for (;;) {
        std::size_t colon = text.find(':', start);
        std::string part = text.substr(start, colon == std::string::npos ? colon : colon - start);
        if (count == 4 || !readInteger(part, parts[count]) || parts[count] < 0) return false;
        ++count;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (device.format == TimeFormat::Msf) {
        if (count > 3) return false;
        ms = double(parts[0] * 60 * 75 + parts[1] * 75 + parts[2]) * kFrameMs;
        return true;
    }
    auto tracks = device.medium->tracks();
    if (parts[0] < 1 || parts[0] > (long long)tracks.size()) return false;
    double within = double(parts[1] * 60 * 75 + parts[2] * 75 + parts[3]) * kFrameMs;
    ms = tracks[std::size_t(parts[0] - 1)].startMs + within;
    return true;
}

}  // namespace qel::media
