// The properties of ＣＤ, ビデオ, ＭＩＤＩ and メディア (ＭＰ３ has a file of its own).
#include <array>
#include <cmath>

#include "library/media/media.h"
#include "text/number.h"

namespace qel {

using media::MediaType;

namespace {

enum class MediaObject { Cd, Video, Midi, Mp3, Current };

std::optional<MediaObject> mediaObjectOf(TextView name) {
    // Latin names in either width and case; kana names as written (half-width
    // conversion would turn their katakana into half-width katakana).
    const TextView written = text::trimBlanks(name);
    if (written == u"ビデオ" || written == u"動画") return MediaObject::Video;
    if (written == u"メディア") return MediaObject::Current;
    const Text key = text::toUpperAscii(text::toHalfWidth(written));
    if (key == u"CD") return MediaObject::Cd;
    if (key == u"MIDI") return MediaObject::Midi;
    if (key == u"MP3") return MediaObject::Mp3;
    return std::nullopt;
}

// Characters `from` (counted from 1) to `to` of a text, as far as it goes.
Text chars(TextView t, std::size_t from, std::size_t to) {
    if (t.size() < from) return {};
    return Text(t.substr(from - 1, to - from + 1));
}

double numberOf(TextView t) {
    return number::leadingNumber(t);
}

void noSuchProperty(Engine& engine, TextView property) {
    engine.Report(ErrorId::NoSuchSetting, property);
}

Text cdGet(Engine& engine, TextView p) {
    if (p == u"状態") return MediaModeText(engine);
    if (p == u"現在時間") return chars(QueryMci(engine, u"status cdaudio position"), 4, 8);
    if (p == u"時間") {
        const Text track = chars(QueryMci(engine, u"status cdaudio position"), 1, 2);
        if (track.empty()) return {};
        // The length of a track is minutes:seconds:frames (no track number in
        // front), so its minutes and seconds are its first five characters.
        return chars(QueryMci(engine, u"status cdaudio length track " + track), 1, 5);
    }
    if (p == u"総時間") return chars(QueryMci(engine, u"status cdaudio length"), 1, 5);
    if (p == u"トラック数") return QueryMci(engine, u"status cdaudio number of tracks");
    if (p == u"現在トラック") return chars(QueryMci(engine, u"status cdaudio position"), 1, 2);
    noSuchProperty(engine, p);
    return u"True";
}

void cdSet(Engine& engine, TextView p, TextView value) {
    if (p == u"現在時間") {
        const Text position = QueryMci(engine, u"status cdaudio position");
        if (position.empty()) return;
        QueryMci(engine, u"play cdaudio from " + chars(position, 1, 3) + Text(value));
    } else if (p == u"現在トラック") {
        const double track = std::trunc(numberOf(text::toHalfWidth(value)));
        QueryMci(engine, u"play cdaudio from " + number::format(track) + u":00:00:00");
    } else {
        noSuchProperty(engine, p);
    }
}

double statusNumber(Engine& engine, TextView item) {
    return numberOf(QueryMci(engine, u"status qelmedia " + Text(item)));
}

Text videoGet(Engine& engine, TextView p) {
    if (p == u"状態") return MediaModeText(engine);
    if (p == u"位置") return number::format(statusNumber(engine, u"position") / 1000);
    if (p == u"長さ") return number::format(statusNumber(engine, u"length") / 1000);
    if (p == u"現在時間")
        return media::TimeText((long long)(statusNumber(engine, u"position") / 1000));
    if (p == u"時間") return media::TimeText((long long)(statusNumber(engine, u"length") / 1000));
    noSuchProperty(engine, p);
    return u"True";
}

// A position given by the script, in milliseconds; none when it is no
// number or lies before the start (MCI takes no negative position).
std::optional<long long> positionMs(Engine& engine, TextView value, double unitMs) {
    const Text evaluated = engine.EvalText(value);
    auto n = number::parse(text::toHalfWidth(evaluated));
    if (!n || *n < 0 || !std::isfinite(*n) || *n * unitMs > 9.0e15) {
        engine.Report(ErrorId::ValueNotRight, evaluated);
        return std::nullopt;
    }
    return (long long)std::llround(*n * unitMs);
}

void videoSet(Engine& engine, TextView p, TextView value) {
    if (p != u"位置") {
        noSuchProperty(engine, p);
        return;
    }
    auto ms = positionMs(engine, value, 1000);
    if (!ms) return;
    SendMci(engine, u"stop qelmedia wait");
    QueryMci(engine, u"play qelmedia from " + number::format(double(*ms)));
}

Text midiGet(Engine& engine, TextView p) {
    if (p == u"状態") return MediaModeText(engine);
    if (p == u"位置") return number::format(statusNumber(engine, u"position") / 100);
    if (p == u"長さ") return number::format(statusNumber(engine, u"Length") / 100);
    if (p == u"時間") return media::TimeText((long long)(statusNumber(engine, u"length") / 1000));
    if (p == u"現在時間")
        return media::TimeText((long long)(statusNumber(engine, u"position") / 1000));
    if (p == u"タイトル") return MediaSessionOf(engine).midiTitle;
    noSuchProperty(engine, p);
    return u"True";
}

void midiSet(Engine& engine, TextView p, TextView value) {
    if (p != u"位置") {
        noSuchProperty(engine, p);
        return;
    }
    auto ms = positionMs(engine, value, 100);
    if (!ms) return;
    SendMci(engine, u"stop qelmedia");
    QueryMci(engine, u"play qelmedia from " + number::format(double(*ms)));
}

MediaObject currentObject(Engine& engine) {
    switch (MediaSessionOf(engine).type) {
        case MediaType::Cd:
            return MediaObject::Cd;
        case MediaType::Midi:
            return MediaObject::Midi;
        case MediaType::MciFile:
            return MediaObject::Video;
        default:
            return MediaObject::Mp3;
    }
}

}  // namespace

bool IsMediaObject(TextView name) {
    return mediaObjectOf(name).has_value();
}

Text MediaPropertyGet(Engine& engine, TextView object, TextView property) {
    auto which = mediaObjectOf(object);
    if (!which) return {};
    const Text p(text::trimBlanks(property));
    if (*which == MediaObject::Current) {
        if (MediaSessionOf(engine).type == MediaType::None) return {};
        which = currentObject(engine);
    }
    switch (*which) {
        case MediaObject::Cd:
            return cdGet(engine, p);
        case MediaObject::Video:
            return videoGet(engine, p);
        case MediaObject::Midi:
            return midiGet(engine, p);
        default:
            return Mp3PropertyGet(engine, p);
    }
}

void MediaPropertySet(Engine& engine, TextView object, TextView property, TextView rawValue) {
    auto which = mediaObjectOf(object);
    if (!which) return;
    const Text p(text::trimBlanks(property));
    if (*which == MediaObject::Current) {
        if (MediaSessionOf(engine).type == MediaType::None) return;
        which = currentObject(engine);
    }
    switch (*which) {
        case MediaObject::Cd:
            cdSet(engine, p, rawValue);
            break;
        case MediaObject::Video:
            videoSet(engine, p, rawValue);
            break;
        case MediaObject::Midi:
            midiSet(engine, p, rawValue);
            break;
        default:
            Mp3PropertySet(engine, p, engine.EvalText(rawValue));
            break;
    }
}

}  // namespace qel
