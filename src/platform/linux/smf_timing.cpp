#include "platform/linux/smf_timing.h"

#include <algorithm>
#include <cstring>

#include "platform/ports/media.h"

namespace qel {

namespace {

constexpr double kDefaultUsPerQuarter = 500000;  // 120 beats a minute
// The player counts ticks in an int; a file whose delta times add up beyond
// that is damaged (at 480 ticks a beat it would last about two months).
constexpr long long kMostTicks = 0x7FFFFFFF;

unsigned long be(const unsigned char* p, int n) {
    unsigned long v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

// A variable-length quantity of at most four bytes; false past the end.
bool vlq(const unsigned char* p, std::size_t end, std::size_t& at, unsigned long& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end) return false;
        const unsigned char b = p[at++];
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

int dataBytes(unsigned char status) {
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

}  // namespace

bool SmfTiming::read(const std::string& text, std::string& error) {
    error = media_error::kInvalidFile;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    if (size < 14 || std::memcmp(bytes, "MThd", 4) != 0) return false;
    const unsigned long headerLength = be(bytes + 4, 4);
    if (headerLength < 6 || headerLength > size - 8) return false;
    const unsigned long tracks = be(bytes + 10, 2);
    const unsigned long division = be(bytes + 12, 2);
    if (division == 0) return false;
    if (division & 0x8000) {
        // Frames a second (a negative byte; 29 stands for 29.97) times ticks a frame.
        const int fps = 256 - int(division >> 8);
        const double rate = fps == 29 ? 29.97 : fps;
        const int perFrame = int(division & 0xFF);
        if (perFrame == 0 || fps <= 0) return false;
        smpteMsPerTick_ = 1000.0 / (rate * perFrame);
    } else {
        division_ = int(division);
    }
    std::vector<Tempo> changes;
    std::size_t at = 8 + headerLength;
    unsigned long found = 0;
    while (at + 8 <= size && found < tracks) {
        const unsigned long length = be(bytes + at + 4, 4);
        if (length > size - at - 8) return false;  // a chunk reaching past the file
        if (std::memcmp(bytes + at, "MTrk", 4) == 0) {
            if (!readTrack(bytes + at + 8, length, changes)) return false;
            ++found;
        }
        at += 8 + length;
    }
    if (found == 0 || found < tracks) return false;
    buildMap(std::move(changes));
    error.clear();
    return true;
}

bool SmfTiming::readTrack(const unsigned char* p, std::size_t end, std::vector<Tempo>& changes) {
    std::size_t at = 0;
    long long tick = 0;
    unsigned char running = 0;
    while (at < end) {
        unsigned long delta = 0;
        if (!vlq(p, end, at, delta) || at >= end) return false;
        tick += (long long)delta;
        if (tick > kMostTicks) return false;
        unsigned char status = p[at];
        if (status == 0xFF) {
            if (at + 2 > end) return false;
            const unsigned char type = p[at + 1];
            at += 2;
            unsigned long length = 0;
            if (!vlq(p, end, at, length) || length > end - at) return false;
            if (type == 0x51 && length >= 3) changes.push_back({tick, 0, double(be(p + at, 3))});
            at += length;
            if (type == 0x2F) break;
        } else if (status == 0xF0 || status == 0xF7) {
            ++at;
            unsigned long length = 0;
            if (!vlq(p, end, at, length) || length > end - at) return false;
            at += length;
        } else {
            if (status & 0x80) {
                running = status;
                ++at;
            } else if (!running) {
                return false;  // data with no status before it
            }
            const std::size_t n = std::size_t(dataBytes(running));
            if (n > end - at) return false;
            at += n;
        }
    }
    endTick_ = std::max(endTick_, tick);
    return true;
}

// Tempo changes hold microseconds a quarter note in msPerTick until here.
void SmfTiming::buildMap(std::vector<Tempo> changes) {
    map_.clear();
    if (smpteMsPerTick_ > 0) {
        map_.push_back({0, 0, smpteMsPerTick_});
        return;
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    map_.push_back({0, 0, kDefaultUsPerQuarter / 1000.0 / division_});
    for (const Tempo& change : changes) {
        const double msPerTick = change.msPerTick / 1000.0 / division_;
        if (change.tick == map_.back().tick) {
            map_.back().msPerTick = msPerTick;
            continue;
        }
        map_.push_back({change.tick, msAt(change.tick), msPerTick});
    }
}

double SmfTiming::msAt(long long tick) const {
    if (map_.empty()) return 0;
    auto it = std::upper_bound(map_.begin(), map_.end(), tick,
                               [](long long t, const Tempo& s) { return t < s.tick; });
    const Tempo& segment = *(it == map_.begin() ? it : it - 1);
    return segment.msAtTick + double(tick - segment.tick) * segment.msPerTick;
}

long long SmfTiming::tickAt(double ms) const {
    if (map_.empty() || ms <= 0) return 0;
    auto it = std::upper_bound(map_.begin(), map_.end(), ms,
                               [](double m, const Tempo& s) { return m < s.msAtTick; });
    const Tempo& segment = *(it == map_.begin() ? it : it - 1);
    if (segment.msPerTick <= 0) return segment.tick;
    return std::min(endTick_,
                    segment.tick + (long long)((ms - segment.msAtTick) / segment.msPerTick + 0.5));
}

}  // namespace qel
