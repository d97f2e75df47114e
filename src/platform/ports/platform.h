// The bundle of ports an engine is given: one implementation of each, headless or real.
#pragma once

#include <memory>

#include "platform/ports/archives.h"
#include "platform/ports/canvas.h"
#include "platform/ports/clock.h"
#include "platform/ports/file_system.h"
#include "platform/ports/key_sender.h"
#include "platform/ports/media.h"
#include "platform/ports/message_channel.h"
#include "platform/ports/midi_out.h"
#include "platform/ports/native_calls.h"
#include "platform/ports/plugins.h"
#include "platform/ports/random.h"
#include "platform/ports/reading_service.h"
#include "platform/ports/settings_store.h"
#include "platform/ports/system_port.h"
#include "platform/ports/transfer.h"
#include "platform/ports/ui_host.h"
#include "platform/ports/widgets.h"
#include "text/text.h"

namespace qel {

struct Platform {
    std::unique_ptr<UiHost> ui;
    // Script windows and controls; none: making one reports that this host
    // cannot show windows.
    std::unique_ptr<WidgetPort> widgets;
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
    // Compressing and extracting archives; none: archive commands report that
    // there is no archive library.
    std::unique_ptr<ArchivePort> archives;
    // Media playback behind the MCI engine; none: nothing opens and 再生
    // reports the device error.
    std::unique_ptr<MediaPort> media;
    // The output 演奏 plays on; none: 演奏 reports that there is no MIDI output.
    std::unique_ptr<MidiOutPort> midi;
    // Picture files (絵, 保存 of windows and pictures); none: they are refused.
    std::unique_ptr<PictureCodec> pictures;
    // Calls into native libraries (呼び出せ); none: every library is missing.
    std::unique_ptr<NativeCallPort> native;
    // Plug-in libraries and programs (使う); none: no plug-in is found.
    std::unique_ptr<PluginPort> plugins;
    // The wall clock, local time and the monotonic clock that waits and
    // timers read. Given by default: the standard clocks with local time
    // taken as UTC. None (reset by hand) counts as that default.
    std::unique_ptr<Clock> clock = std::make_unique<Clock>();
    // What 乱数 draws from. Given by default: seeded from the clocks. None
    // counts as that default.
    std::unique_ptr<RandomSource> random = std::make_unique<RandomSource>();
};

}  // namespace qel
