#include "platform/linux/midi_recorder.h"

#include <cmath>

#include "platform/linux/posix_files.h"

namespace qel {

namespace {

void putBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xFF);
}

// MIDI's variable-length quantity: seven bits a byte, the high bit set on
// every byte but the last.
void putVariableLength(std::string& out, std::uint32_t value) {
    char bytes[5];
    int n = 0;
    do {
        bytes[n++] = char(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) out += char(bytes[--n] | 0x80);
    out += bytes[0];
}

// How many data bytes follow a status byte.
int dataBytes(unsigned status) {
    const unsigned kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

class MidiRecorder : public MidiOutPort {
  public:
    MidiRecorder(std::unique_ptr<MidiOutPort> inner, std::string path, std::ostream& problems)
        : inner_(std::move(inner)), path_(std::move(path)), problems_(problems) {}
    ~MidiRecorder() override { write(); }

    bool open(double nowMs, std::string& error) override { return inner_->open(nowMs, error); }
    bool isOpen() const override { return inner_->isOpen(); }
    void reset(double nowMs) override { inner_->reset(nowMs); }
    // Only what reaches an open output was sent (an event procedure may
    // close it with 停止 in the middle of a tune).
    void shortMessage(std::uint32_t message, double nowMs) override {
        if (!inner_->isOpen()) return;
        inner_->shortMessage(message, nowMs);
        messages_.push_back({nowMs, message});
        written_ = false;
    }
    void close(double nowMs) override {
        inner_->close(nowMs);
        write();
    }

  private:
    void write() {
        if (written_) return;
        written_ = true;
        PosixFileSystem files;
        if (FileStatus status = files.writeFile(path_, StandardMidiFile(messages_));
            !status && !complained_) {
            complained_ = true;
            problems_ << "qelscript: cannot write the MIDI recording " << path_ << ": "
                      << status.message << '\n';
        }
    }

    std::unique_ptr<MidiOutPort> inner_;
    std::string path_;
    std::ostream& problems_;
    std::vector<RecordedMidiMessage> messages_;
    // A run that plays nothing still leaves a (silent) file, so an old
    // recording is never taken for this run's.
    bool written_ = false;
    bool complained_ = false;
};

}  // namespace

std::string StandardMidiFile(const std::vector<RecordedMidiMessage>& messages) {
    std::string track;
    // Tempo: 1,000,000 µs to the quarter note, which with the division
    // below makes a tick one millisecond.
    track += std::string("\x00\xFF\x51\x03\x0F\x42\x40", 7);
    const double start = messages.empty() ? 0 : messages.front().ms;
    std::uint32_t at = 0;
    for (const RecordedMidiMessage& m : messages) {
        const unsigned status = m.message & 0xFF;
        // Only channel messages belong in the track; the performer sends
        // nothing else.
        if (status < 0x80 || status >= 0xF0) continue;
        const double ms = std::max(0.0, std::round(m.ms - start));
        const auto tick = std::uint32_t(std::min(ms, double(0x0FFFFFFF)));
        putVariableLength(track, tick > at ? tick - at : 0);
        at = std::max(at, tick);
        track += char(status);
        track += char((m.message >> 8) & 0x7F);
        if (dataBytes(status) == 2) track += char((m.message >> 16) & 0x7F);
    }
    track += std::string("\x00\xFF\x2F\x00", 4);

    std::string file = "MThd";
    putBigEndian(file, 6, 4);
    putBigEndian(file, 0, 2);     // format 0: one track
    putBigEndian(file, 1, 2);     // tracks
    putBigEndian(file, 1000, 2);  // ticks per quarter note
    file += "MTrk";
    putBigEndian(file, std::uint32_t(track.size()), 4);
    return file + track;
}

std::unique_ptr<MidiOutPort> RecordMidi(std::unique_ptr<MidiOutPort> inner, std::string path,
                                        std::ostream& problems) {
    return std::make_unique<MidiRecorder>(std::move(inner), std::move(path), problems);
}

}  // namespace qel
