// 再生, リピート再生, 一時停止, 再開, 停止: one medium at a time, chosen by the
// subject (a CD) or the file's extension.
#include <cmath>

#include "core/parser.h"
#include "core/paths.h"
#include "library/media/media.h"
#include "library/registry/library_state.h"
#include "library/registry/standard_library.h"
#include "text/number.h"
#include "ui/objects.h"

namespace qel {

using media::MediaType;
using media::PauseState;

namespace {

Text quoted(TextView path) {
    return u"\"" + Text(path) + u"\"";
}

// The last MCI command of a branch decides: its error is reported, success
// makes the medium play (and repeat).
void finishPlay(Engine& engine, int code, bool repeat) {
    media::MediaSession& session = MediaSessionOf(engine);
    if (code != 0) {
        ReportMciError(engine, code);
        return;
    }
    session.pause = PauseState::Playing;
    if (repeat) {
        session.repeat = true;
        // The medium is started again when it ends, checked before every
        // statement.
        engine.libraryWatchesStatements = true;
    }
}

int playCd(StatementRecord& record, Engine& engine) {
    std::vector<Text> asked{u"の", u"ドライブ", u"トラック"};
    AskParticles(record, asked);
    const Text& drive = asked[1];
    const Text& track = asked[2];
    int code = drive.empty()
                   ? SendMci(engine, u"open cdaudio")
                   : SendMci(engine, u"open " + text::toHalfWidth(drive) + u": type cdaudio");
    if (code == 0) {
        SendMci(engine, u"set cdaudio time format tmsf");
        Text play = u"play cdaudio";
        if (!track.empty()) {
            double n = number::leadingNumber(text::toHalfWidth(engine.EvalText(track)));
            play += u" from " + number::format(std::round(n));
        }
        code = SendMci(engine, play);
    }
    MediaSessionOf(engine).type = MediaType::Cd;
    return code;
}

// A bare name is looked for in the current folder; a path with folders and
// a system sound name are taken as they are.
Text resolvePath(Engine& engine, TextView path) {
    const bool systemSound = text::endsWithFolded(path, u"_win");
    const bool hasFolder = path.find(u'\\') != TextView::npos || path.find(u'/') != TextView::npos;
    if (systemSound || hasFolder) return Text(path);
    Text folder = fromNativePath(engine.files().currentFolder());
    if (!folder.empty() && folder.back() != u'/') folder += u'/';
    return folder + Text(path);
}

Text extensionOf(TextView path) {
    std::size_t dot = path.rfind(u'.');
    return dot == TextView::npos ? Text(u".") : u"." + text::toLowerAscii(path.substr(dot + 1));
}

int playMidi(Engine& engine, TextView path, const std::string& native) {
    media::MediaSession& session = MediaSessionOf(engine);
    std::string bytes;
    session.midiTitle = engine.files().readFile(native, bytes) ? media::MidiTitle(bytes) : Text();
    int code = SendMci(engine, u"open " + quoted(path) + u" type sequencer alias qelmedia");
    if (code == 0) {
        code = SendMci(engine, u"play qelmedia");
        SendMci(engine, u"set qelmedia time format milliseconds");
    }
    session.type = MediaType::Midi;
    return code;
}

// Video (and any other file) opens inside the picture box named by で.
int playFile(Engine& engine, TextView path, TextView inside) {
    std::shared_ptr<ui::ScriptObject> object;
    Text suffix;
    if (!inside.empty()) {
        object = libraryOf(engine).objects().ResolveObject(engine, inside, false);
        if (!object) return -1;
        suffix = u" parent " + number::format(double(object->widget)) + u" style 1073741824";
    }
    int code = SendMci(engine, u"open " + quoted(path) + u" alias qelmedia" + suffix);
    if (code != 0) return code;
    SendMci(engine, u"set qelmedia time format milliseconds");
    code = SendMci(engine, u"play qelmedia from 0");
    MediaSessionOf(engine).type = MediaType::MciFile;
    if (code != 0 || !object || !object->kind || object->kind->id != ui::KindId::Picture)
        return code;
    WidgetPort& widgets = ui::ObjectModel::widgets(engine);
    auto number = [&](WidgetValue v) {
        auto data = widgets.get(object->widget, v);
        if (!data) return 0.0;
        if (const double* d = std::get_if<double>(&*data)) return *d;
        return number::toNumber(std::get<Text>(*data));
    };
    if (number(WidgetValue::AutoSize) == 0) {
        return SendMci(engine, u"put qelmedia window at 0 0 " +
                                   number::format(number(WidgetValue::Width)) + u" " +
                                   number::format(number(WidgetValue::Height)));
    }
    Text where = QueryMci(engine, u"where qelmedia source");
    std::vector<Text> parts = text::split(where, u" ");
    if (parts.size() >= 4) {
        widgets.set(object->widget, WidgetValue::Width, number::toNumber(parts[2]));
        widgets.set(object->widget, WidgetValue::Height, number::toNumber(parts[3]));
    }
    return 0;
}

int playMp3(StatementRecord& record, Engine& engine, TextView path, bool repeat);

void playMedia(StatementRecord& record, Engine& engine, bool repeat) {
    const Text inside = AskParticle(record, u"で");
    StopMedia(engine);
    media::MediaSession& session = MediaSessionOf(engine);
    const Text written = text::toUpperAscii(Args(record).woArg.substr(0, 2));
    if (written == u"ＣＤ" || written == u"CD") {
        finishPlay(engine, playCd(record, engine), repeat);
        return;
    }
    const Text path = resolvePath(engine, text::trimBlanks(engine.EvalText(Args(record).woArg)));
    const Text ext = extensionOf(path);
    const std::string native = toNativePath(path);
    if (ext == u".wav") {
        // A sound plays beside the medium; a missing one plays nothing and
        // says nothing. Repeated, it plays once and the statement waits.
        // The output is brought up to now first: a sound starts at its
        // statement, not where the last medium command left the output.
        session.catchUp();
        auto length = session.port().playSound(native);
        if (length && repeat) session.sleep(*length + 1);
        finishPlay(engine, 0, repeat);
        return;
    }
    if (text::endsWithFolded(path, u"_win")) {
        session.catchUp();
        session.port().playSystemSound(text::toUtf8(path.substr(0, path.size() - 4)));
        finishPlay(engine, 0, repeat);
        return;
    }
    if (!engine.files().fileExists(native)) {
        engine.Report(ErrorId::NotFound, path);
        return;
    }
    int code = 0;
    if (ext == u".mid" || ext == u".rim") {
        code = playMidi(engine, path, native);
    } else if (ext == u".mp3" || ext == u".mp2" || ext == u".mp1" || ext == u".rmp") {
        code = playMp3(record, engine, path, repeat);
        if (code == -2) return;  // played again through MCI
    } else {
        code = playFile(engine, path, inside);
    }
    if (code == -1) return;  // already reported
    finishPlay(engine, code, repeat);
}

int playMp3(StatementRecord& record, Engine& engine, TextView path, bool repeat) {
    media::MediaSession& session = MediaSessionOf(engine);
    if (session.mp3ViaMci) {
        int code = SendMci(engine, u"open " + quoted(path) + u" alias qelmedia");
        if (code == 0) {
            code = SendMci(engine, u"play qelmedia from 0");
            SendMci(engine, u"set qelmedia time format milliseconds");
        }
        session.type = MediaType::MciFile;
        return code;
    }
    if (OpenMp3(engine, path)) {
        session.catchUp();
        session.mp3->play(0, -1);
        session.type = MediaType::Mp3Library;
        return 0;
    }
    playMedia(record, engine, repeat);
    return -2;
}

}  // namespace

void cmdPlay(StatementRecord& record, Engine& engine) {
    playMedia(record, engine, false);
}

void cmdRepeatPlay(StatementRecord& record, Engine& engine) {
    playMedia(record, engine, true);
}

// 「プログラム」を一時停止 (or プログラムを一時停止) names the script itself.
static bool namesTheProgram(Engine& engine, TextView written) {
    TextView t = text::trimBlanks(written);
    if (t == u"プログラム") return true;
    return !t.empty() && t.front() == u'「' && engine.EvalText(t) == u"プログラム";
}

void cmdTogglePause(StatementRecord& record, Engine& engine) {
    if (namesTheProgram(engine, Args(record).woArg)) {
        // Pauses the script itself for an editor or debugger hosting it; a
        // run of its own has nobody to resume it, so nothing happens there.
        if (engine.host) engine.TogglePause();
        return;
    }
    media::MediaSession& session = MediaSessionOf(engine);
    if (session.type == MediaType::None || session.pause == PauseState::Stopped) return;
    const bool pausing = session.pause == PauseState::Playing;
    if (session.type == MediaType::Mp3Library) {
        session.catchUp();
        if (session.mp3) pausing ? session.mp3->pause() : session.mp3->resume();
    } else {
        const Text device = session.type == MediaType::Cd ? u"cdaudio" : u"qelmedia";
        SendMci(engine, (pausing ? u"pause " : u"resume ") + device);
    }
    session.pause = pausing ? PauseState::Paused : PauseState::Playing;
}

void cmdResumeMedia(StatementRecord& record, Engine& engine) {
    (void)record;
    media::MediaSession& session = MediaSessionOf(engine);
    switch (session.type) {
        case MediaType::Cd:
            SendMci(engine, u"play cdaudio");
            break;
        case MediaType::Midi:
            SendMci(engine, u"play qelmedia");
            break;
        case MediaType::MciFile:
            SendMci(engine, u"resume qelmedia");
            break;
        case MediaType::Mp3Library:
            session.catchUp();
            if (session.mp3) session.mp3->resume();
            break;
        case MediaType::None:
            break;
    }
    session.pause = PauseState::Playing;
}

void cmdStopMedia(StatementRecord& record, Engine& engine) {
    (void)record;
    StopMedia(engine);
}

}  // namespace qel
