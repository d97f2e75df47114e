// The message channel between scripts as files: one small file per channel
// in a folder only this user may enter, replaced by an atomic rename, so a
// reader finds a whole message or the one before it, never a part.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ports/platform.h"

namespace qel {

class RuntimeDirChannel : public MessageChannel {
  public:
    // `folder` holds one file per channel; it (and its parent) is made with
    // mode 0700 when first needed.
    explicit RuntimeDirChannel(std::string folder);

    // $XDG_RUNTIME_DIR/qelscript/channels when that folder exists, else
    // /tmp/qelscript-<uid>/channels.
    static std::string defaultFolder();

    FileStatus post(TextView channel, TextView message, double time, std::string& id) override;
    std::optional<ChannelMessage> read(TextView channel) override;
    void withdraw(TextView channel, std::string_view id) override;

    // The file that holds a channel (names compare ignoring the case of Latin
    // letters, so "Chat" and "chat" are one channel).
    std::string entryPath(TextView channel) const;

  private:
    FileStatus ensureFolder();
    std::optional<ChannelMessage> readEntry(TextView channel, const std::string& path);

    std::string folder_;
    bool folderReady_ = false;
    std::uint64_t sequence_ = 0;
};

// The bytes of a channel file, and their reading back (exposed for tests of
// damaged files).
std::string encodeChannelEntry(TextView channelKey, const ChannelMessage& message);
std::optional<ChannelMessage> decodeChannelEntry(std::string_view bytes, TextView channelKey);

}  // namespace qel
