// Keys typed into other programs' windows on an X11 display, through the
// XTEST extension (what 入力 and 入力２ do). Built where libXtst is found.
#pragma once

#include <memory>

#include "platform/ports/platform.h"

namespace qel {

class X11KeySender : public KeySender {
  public:
    X11KeySender();
    ~X11KeySender() override;

    KeyStatus activate(std::optional<std::int64_t> taskNumber, TextView caption) override;
    KeyStatus send(const std::vector<KeyStroke>& strokes) override;

  private:
    struct Connection;
    // Opens the display named by $DISPLAY when first needed, so a script that
    // never types keys never touches the X server.
    KeyStatus connect();
    std::unique_ptr<Connection> x_;
};

}  // namespace qel
