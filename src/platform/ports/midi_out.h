// A MIDI output for the music performer: opened once, then fed short
// messages (status in the low byte, then the two data bytes) as they are due.
// The performer passes its own clock's time with every message, so an output
// that records or renders places each one exactly, on the real or the
// virtual clock alike.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

class MidiOutPort {
  public:
    virtual ~MidiOutPort() = default;
    // False with the reason in `error` when there is nothing to play on.
    virtual bool open(double nowMs, std::string& error) = 0;
    virtual bool isOpen() const = 0;
    // Every note off and every controller back to its default.
    virtual void reset(double nowMs) = 0;
    virtual void shortMessage(std::uint32_t message, double nowMs) = 0;
    virtual void close(double nowMs) = 0;
};

}  // namespace qel
