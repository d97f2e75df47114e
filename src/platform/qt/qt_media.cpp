#include "platform/qt/qt_media.h"

#ifndef QEL_QT_MULTIMEDIA

namespace qel {

std::unique_ptr<MediaPort> makeDesktopMedia(std::unique_ptr<MediaPort> inner, WidgetPort&) {
    return inner;
}

}  // namespace qel

#else

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>

namespace qel {

namespace {

// How long an open may take to read a file far enough to know its length
// (a local file takes milliseconds; this bounds a stalled decoder).
constexpr int kLoadTimeoutMs = 5000;

bool settled(const QMediaPlayer& player) {
    const QMediaPlayer::MediaStatus s = player.mediaStatus();
    return player.error() != QMediaPlayer::NoError || s == QMediaPlayer::LoadedMedia ||
           s == QMediaPlayer::BufferedMedia || s == QMediaPlayer::InvalidMedia ||
           s == QMediaPlayer::EndOfMedia;
}

// Lets Qt's own work run (not the user's input, which the script takes in its
// waits) until the player knows the file or has given up on it.
bool waitUntilLoaded(QMediaPlayer& player) {
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop, [&] {
        if (settled(player)) loop.quit();
    });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    if (!settled(player)) {
        timeout.start(kLoadTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const QMediaPlayer::MediaStatus s = player.mediaStatus();
    return player.error() == QMediaPlayer::NoError &&
           (s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia);
}

// One opened file. MCI's "stop" keeps the position (Qt's resets it), and the
// end of the file leaves the position at the length, so both are kept here.
class QtMediaDevice : public MediaDevice {
  public:
    QtMediaDevice() : player_(std::make_unique<QMediaPlayer>()) {
        QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, player_.get(),
                         [this](QMediaPlayer::MediaStatus s) {
                             if (s == QMediaPlayer::EndOfMedia) ended_ = true;
                         });
        QObject::connect(player_.get(), &QMediaPlayer::positionChanged, player_.get(),
                         [this] { stopAtEnd(); });
        // Without an audio device the file still plays (and is timed) silently.
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            audio_ = std::make_unique<QAudioOutput>();
            player_->setAudioOutput(audio_.get());
        }
    }
    ~QtMediaDevice() override {
        player_->stop();
        player_->setVideoOutput(nullptr);
        delete video_.data();
    }
    QtMediaDevice(const QtMediaDevice&) = delete;
    QtMediaDevice& operator=(const QtMediaDevice&) = delete;

    bool load(const QString& path) {
        player_->setSource(QUrl::fromLocalFile(path));
        return waitUntilLoaded(*player_) && player_->duration() >= 0;
    }
    bool hasVideo() const { return player_->hasVideo(); }
    bool hasAudioOutput() const { return audio_ != nullptr; }

    // Inside `parent` (filling it until the script places it), or in a window
    // of its own.
    void showVideo(QWidget* parent, long long parentId, const QString& title) {
        video_ = new QVideoWidget(parent);
        parentId_ = parentId;
        player_->setVideoOutput(video_.data());
        if (parent) {
            video_->setGeometry(parent->rect());
        } else {
            video_->setWindowTitle(title);
            QSize size = sourceQSize();
            video_->resize(size.isValid() && !size.isEmpty() ? size : QSize(320, 240));
        }
        video_->show();
    }

    double lengthMs() override { return double(player_->duration()); }
    double positionMs() override {
        stopAtEnd();
        return ended_ ? lengthMs() : double(player_->position());
    }
    MediaMode mode() override {
        stopAtEnd();
        if (ended_ || stopped_) return MediaMode::Stopped;
        switch (player_->playbackState()) {
            case QMediaPlayer::PlayingState:
                return MediaMode::Playing;
            case QMediaPlayer::PausedState:
                return MediaMode::Paused;
            default:
                return MediaMode::Stopped;
        }
    }
    bool play(double fromMs, double toMs) override {
        if (!(fromMs >= 0) || fromMs > lengthMs() || (toMs >= 0 && toMs < fromMs)) return false;
        toMs_ = toMs;
        stopped_ = ended_ = false;
        player_->setPosition(qint64(fromMs));
        player_->play();
        return true;
    }
    void pause() override {
        if (mode() == MediaMode::Playing) player_->pause();
    }
    void resume() override {
        if (mode() == MediaMode::Paused) player_->play();
    }
    void stop() override {
        if (!ended_) player_->pause();
        stopped_ = true;
    }
    void seek(double ms) override {
        player_->pause();
        player_->setPosition(qint64(std::clamp(ms, 0.0, lengthMs())));
        stopped_ = true;
        ended_ = false;
    }
    void setAudio(bool on) override {
        if (audio_) audio_->setMuted(!on);
    }
    // Qt's output has one volume: the louder side sets it.
    void setVolume(int left, int right) override {
        if (audio_) audio_->setVolume(std::clamp(std::max(left, right), 0, 1000) / 1000.0f);
    }
    // Qt's player changes the speed (whether the pitch moves with it is up to
    // its backend); it has no way to change the pitch alone.
    bool setSpeedPitch(double tempo, double semitones) override {
        if (!(tempo > 0) || semitones != 0) return false;
        player_->setPlaybackRate(tempo);
        return true;
    }
    std::optional<std::pair<int, int> > sourceSize() override {
        if (!hasVideo()) return std::nullopt;
        QSize size = sourceQSize();
        if (!size.isValid()) return std::nullopt;
        return std::make_pair(size.width(), size.height());
    }
    bool placeVideo(int x, int y, int width, int height) override {
        if (!video_) return false;
        video_->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
        return true;
    }
    long long videoWindow() override {
        if (!video_) return 0;
        return parentId_ ? parentId_ : (long long)(quintptr)video_.data();
    }

  private:
    QSize sourceQSize() const {
        QSize size = player_->metaData().value(QMediaMetaData::Resolution).toSize();
        if ((!size.isValid() || size.isEmpty()) && video_ && video_->videoSink())
            size = video_->videoSink()->videoSize();
        return size;
    }

    // A "to" position ends playback there, as soon as the player passes it.
    void stopAtEnd() {
        if (toMs_ < 0 || stopped_ || ended_) return;
        if (player_->playbackState() != QMediaPlayer::PlayingState) return;
        if (double(player_->position()) < toMs_) return;
        player_->pause();
        player_->setPosition(qint64(toMs_));
        stopped_ = true;
    }

    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> audio_;
    QPointer<QVideoWidget> video_;
    long long parentId_ = 0;
    double toMs_ = -1;
    bool stopped_ = true;
    bool ended_ = false;
};

class QtMediaPort : public MediaPort {
  public:
    QtMediaPort(std::unique_ptr<MediaPort> inner, WidgetPort& widgets)
        : inner_(std::move(inner)), widgets_(widgets) {}

    void advance(double nowMs) override { inner_->advance(nowMs); }

    std::unique_ptr<MediaDevice> open(const MediaOpenRequest& request,
                                      std::string& error) override {
        if (request.kind != MediaKind::File) return inner_->open(request, error);
        std::unique_ptr<QtMediaDevice> device =
            openFile(request.path, request.parentWindow, true, error);
        if (device && silentAudioOnly(*device)) return inner_->open(request, error);
        return device;
    }

    // A sound beside the medium: heard at once; a new one ends the last.
    std::optional<double> playSound(const std::string& path) override {
        sound_.reset();
        std::string error;
        std::unique_ptr<QtMediaDevice> sound = openFile(path, 0, false, error);
        if (sound && silentAudioOnly(*sound)) return inner_->playSound(path);
        if (!sound || !sound->play(0, -1)) return std::nullopt;
        const double length = sound->lengthMs();
        sound_ = std::move(sound);
        return length;
    }
    bool playSystemSound(const std::string& name) override { return inner_->playSystemSound(name); }
    std::optional<AudioTags> readTags(const std::string& path) override {
        return inner_->readTags(path);
    }
    bool writeTags(const std::string& path, const AudioTags& tags) override {
        return inner_->writeTags(path, tags);
    }
    // The end of a run: the last sound is released with the run's devices.
    void flush() override {
        sound_.reset();
        inner_->flush();
    }

  private:
    // Without an audio device Qt's player never moves through a file that
    // has only sound (its clock is the audio output's): it would play
    // forever. Such files are timed, silently, on the output this port wraps.
    static bool silentAudioOnly(const QtMediaDevice& device) {
        return !device.hasAudioOutput() && !device.hasVideo();
    }

    std::unique_ptr<QtMediaDevice> openFile(const std::string& path, long long parentId,
                                            bool withVideo, std::string& error) {
        const QString file = QString::fromStdString(path);
        if (!QFileInfo(file).isFile()) {
            error = media_error::kFileNotFound;
            return nullptr;
        }
        auto device = std::make_unique<QtMediaDevice>();
        if (!device->load(file)) {
            error = media_error::kInvalidFile;
            return nullptr;
        }
        if (withVideo && device->hasVideo()) {
            QWidget* parent = nullptr;
            if (parentId != 0 && std::string_view(widgets_.nativeToolkit()) == "qt")
                parent = static_cast<QWidget*>(widgets_.nativeWidget(WidgetId(parentId)));
            device->showVideo(parent, parent ? parentId : 0, QFileInfo(file).fileName());
        }
        return device;
    }

    std::unique_ptr<MediaPort> inner_;
    WidgetPort& widgets_;
    std::unique_ptr<QtMediaDevice> sound_;
};

}  // namespace

std::unique_ptr<MediaPort> makeDesktopMedia(std::unique_ptr<MediaPort> inner, WidgetPort& widgets) {
    // Qt's FFmpeg backend reads every format FFmpeg does; its GStreamer one
    // needs decoder plug-ins that are seldom all installed. A choice made in
    // the environment is kept.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    return std::make_unique<QtMediaPort>(std::move(inner), widgets);
}

}  // namespace qel

#endif
