// Media heard and seen on the desktop: sound and video files play through Qt
// Multimedia (a QMediaPlayer with an audio output, video in a QVideoWidget
// placed inside the script's picture box). MIDI files, CDs, system sounds and
// tags stay with the port this one wraps.
#pragma once

#include <memory>

#include "platform/ports/media.h"
#include "platform/ports/widgets.h"

namespace qel {

// `inner` keeps everything that is not a sound or video file; `widgets` names
// the picture boxes videos are shown in. Without Qt Multimedia in the build,
// `inner` is given back as it is.
std::unique_ptr<MediaPort> makeDesktopMedia(std::unique_ptr<MediaPort> inner, WidgetPort& widgets);

}  // namespace qel
