// 演奏 and its setting words 音色 and テンポ: a tune in the small music
// language (solfège note names, note values, octave shifts, chords, tuplets,
// ties; up to six parts split at commas) played on the MIDI output.
//
// Every part keeps its own timeline: a note ends a whole number of note
// values after the start of the performance, however late the loop happened
// to wake, so long tunes do not drift. Between due times the loop sleeps
// until the next one (in short steps while windows need their messages).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/engine.h"
#include "core/parser.h"
#include "core/values.h"
#include "library/media/media.h"
#include "library/objects/event_functions.h"
#include "library/registry/library_state.h"
#include "text/number.h"

namespace qel {

namespace {

constexpr std::size_t kMaxParts = 6;
constexpr double kNotDue = -1;

struct Part {
    int index = 0;
    std::vector<Text> tokens;
    int channel = 0;
    int velocity = 127;
    int program = 0;
    int base = 60;
    int length = 4;
    double due = kNotDue;                 // clock ms at which the sounding notes end
    double cursor = 0;                    // where the part's timeline stands, in clock ms
    std::size_t position = 0;             // index of the next word
    std::vector<std::uint32_t> sounding;  // note messages (without status) to switch off
    double tupletLength = 0;              // seconds per note inside ｛ ｝, 0 outside
};

int clampInt(double value, int low, int high) {
    if (std::isnan(value)) return low;
    return int(std::clamp(value, double(low), double(high)));
}

// The number a word carries after its leading marker, full-width digits included.
double numberAfter(TextView word, std::size_t skip) {
    return number::leadingNumber(text::toHalfWidth(word.substr(std::min(skip, word.size()))));
}

bool contains(TextView text, TextView what) {
    return text.find(what) != TextView::npos;
}

// Semitones above ド of a note name at the start of `word`, and the name's length.
std::pair<int, std::size_t> noteName(TextView word) {
    static const std::pair<TextView, int> kNames[] = {
        {u"ド", 0}, {u"レ", 2}, {u"ミ", 4}, {u"ファ", 5}, {u"ソ", 7}, {u"ラ", 9}, {u"シ", 11}};
    // Two-character names first: ファ must not be read as an unknown フ.
    for (std::size_t size : {std::size_t(2), std::size_t(1)}) {
        if (word.size() < size) continue;
        for (const auto& [name, semitones] : kNames) {
            if (word.substr(0, size) == name) return {semitones, size};
        }
    }
    return {-1, 0};
}

class Performer {
  public:
    Performer(Engine& engine, MidiOutPort& out, int tempo)
        : engine_(engine), out_(out), tempo_(tempo) {}

    void Perform(const std::vector<Text>& partTexts, int instrument);

  private:
    double now() { return engine_.clock().monotonicMs(); }
    void send(std::uint32_t message) { out_.shortMessage(message, now()); }
    void programChange(const Part& part) {
        send(0xC0 + std::uint32_t(part.index) + std::uint32_t(part.program) * 256);
    }
    void notesOff(Part& part) {
        for (std::uint32_t message : part.sounding) send(message + 0x80);
        part.sounding.clear();
    }

    void playNext(Part& part);
    void PlayWord(Part& part, TextView word);
    void playChord(Part& part, TextView word);
    void playTuplet(Part& part, TextView word);
    void playNote(Part& part, TextView word);
    void endAfter(Part& part, double seconds) { part.due = part.cursor + seconds * 1000.0; }
    double LengthSeconds(Part& part, TextView lengthText);
    void wait(const std::vector<Part>& parts);

    Engine& engine_;
    MidiOutPort& out_;
    int tempo_;
};

void Performer::Perform(const std::vector<Text>& partTexts, int instrument) {
    std::vector<Part> parts(std::min(partTexts.size(), kMaxParts));
    const double start = now();
    std::size_t longest = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Part& part = parts[i];
        part.index = part.channel = int(i);
        part.program = clampInt(instrument, 0, 127);
        part.cursor = start;
        programChange(part);
        part.tokens = text::split(partTexts[i], u" ");
        if (part.tokens.size() > parts[longest].tokens.size()) longest = i;
    }
    // The tune ends when the part with the most words has played its last
    // word and that word's note has ended.
    const std::size_t end = parts[longest].tokens.size() + 1;
    while (!engine_.loopPassCheck()) {
        const double t = now();
        for (Part& part : parts) {
            if (part.due == kNotDue || t < part.due) continue;
            notesOff(part);
            part.cursor = part.due;
            part.due = kNotDue;
        }
        for (Part& part : parts) {
            if (part.due != kNotDue || part.position > part.tokens.size()) continue;
            playNext(part);
            part.position += 1;
        }
        if (parts[longest].position >= end) break;
        engine_.ui().pumpEvents();
        EventsPump(engine_);
        wait(parts);
    }
    // Whatever still sounds (a stop, a shorter part's long note) ends here:
    // a note left on would hang on the synthesizer.
    for (Part& part : parts) notesOff(part);
}

// Sleeps until the next note is due; while windows or timers may need the
// loop, in steps short enough for their messages.
void Performer::wait(const std::vector<Part>& parts) {
    double next = std::numeric_limits<double>::infinity();
    for (const Part& part : parts) {
        if (part.position > part.tokens.size() && part.due == kNotDue) continue;
        next = std::min(next, part.due == kNotDue ? 0.0 : part.due);
    }
    const double ahead = next - now();
    if (ahead <= 0) return;
    const double step = engine_.ui().hasEventSources() ? 10.0 : 100.0;
    engine_.ui().sleepMs(int(std::ceil(std::min(ahead, step))));
}

void Performer::playNext(Part& part) {
    part.due = kNotDue;
    if (part.position >= part.tokens.size()) return;
    const Text word = part.tokens[part.position];
    PlayWord(part, word);
}

void Performer::PlayWord(Part& part, TextView word) {
    part.due = kNotDue;
    if (word.empty()) return;
    if (word[0] == u'＠') {
        // Only sixteen channels exist; a larger number would turn the status
        // byte into another kind of message.
        part.channel = clampInt(numberAfter(word, 1), 0, 15);
    } else if (word[0] == u'＃') {
        part.program = clampInt(numberAfter(word, 1), 0, 127);
        programChange(part);
    } else if (word[0] == u'（') {
        playChord(part, word.substr(1));
    } else if (word[0] == u'｛') {
        playTuplet(part, word.substr(1));
    } else if (word == u"上") {
        part.base += 12;
    } else if (word == u"下") {
        part.base -= 12;
    } else if (word.starts_with(u"音量")) {
        part.velocity = clampInt(numberAfter(word, 2), 0, 127);
    } else if (word.starts_with(u"休み")) {
        const double seconds =
            part.tupletLength != 0 ? part.tupletLength : LengthSeconds(part, word.substr(2));
        endAfter(part, seconds);
    } else {
        playNote(part, word);
    }
    if (contains(word, u"｝")) part.tupletLength = 0;
}

// Every word up to the one holding "）" sounds at once; the group lasts the
// length written after the "）", and all its notes end together.
void Performer::playChord(Part& part, TextView word) {
    std::size_t at = part.position;
    Text current(word);
    for (;;) {
        if (const std::size_t close = current.find(u"）"); close != Text::npos) {
            const Text inner = current.substr(0, close);
            const Text length = current.substr(close + 1);
            PlayWord(part, inner);
            endAfter(part, LengthSeconds(part, length));
            part.position = at;
            return;
        }
        PlayWord(part, current);
        if (++at >= part.tokens.size()) {
            engine_.ReportError(u"）がありません。\n%1", 0, int(ErrorIcon::Information),
                                Text(u"（") + Text(word));
            part.position = at - 1;
            return;
        }
        current = part.tokens[at];
    }
}

// The total written after "｝" is shared by the words before the closing one.
void Performer::playTuplet(Part& part, TextView word) {
    std::size_t close = part.position;
    while (close < part.tokens.size() &&
           !contains(close == part.position ? word : TextView(part.tokens[close]), u"｝"))
        ++close;
    if (close >= part.tokens.size()) {
        engine_.ReportError(u"｝がありません。\r\n%1", 0, int(ErrorIcon::Information),
                            Text(u"｛") + Text(word));
        return;
    }
    TextView closing = close == part.position ? word : TextView(part.tokens[close]);
    const double total = LengthSeconds(part, closing.substr(closing.find(u"｝") + 1));
    // A group of one word shares its total with itself rather than with none.
    const std::size_t count = std::max<std::size_t>(close - part.position, 1);
    part.tupletLength = total / double(count);
    if (part.tupletLength == 0) part.tupletLength = std::numeric_limits<double>::min();
    PlayWord(part, word);
}

void Performer::playNote(Part& part, TextView word) {
    auto [semitones, nameSize] = noteName(word);
    TextView lengthText = word.substr(nameSize);
    const bool sharp = contains(word, u"＃");
    const bool flat = !sharp && contains(word, u"ｂ");
    if (semitones >= 0 && (sharp || flat)) {
        semitones += sharp ? 1 : -1;
        if (!lengthText.empty()) lengthText.remove_prefix(1);
    }
    // An unknown name is an error even with a sharp: it would otherwise
    // sound as a ド that nobody wrote.
    if (semitones < 0) {
        engine_.ReportError(u"正しくない音階が入力されています。\r\n%1", 0,
                            int(ErrorIcon::Information), word);
        return;
    }
    const double seconds =
        part.tupletLength != 0 ? part.tupletLength : LengthSeconds(part, lengthText);
    endAfter(part, seconds);
    // Keys outside the MIDI range are held at its ends, never sent out of it.
    const int key = std::clamp(part.base + semitones, 0, 127);
    const std::uint32_t message = std::uint32_t(part.channel) + std::uint32_t(key) * 256 +
                                  std::uint32_t(part.velocity) * 65536;
    send(message + 0x90);
    part.sounding.push_back(message);
}

double Performer::LengthSeconds(Part& part, TextView lengthText) {
    if (contains(lengthText, u"＾")) {
        double sum = 0;
        for (TextView piece : text::splitViews(lengthText, u"＾"))
            sum += LengthSeconds(part, piece);
        return sum;
    }
    const Text half = text::toHalfWidth(lengthText);
    if (!lengthText.empty()) part.length = clampInt(number::leadingNumber(half), -1, 1 << 20);
    double beats = 0;
    switch (part.length) {
        case 1:
            beats = 4;
            break;
        case 2:
            beats = 2;
            break;
        case 4:
            beats = 1;
            break;
        case 8:
            beats = 0.5;
            break;
        case 16:
            beats = 0.25;
            break;
        case 32:
            beats = 0.125;
            break;
        default:
            beats = 0;
    }
    double seconds = beats * 60.0 / tempo_;
    if (contains(half, u".")) seconds *= 1.5;
    return seconds;
}

std::int16_t asShort(double value) {
    if (std::isnan(value)) return 0;
    return std::int16_t(std::int64_t(std::fmod(std::trunc(value), 65536.0)));
}

}  // namespace

void Perform(Engine& engine, TextView tune) {
    media::MediaSession& session = MediaSessionOf(engine);
    MidiOutPort* out = engine.platform.midi.get();
    if (!out || !out->isOpen()) {
        std::string error = "no MIDI output";
        const double t = engine.clock().monotonicMs();
        if (!out || !out->open(t, error)) {
            engine.Report(ErrorId::MediaCommandFailed, text::fromUtf8(error));
            return;
        }
        out->reset(t);
    }
    Text text(text::trimBlanks(engine.EvalText(tune)));
    if (text.empty()) return;
    text = text::replaceAll(text::replaceAll(text, u"　", u" "), u"^", u"＾");
    // A tempo of 0 (never set) is the usual 120; a negative one would make
    // every note end before it starts.
    if (session.tempo <= 0) session.tempo = 120;
    // Parts are list cells: "、" and "，" separate them as "," does.
    Performer(engine, *out, session.tempo)
        .Perform(text::split(values::unifySeparators(text), u","), session.instrument);
}

void cmdPerform(StatementRecord& record, Engine& engine) {
    Perform(engine, Args(record).woArg);
}

void setInstrument(StatementRecord& record, Engine& engine) {
    MediaSessionOf(engine).instrument = asShort(engine.EvalNumber(Args(record).woArg));
}

void setTempo(StatementRecord& record, Engine& engine) {
    MediaSessionOf(engine).tempo = asShort(engine.EvalNumber(Args(record).woArg));
}

void CloseMidiOutput(Engine& engine) {
    if (MidiOutPort* out = engine.platform.midi.get(); out && out->isOpen())
        out->close(engine.clock().monotonicMs());
}

}  // namespace qel
