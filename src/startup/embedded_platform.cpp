#include "startup/embedded_platform.h"

#include <cstdlib>
#include <ostream>

#include "platform/headless/virtual_media.h"
#include "platform/headless/virtual_widgets.h"
#include "platform/linux/curl_transfer.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/freetype_text.h"
#include "platform/linux/libarchive_port.h"
#include "platform/linux/linux_audio.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/native_library.h"
#include "platform/linux/picture_codec.h"
#include "platform/linux/plugin_host.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/reading_service.h"
#include "platform/linux/runtime_channel.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/system_random.h"
#include "platform/linux/x11_key_sender.h"
#include "startup/midi_output.h"

namespace qel {

void AddMachinePorts(Platform& platform) {
    platform.settings = std::make_unique<FileSettingsStore>(FileSettingsStore::defaultFolder());
    platform.channel = std::make_unique<RuntimeDirChannel>(RuntimeDirChannel::defaultFolder());
#ifdef QEL_WITH_XTEST
    platform.keys = std::make_unique<X11KeySender>();
#endif
    platform.reading = std::make_unique<ProcessReadingService>();
    platform.transfer = std::make_unique<CurlTransfer>(transferLimitsFromEnvironment());
    platform.archives = std::make_unique<LibarchivePort>();
    platform.native = std::make_unique<DlopenNativeCalls>();
    platform.plugins = std::make_unique<LinuxPluginHost>(processPluginLimitsFromEnvironment());
    platform.pictures = std::make_unique<StandardPictureCodec>();
    platform.clock = std::make_unique<SystemClock>();
    platform.random = std::make_unique<SystemRandom>();
}

EmbeddedPlatform MakeEmbeddedPlatform(std::ostream& out, std::ostream& err, std::istream& in) {
    EmbeddedPlatform made;
    Platform& platform = made.platform;
    auto host = std::make_unique<ConsoleHost>(ConsoleOptions{}, out, err, in);
    made.console = host.get();
    platform.ui = std::move(host);
    platform.system = std::make_unique<LinuxSystem>();
    auto widgets = std::make_unique<VirtualWidgets>();
    widgets->setTextRasterizer(std::make_shared<FreeTypeText>());
    platform.widgets = std::move(widgets);
    platform.files = std::make_unique<PosixFileSystem>();
    AddMachinePorts(platform);
    // Media go to the virtual output (heard nowhere unless
    // QELSCRIPT_AUDIO_OUT names a file), as on the console.
    const char* audioOut = std::getenv("QELSCRIPT_AUDIO_OUT");
    auto media =
        std::make_unique<VirtualMediaPort>(audioOut ? audioOut : "", MakeLinuxAudioDecoders());
    if (!media->output().problem().empty())
        err << "qelscript: " << media->output().problem() << '\n';
    platform.midi = ChooseMidiOutput(false, media->output(), {}, err);
    platform.media = std::move(media);
    return made;
}

}  // namespace qel
