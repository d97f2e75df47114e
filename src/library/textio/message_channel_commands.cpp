// The message channel between scripts: 開始 … 通信, 送信, the function
// プログラム間メッセージ, and the polling the waits do.
#include "core/engine.h"
#include "core/parser.h"
#include "library/registry/library_state.h"
#include "library/textio/message_channel.h"
#include "library/textio/textio.h"
#include "text/number.h"

namespace qel {

namespace {

// Messages keep the size limit scripts were written against: what the
// system's atom table held, 255 bytes in code page 932.
constexpr std::size_t kMaxMessageBytes = 255;

}  // namespace

bool MessageChannelListening(Engine& engine) {
    return libraryState(engine).channel.on && engine.platform.channel != nullptr;
}

void PollMessageChannel(Engine& engine) {
    if (!MessageChannelListening(engine)) return;
    LibraryState::Channel& channel = libraryState(engine).channel;
    std::optional<ChannelMessage> message = engine.platform.channel->read(channel.name);
    if (!message || message->id == channel.seen) return;
    channel.received = std::move(message->text);
    channel.seen = message->id;
    // The procedure may send, reopen or stop; the message counts as seen
    // before it runs, so a poll inside it does not run it again.
    Text procedure = channel.procedure;
    engine.RunProcedureByName(procedure);
}

void EndMessageChannel(Engine& engine) {
    LibraryState::Channel& channel = libraryState(engine).channel;
    if (engine.platform.channel && !channel.sent.empty()) {
        engine.platform.channel->withdraw(channel.name, channel.sent);
    }
    channel = LibraryState::Channel{};
}

void cmdStart(StatementRecord& record, Engine& engine) {
    Text with = AskParticle(record, u"で");
    if (Args(record).woArg != u"通信") return;
    LibraryState::Channel& channel = libraryState(engine).channel;
    Text name = engine.EvalText(with);
    if (engine.platform.channel && !channel.sent.empty() &&
        !text::equalsFolded(name, channel.name)) {
        // Moving to another channel takes back what this run left on the old one.
        engine.platform.channel->withdraw(channel.name, channel.sent);
        channel.sent.clear();
    }
    channel.on = true;
    channel.procedure = Args(record).heArg;
    channel.name = std::move(name);
}

void cmdSend(StatementRecord& record, Engine& engine) {
    LibraryState::Channel& channel = libraryState(engine).channel;
    if (!channel.on) {
        engine.Report(ErrorId::ChannelNotOpen);
        return;
    }
    Text message = engine.EvalText(Args(record).woArg);
    // A message ends at a NUL character, as its readers have always cut it.
    if (std::size_t nul = message.find(u'\0'); nul != Text::npos) message.resize(nul);
    std::size_t bytes = text::cp932Length(message);
    if (bytes > kMaxMessageBytes) {
        // The limit is the channel's; a longer text is refused out loud
        // rather than dropped without a word.
        engine.Report(ErrorId::MessageNotSent, u"メッセージが長すぎます（" +
                                                   number::format(double(bytes)) +
                                                   u"バイト）。送信できるのは255バイトまでです。");
        return;
    }
    if (!engine.platform.channel) {
        engine.Report(ErrorId::MessageNotSent, u"この環境には通信の場所がありません。");
        return;
    }
    std::string id;
    FileStatus status =
        engine.platform.channel->post(channel.name, message, engine.clock().monotonicMs(), id);
    if (!status) {
        engine.Report(ErrorId::MessageNotSent, text::fromUtf8(status.message));
        return;
    }
    channel.sent = std::move(id);
}

void fnChannelMessage(Text& result, Text&, Engine& engine) {
    result = libraryState(engine).channel.received;
}

}  // namespace qel
