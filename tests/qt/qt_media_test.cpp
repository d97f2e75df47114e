// Sound and video files on the desktop through Qt Multimedia (offscreen): a
// generated WAV opened through MCI strings, and a generated uncompressed AVI
// played inside a picture box. Where the machine has no audio device, videos
// still play (silently, on the player's own clock) and sound files are timed
// on the headless output, so states, positions and lengths are checked
// either way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QLabel>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoWidget>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/qel.h"
#include "platform/headless/virtual_media.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_media.h"
#include "platform/qt/qt_widgets.h"

// Under the sanitizers: Qt Multimedia's FFmpeg backend keeps the options
// dictionary of each decoder it opens, and with it the backing store of its
// video window, past the end of the program. Neither belongs to this
// program, so those leaks are told apart by library; that takes whole
// stacks, which Qt's libraries only give with the slow unwinder. (Both hooks
// are read only by a sanitizer runtime.)
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libavutil.so\nleak:libQt6Multimedia.so\nleak:libffmpegmediaplugin.so\n";
}
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

namespace qel {
namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}
void put16(std::string& out, std::uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
std::string chunk(const char* id, const std::string& body) {
    std::string out(id, 4);
    put32(out, std::uint32_t(body.size()));
    out += body;
    if (body.size() % 2) out += '\0';
    return out;
}
std::string list(const char* type, const std::string& body) {
    return chunk("LIST", std::string(type, 4) + body);
}

// 16-bit stereo 44.1 kHz, a 440 Hz tone.
void writeWav(const std::string& path, double seconds) {
    const std::uint32_t frames = std::uint32_t(seconds * 44100);
    std::string data;
    for (std::uint32_t i = 0; i < frames; ++i) {
        auto v = std::int16_t(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
        put16(data, std::uint16_t(v));
        put16(data, std::uint16_t(v));
    }
    std::string fmt;
    put16(fmt, 1), put16(fmt, 2), put32(fmt, 44100), put32(fmt, 44100 * 4);
    put16(fmt, 4), put16(fmt, 16);
    std::ofstream(path, std::ios::binary)
        << chunk("RIFF", "WAVE" + chunk("fmt ", fmt) + chunk("data", data));
}

// An uncompressed AVI: `frames` frames of width × height at 10 frames a second.
void writeAvi(const std::string& path, int width, int height, int frames) {
    const std::uint32_t frameBytes = std::uint32_t(width * height * 3);
    std::string avih;
    for (std::uint32_t v :
         {100000u, frameBytes * 10, 0u, 0x10u, std::uint32_t(frames), 0u, 1u, frameBytes,
          std::uint32_t(width), std::uint32_t(height), 0u, 0u, 0u, 0u})
        put32(avih, v);
    std::string strh = "vidsDIB ";
    for (std::uint32_t v :
         {0u, 0u, 0u, 1u, 10u, 0u, std::uint32_t(frames), frameBytes, 0xFFFFFFFFu, 0u})
        put32(strh, v);
    put16(strh, 0), put16(strh, 0), put16(strh, std::uint16_t(width));
    put16(strh, std::uint16_t(height));
    std::string strf;
    for (std::uint32_t v : {40u, std::uint32_t(width), std::uint32_t(height)}) put32(strf, v);
    put16(strf, 1), put16(strf, 24);
    for (std::uint32_t v : {0u, frameBytes, 0u, 0u, 0u, 0u}) put32(strf, v);
    std::string movi, index;
    for (int f = 0; f < frames; ++f) {
        std::string pixels(frameBytes, char(f * 20));
        put32(index, 0x62643030);  // "00db"
        put32(index, 0x10);
        put32(index, std::uint32_t(4 + movi.size()));
        put32(index, frameBytes);
        movi += chunk("00db", pixels);
    }
    std::string hdrl =
        chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf));
    std::ofstream(path, std::ios::binary)
        << chunk("RIFF", "AVI " + list("hdrl", hdrl) + list("movi", movi) + chunk("idx1", index));
}

// The lines that stop a script at checkpoint `stage` until the test has
// looked; a bound keeps a broken test finite.
std::vector<Text> checkpoint(int stage) {
    const Text n = text::fromUtf8(std::to_string(stage));
    return {u"段階は、" + n,           u"500回繰り返す", u"　もし 見た＝" + n + u" なら",
            u"　　繰り返しから抜ける", u"　もし終わり",  u"　待て　0.01",
            u"繰り返し終わり"};
}

class Runner {
  public:
    explicit Runner(std::function<void(int)> look) : look_(std::move(look)) {
        std::string why;
        application_ = QtApplication::open(why);
        EXPECT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        auto widgets = std::make_unique<QtWidgets>(application_);
        WidgetPort& port = *widgets;
        platform.widgets = std::move(widgets);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        platform.media =
            makeDesktopMedia(std::make_unique<VirtualMediaPort>(std::string(), nullptr), port);
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
        QObject::connect(&watch_, &QTimer::timeout, [this] { watch(); });
        watch_.start(10);
    }
    void run(const std::vector<std::vector<Text>>& parts) {
        Text script = u"見た は 0" + Text(kCRLF);
        for (const auto& part : parts)
            for (const Text& line : part) script += line + Text(kCRLF);
        qel_->Run(script, u"test.qel", true);
    }
    QString value(TextView name) {
        bool notFound = false;
        Text value = qel_->engine().GetVariable(name, notFound);
        return notFound ? QString() : QString::fromStdString(text::toUtf8(value));
    }
    const QStringList& boxes() const { return boxes_; }

  private:
    void watch() {
        if (QWidget* box = QApplication::activeModalWidget()) {
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
                boxes_ << label->text();
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        const int stage = value(u"段階").toInt();
        if (stage <= looked_) return;
        looked_ = stage;
        look_(stage);
        qel_->engine().SetVariable(u"見た", text::fromUtf8(std::to_string(stage)));
    }

    std::function<void(int)> look_;
    std::shared_ptr<QtApplication> application_;
    std::unique_ptr<Qel> qel_;
    QTimer watch_;
    QStringList boxes_;
    int looked_ = 0;
};

QList<QVideoWidget*> videoWidgets() {
    QList<QVideoWidget*> out;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* v = qobject_cast<QVideoWidget*>(w)) out << v;
    return out;
}

QWidget* named(const QString& name) {
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->accessibleName() == name) return widget;
    return nullptr;
}

class QtMedia : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
        if (QMediaDevices::audioOutputs().isEmpty())
            std::printf(
                "no audio device: videos play silently on the player's clock, sound "
                "files on the headless output\n");
    }
    void TearDown() override { QDir::setCurrent(previous_); }
    std::string file(const char* name) const { return (folder_.path() + "/" + name).toStdString(); }

    QTemporaryDir folder_;
    QString previous_;
};

// A WAV through MCI strings: its length to the millisecond, playing, paused
// and stopped as asked, and closed with its device.
TEST_F(QtMedia, WaveFileThroughMciStrings) {
    writeWav(file("tone.wav"), 1.5);
    Runner r([](int) {});
    r.run({{u"「open \"tone.wav\" alias w」をMCIに命令", u"「status w length」をMCIに命令",
            u"長 は それ", u"「play w」をMCIに命令", u"待て 0.3", u"「status w mode」をMCIに命令",
            u"状1 は それ", u"「status w position」をMCIに命令", u"ポジ は それ",
            u"「pause w」をMCIに命令", u"「status w mode」をMCIに命令", u"状2 は それ",
            u"「stop w」をMCIに命令", u"「status w mode」をMCIに命令", u"状3 は それ",
            u"「close w」をMCIに命令", u"状4 は 「」", u"「status w mode」をMCIに命令",
            u"状4 は それ"}});
    EXPECT_NEAR(r.value(u"長").toDouble(), 1500, 50);
    EXPECT_EQ(r.value(u"状1"), QStringLiteral("playing"));
    EXPECT_GT(r.value(u"ポジ").toDouble(), 0);
    EXPECT_EQ(r.value(u"状2"), QStringLiteral("paused"));
    EXPECT_EQ(r.value(u"状3"), QStringLiteral("stopped"));
    // A closed device is no longer known: an MCI error, and no answer.
    EXPECT_EQ(r.value(u"状4"), QString());
    ASSERT_EQ(r.boxes().size(), 1) << r.boxes().join('\n').toStdString();
    EXPECT_TRUE(r.boxes()[0].contains(QStringLiteral("MCI"))) << r.boxes()[0].toStdString();
}

// A video inside the picture box named by で: the video widget is the
// picture's child and fills it; its length and source size are the file's;
// 停止 releases it. Then bad input: a missing video (201), a text file under
// a video's and an MP3's name.
TEST_F(QtMedia, VideoInsideAPictureBox) {
    writeAvi(file("clip.avi"), 64, 48, 10);
    {
        std::ofstream(file("text.mp3")) << "not a sound\n";
        std::ofstream(file("text.avi")) << "not a video\n";
    }
    bool inPicture = false, fills = false;
    int videosAfterStop = -1;
    Runner r([&](int stage) {
        const QList<QVideoWidget*> videos = videoWidgets();
        if (stage == 1) {
            QWidget* picture = named(QStringLiteral("ピクチャー１"));
            ASSERT_EQ(videos.size(), 1);
            inPicture = picture && videos[0]->parentWidget() == picture;
            fills = picture && videos[0]->geometry() == picture->rect();
        } else {
            videosAfterStop = int(videos.size());
        }
    });
    r.run({{u"「ウィンドウ1」を作る", u"ウィンドウ1を表示", u"「ピクチャー1」を作る",
            u"ピクチャー1の大きさは、200,150", u"「clip.avi」をピクチャー1で再生",
            u"長 は 動画の長さ", u"状態 は 動画の状態", u"「where qelmedia source」をMCIに命令",
            u"元 は それ", u"待て 0.5", u"進み は 動画の位置"},
           checkpoint(1),
           {u"停止", u"止めた は メディアの状態"},
           checkpoint(2),
           {u"「missing.avi」をピクチャー1で再生", u"「text.avi」をピクチャー1で再生",
            u"「text.mp3」を再生"}});
    EXPECT_NEAR(r.value(u"長").toDouble(), 1.0, 0.05);
    EXPECT_EQ(r.value(u"状態"), QStringLiteral("再生中"));
    EXPECT_EQ(r.value(u"元"), QStringLiteral("0 0 64 48"));
    EXPECT_GE(r.value(u"進み").toDouble(), 0.1);
    EXPECT_TRUE(inPicture);
    EXPECT_TRUE(fills);
    EXPECT_EQ(r.value(u"止めた"), QString());
    EXPECT_EQ(videosAfterStop, 0);
    ASSERT_GE(r.boxes().size(), 4) << r.boxes().join('\n').toStdString();
    EXPECT_TRUE(r.boxes()[0].contains(QStringLiteral("missing.aviが見つかりません。")));
    EXPECT_TRUE(r.boxes()[1].contains(QStringLiteral("MCI")));
    EXPECT_TRUE(r.boxes()[2].contains(QStringLiteral("MP3再生エラー : 2")));
}

// Without で the video gets a window of its own, which 停止 closes.
TEST_F(QtMedia, VideoWithoutAPictureHasAWindowOfItsOwn) {
    writeAvi(file("clip.avi"), 32, 24, 5);
    bool topLevel = false;
    int after = -1;
    Runner r([&](int stage) {
        const QList<QVideoWidget*> videos = videoWidgets();
        if (stage == 1) topLevel = videos.size() == 1 && videos[0]->isWindow();
        if (stage == 2) after = int(videos.size());
    });
    r.run({{u"「clip.avi」を再生"}, checkpoint(1), {u"停止"}, checkpoint(2)});
    EXPECT_TRUE(topLevel);
    EXPECT_EQ(after, 0);
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
