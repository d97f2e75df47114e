// MP3 files on their own path: opened without MCI, with stream information and
// a tag the script can read and write (ＭＰ３ の タイトル …).
#include <cmath>
#include <optional>

#include "core/paths.h"
#include "library/media/media.h"
#include "media/id3_genres.h"
#include "text/number.h"

namespace qel {

using media::MediaType;

namespace {

// The error numbers of the MP3 path: 1 the file is missing, 2 it holds no
// sound this runtime can decode, 3 no decoder is available.
int mp3ErrorNumber(const std::string& why) {
    if (why == media_error::kFileNotFound) return 1;
    if (why == media_error::kInvalidFile) return 2;
    return 3;
}

Text mp3ErrorWord(int number, TextView path) {
    switch (number) {
        case 1:
            return Text(path) + u"が見つかりません。";
        case 2:
            return u"2（MP3として読めないファイルです）";
        default:
            return u"3（MP3を再生する手段がありません）";
    }
}

double seconds(media::MediaSession& s) {
    if (!s.mp3) return 0;
    s.catchUp();
    return s.mp3->positionMs() / 1000.0;
}

// Writes the whole tag back; false (reported) when the file was not changed.
bool writeTag(Engine& engine, media::MediaSession& s) {
    AudioTags tags;
    tags.title = text::toUtf8(s.mp3Tag.title);
    tags.artist = text::toUtf8(s.mp3Tag.artist);
    tags.album = text::toUtf8(s.mp3Tag.album);
    tags.comment = text::toUtf8(s.mp3Tag.comment);
    tags.year = int(number::leadingNumber(s.mp3Tag.year));
    tags.genre = text::toUtf8(s.mp3Tag.genreName);
    // A tag that could not be written is a setting that did not change.
    if (s.mp3File.empty() || !s.port().writeTags(toNativePath(s.mp3File), tags)) {
        engine.Report(ErrorId::Mp3SettingFailed);
        return false;
    }
    return true;
}

// Changes the tag with `change` and writes it; when the file cannot be
// written the properties keep showing what the file holds.
template <class Change>
void changeTag(Engine& engine, media::MediaSession& s, Change change) {
    const media::Mp3Tag tag = s.mp3Tag;
    const media::Mp3Info info = s.mp3Info;
    change();
    if (!writeTag(engine, s)) {
        s.mp3Tag = tag;
        s.mp3Info = info;
    }
}

bool setVolume(Engine& engine, media::MediaSession& s, double left, double right) {
    if (!(left >= 0 && left <= 100 && right >= 0 && right <= 100)) {
        engine.Report(ErrorId::Mp3SettingFailed);
        return false;
    }
    s.volumeLeft = int(left);
    s.volumeRight = int(right);
    s.catchUp();
    if (s.mp3) s.mp3->setVolume(s.volumeLeft * 10, s.volumeRight * 10);
    return true;
}

// 再生速度 is a change in percent, from half the speed to twice it; ピッチ is
// in semitones, an octave either way. Beyond these the sound falls apart.
constexpr double kSlowest = -50, kFastest = 100, kPitchRange = 12;

bool applySpeedPitch(media::MediaSession& s, double speed, double pitch) {
    if (!s.mp3) return true;  // applied when the next file opens
    s.catchUp();
    return s.mp3->setSpeedPitch(1 + speed / 100, pitch);
}

// A value that is no number, or out of range, changes nothing and says so,
// as does a player that cannot change speed or pitch at all.
void setSpeedOrPitch(Engine& engine, media::MediaSession& s, bool speed, TextView value) {
    const std::optional<double> n = number::parse(text::toHalfWidth(value));
    const double low = speed ? kSlowest : -kPitchRange;
    const double high = speed ? kFastest : kPitchRange;
    if (!n || !(*n >= low && *n <= high) ||
        !applySpeedPitch(s, speed ? *n : s.mp3StepPitch, speed ? s.mp3Pitch : *n)) {
        engine.Report(ErrorId::Mp3SettingFailed);
        return;
    }
    (speed ? s.mp3StepPitch : s.mp3Pitch) = *n;
}

Text cut(TextView t, std::size_t n) {
    return Text(t.substr(0, std::min(n, t.size())));
}

}  // namespace

bool OpenMp3(Engine& engine, TextView path) {
    media::MediaSession& s = MediaSessionOf(engine);
    s.mp3LibraryReady = true;
    s.mp3.reset();
    MediaOpenRequest request;
    request.path = toNativePath(path);
    std::string why;
    s.mp3 = s.port().open(request, why);
    if (!s.mp3) {
        if (why == media_error::kNoDevice) {
            // No decoder at all: quietly through MCI from now on.
            s.mp3ViaMci = true;
            return false;
        }
        engine.Report(ErrorId::Mp3PlaybackFailed, mp3ErrorWord(mp3ErrorNumber(why), path));
        s.mp3ViaMci = true;
        return false;
    }
    s.mp3->setVolume(s.volumeLeft * 10, s.volumeRight * 10);
    // Where the new file cannot take them, the settings read what is heard.
    if (!applySpeedPitch(s, s.mp3StepPitch, s.mp3Pitch)) s.mp3StepPitch = s.mp3Pitch = 0;
    s.mp3Info = {};
    s.mp3Tag = {};
    s.mp3Info.lengthSeconds = s.mp3->lengthMs() / 1000.0;
    if (auto tags = s.port().readTags(request.path)) {
        s.mp3Info.title = cut(text::fromUtf8(tags->title), 128);
        s.mp3Info.artist = cut(text::fromUtf8(tags->artist), 128);
        s.mp3Info.sampleRate = tags->sampleRate;
        s.mp3Info.bitRate = tags->bitRate;
        s.mp3Info.channels = tags->channels;
        s.mp3Tag.title = s.mp3Info.title;
        s.mp3Tag.artist = s.mp3Info.artist;
        s.mp3Tag.album = cut(text::fromUtf8(tags->album), 128);
        s.mp3Tag.comment = cut(text::fromUtf8(tags->comment), 128);
        s.mp3Tag.year = tags->year > 0 ? number::format(tags->year) : Text();
        s.mp3Tag.genreName = text::fromUtf8(tags->genre);
        s.mp3Tag.genre = media::GenreNumber(tags->genre);
    }
    s.mp3File = Text(path);
    return true;
}

Text Mp3PropertyGet(Engine& engine, TextView p) {
    media::MediaSession& s = MediaSessionOf(engine);
    const media::Mp3Info& info = s.mp3Info;
    if (p == u"ファイル名") return s.mp3File;
    if (p == u"状態") return MediaModeText(engine);
    if (p == u"位置") return number::format(std::floor(seconds(s)));
    if (p == u"長さ" || p == u"秒") return number::format(std::floor(info.lengthSeconds));
    if (p == u"現在時間") return s.mp3 ? media::TimeText((long long)seconds(s)) : Text();
    if (p == u"時間") return s.mp3 ? media::TimeText((long long)info.lengthSeconds) : Text();
    if (p == u"タイトル") return info.title;
    if (p == u"アーティスト") return info.artist;
    if (p == u"アルバム") return s.mp3Tag.album;
    if (p == u"サンプルレート") return number::format(info.sampleRate);
    if (p == u"ビットレート") return number::format(info.bitRate);
    if (p == u"レート") return number::format(s.mp3OutputRate);
    if (p == u"再生速度") return number::format(s.mp3StepPitch);
    if (p == u"ピッチ") return number::format(s.mp3Pitch);
    if (p == u"スピーカ") return info.channels == 2 ? u"ステレオ" : u"モノラル";
    if (p == u"ボリューム左") return number::format(s.volumeLeft);
    if (p == u"ボリューム右") return number::format(s.volumeRight);
    engine.Report(ErrorId::NoSuchSetting, p);
    return u"True";
}

void Mp3PropertySet(Engine& engine, TextView p, TextView value) {
    media::MediaSession& s = MediaSessionOf(engine);
    const double n = number::leadingNumber(text::toHalfWidth(value));
    if (p == u"ファイル名") {
        OpenMp3(engine, value);
    } else if (p == u"位置") {
        s.catchUp();
        if (!s.mp3 || !(n >= 0) || n * 1000 > s.mp3->lengthMs()) {
            engine.Report(ErrorId::Mp3SettingFailed);
        } else if (s.mp3->mode() == MediaMode::Playing) {
            s.mp3->play(n * 1000, -1);
        } else {
            s.mp3->seek(n * 1000);
        }
    } else if (p == u"タイトル" || p == u"アーティスト" || p == u"アルバム" || p == u"コメント") {
        changeTag(engine, s, [&] {
            Text v = cut(value, 128);
            (p == u"タイトル"       ? s.mp3Tag.title
             : p == u"アーティスト" ? s.mp3Tag.artist
             : p == u"アルバム"     ? s.mp3Tag.album
                                    : s.mp3Tag.comment) = v;
            if (p == u"タイトル") s.mp3Info.title = v;
            if (p == u"アーティスト") s.mp3Info.artist = v;
        });
    } else if (p == u"リリース年") {
        changeTag(engine, s, [&] { s.mp3Tag.year = cut(number::format(std::trunc(n)), 5); });
    } else if (p == u"ジャンル") {
        // 255 is the old tag's "no genre"; any other number outside the
        // table names nothing a player could show.
        const int genre = int(n);
        if (genre != 255 && media::GenreName(genre).empty()) {
            engine.Report(ErrorId::Mp3SettingFailed);
            return;
        }
        changeTag(engine, s, [&] {
            s.mp3Tag.genre = genre;
            s.mp3Tag.genreName = text::fromUtf8(media::GenreName(genre));
        });
    } else if (p == u"レート") {
        // The output mixes at its own rate whatever is asked; a rate the
        // decoder could never give is refused.
        if (n < 8000 || n > 48000) {
            engine.Report(ErrorId::Mp3SettingFailed);
            return;
        }
        s.mp3OutputRate = int(n);
    } else if (p == u"モード") {
        if (n == 0) s.mp3OutputRate = 24000;
        if (n == 1) s.mp3OutputRate = 12000;
    } else if (p == u"再生速度" || p == u"ピッチ") {
        setSpeedOrPitch(engine, s, p == u"再生速度", value);
    } else if (p == u"ボリューム") {
        setVolume(engine, s, n, n);
    } else if (p == u"ボリューム左") {
        setVolume(engine, s, n, s.volumeRight);
    } else if (p == u"ボリューム右") {
        setVolume(engine, s, s.volumeLeft, n);
    } else {
        engine.Report(ErrorId::NoSuchSetting, p);
    }
}

}  // namespace qel
