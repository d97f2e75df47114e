// The media state's plumbing: the session, MCI commands with and without a
// report, the mode text, stopping and restarting, and the repeat check.
#include "library/media/media.h"
#include "library/registry/library_state.h"

namespace qel {

using media::MediaType;
using media::PauseState;

media::MediaSession& MediaSessionOf(Engine& engine) {
    LibraryState& state = libraryState(engine);
    if (!state.media) {
        MediaPort* port = engine.platform.media.get();
        if (!port) {
            state.noMedia = std::make_unique<media::NoMediaPort>();
            port = state.noMedia.get();
        }
        Engine* e = &engine;
        state.media = std::make_unique<media::MediaSession>(
            *port, [e] { return e->clock().monotonicMs(); },
            [e](double ms) { e->ui().sleepMs(int(std::min(ms, 2.0e9))); });
    }
    return *state.media;
}

int SendMci(Engine& engine, TextView command) {
    std::string ignored;
    return MediaSessionOf(engine).mci().send(text::toUtf8(command), ignored);
}

void ReportMciError(Engine& engine, int code) {
    engine.Report(ErrorId::MediaCommandFailed, text::fromUtf8(media::MciErrorText(code)));
}

Text QueryMci(Engine& engine, TextView command) {
    std::string result;
    int code = MediaSessionOf(engine).mci().send(text::toUtf8(command), result);
    if (code != 0) {
        ReportMciError(engine, code);
        return {};
    }
    // Answers are cut where a 255-character buffer would cut them.
    if (result.size() > 255) result.resize(255);
    return text::fromUtf8(result);
}

namespace {

const char16_t* deviceOf(media::MediaSession& session) {
    return session.type == MediaType::Cd ? u"cdaudio" : u"qelmedia";
}

bool mp3ThroughLibrary(media::MediaSession& session) {
    return session.type == MediaType::Mp3Library && session.mp3;
}

// Stops and releases the current medium (one pass of StopMedia).
void releaseMedium(Engine& engine, media::MediaSession& session) {
    if (mp3ThroughLibrary(session)) {
        session.catchUp();
        session.mp3->stop();
        session.mp3.reset();
        session.mp3LibraryReady = false;
    } else {
        SendMci(engine, Text(u"stop ") + deviceOf(session) + u" wait");
        SendMci(engine, Text(u"close ") + deviceOf(session));
    }
    session.pause = PauseState::Stopped;
}

}  // namespace

Text MediaModeText(Engine& engine) {
    media::MediaSession& session = MediaSessionOf(engine);
    if (session.type == MediaType::None) return {};
    if (session.type == MediaType::Mp3Library) {
        if (!session.mp3) return u"停止中";
        session.port().advance(session.now());
        switch (session.mp3->mode()) {
            case MediaMode::Playing:
                return u"再生中";
            case MediaMode::Paused:
                return u"一時停止中";
            default:
                return u"停止中";
        }
    }
    Text mode = QueryMci(engine, Text(u"status ") + deviceOf(session) + u" mode");
    if (mode == u"playing") return u"再生中";
    if (mode == u"paused") return u"一時停止中";
    if (mode == u"stopped") return u"停止中";
    return mode;
}

void StopMedia(Engine& engine) {
    media::MediaSession& session = MediaSessionOf(engine);
    if (session.type == MediaType::None) return;
    releaseMedium(engine, session);
    CloseMidiOutput(engine);
    if (session.repeat) {
        session.repeat = false;
        releaseMedium(engine, session);
    }
    session.type = MediaType::None;
}

void RestartMedia(Engine& engine) {
    media::MediaSession& session = MediaSessionOf(engine);
    switch (session.type) {
        case MediaType::Cd:
            SendMci(engine, u"play cdaudio");
            break;
        case MediaType::Midi:
        case MediaType::MciFile:
            SendMci(engine, u"play qelmedia from 0");
            break;
        case MediaType::Mp3Library:
            if (session.mp3) {
                session.catchUp();
                session.mp3->stop();
                session.mp3->play(0, -1);
            }
            break;
        case MediaType::None:
            return;
    }
    session.pause = PauseState::Playing;
}

void MediaRepeatCheck(Engine& engine) {
    media::MediaSession* session = libraryState(engine).media.get();
    if (!session || !session->repeat) return;
    // The mode is asked quietly: a device that went away must not report an
    // error before every statement.
    if (session->type == MediaType::Mp3Library) {
        if (MediaModeText(engine) == u"停止中") RestartMedia(engine);
        return;
    }
    std::string mode;
    session->mci().send(
        session->type == MediaType::Cd ? "status cdaudio mode" : "status qelmedia mode", mode);
    if (mode == "stopped") RestartMedia(engine);
}

void MediaStartOfRun(Engine& engine) {
    if (engine.platform.media) engine.platform.media->advance(engine.clock().monotonicMs());
}

void MediaEndOfRun(Engine& engine) {
    LibraryState& state = libraryState(engine);
    if (state.media) {
        StopMedia(engine);
        state.media->mci().closeAll();
        // An MP3 opened by ファイル名 without being played is released too.
        state.media->mp3.reset();
        state.media->instrument = 1;
    }
    CloseMidiOutput(engine);
    if (engine.platform.media) {
        engine.platform.media->advance(engine.clock().monotonicMs());
        engine.platform.media->flush();
    }
}

}  // namespace qel
