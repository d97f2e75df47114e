// The message channel between scripts as the waits and the end of a run use
// it (開始 … 通信 opens it; 送信 and プログラム間メッセージ are handlers).
#pragma once

namespace qel {

class Engine;

// Whether a channel is open on a platform that carries one.
bool MessageChannelListening(Engine& engine);
// Looks at the open channel once; a message not seen yet becomes
// プログラム間メッセージ and runs the channel's procedure.
void PollMessageChannel(Engine& engine);
// At the end of a run: takes back the run's last message if no newer one has
// replaced it, and closes the channel.
void EndMessageChannel(Engine& engine);

}  // namespace qel
