// The message channel between scripts of one user.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ports/file_system.h"
#include "text/text.h"

namespace qel {

// The channel through which scripts of one user on one machine pass short
// texts to each other (開始 … 通信, 送信). Each channel holds one message at a
// time; a new one replaces it.
struct ChannelMessage {
    Text text;
    // Different for every message ever posted, so that a reader sees each
    // one once even when two arrive within the same millisecond.
    std::string id;
    double time = 0;  // the sender's millisecond clock when it was posted
};

class MessageChannel {
  public:
    virtual ~MessageChannel() = default;
    // Replaces the channel's message in one step: readers find the old one or
    // the new one, never a mixture. On success `id` names the new message.
    virtual FileStatus post(TextView channel, TextView message, double time, std::string& id) = 0;
    // The channel's message; nothing when it holds none or what it holds
    // cannot be read as a message.
    virtual std::optional<ChannelMessage> read(TextView channel) = 0;
    // Empties the channel if it still holds the message `id`.
    virtual void withdraw(TextView channel, std::string_view id) = 0;
};

}  // namespace qel
