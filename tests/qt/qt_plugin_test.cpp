// Control plug-ins on real Qt widgets (offscreen): the sample plug-in puts a
// label of its own inside the picture that hosts it, and the tests look at
// that label as the script changes, resizes and removes the control.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/plugin_host.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_widgets.h"

namespace qel {
namespace {

QWidget* named(const QString& name) {
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->accessibleName() == name) return widget;
    }
    return nullptr;
}

// The labels the sample plug-in made that are still alive.
QList<QLabel*> lampLabels() {
    QList<QLabel*> labels;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == QStringLiteral("qelsample-lamp"))
            labels << qobject_cast<QLabel*>(widget);
    }
    return labels;
}

// The lines that stop a script at checkpoint `stage` until the test has
// looked (it sets 見た to the stage); a bound keeps a broken test finite.
std::vector<Text> checkpoint(int stage) {
    const Text n = text::fromUtf8(std::to_string(stage));
    return {u"段階は、" + n,           u"500回繰り返す", u"　もし 見た＝" + n + u" なら",
            u"　　繰り返しから抜ける", u"　もし終わり",  u"　待て　0.01",
            u"繰り返し終わり"};
}

// One engine over the Qt host and its widgets, with plug-ins. At each
// checkpoint of the script it calls `look` with the stage. Error boxes are
// answered and their texts kept, so that a failing script fails the test
// instead of waiting forever.
class Runner {
  public:
    explicit Runner(std::function<void(int)> look) : look_(std::move(look)) {
        std::string why;
        application_ = QtApplication::open(why);
        EXPECT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        platform.widgets = std::make_unique<QtWidgets>(application_);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        platform.plugins = std::make_unique<LinuxPluginHost>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
        QObject::connect(&watch_, &QTimer::timeout, [this] { watch(); });
        watch_.start(10);
    }

    // Runs the lines as one script, keeping what it made for the test to see.
    void run(const std::vector<std::vector<Text>>& parts) {
        Text script = u"見た は 0" + Text(kCRLF);
        for (const auto& part : parts) {
            for (const Text& line : part) script += line + Text(kCRLF);
        }
        qel_->Run(script, u"test.qel", true);
    }
    // Ends the run as the program's end does: its plug-ins are taken away.
    void end() { qel_->Run(u"", u"end.qel", false); }
    QString value(TextView name) {
        bool notFound = false;
        Text value = qel_->engine().GetVariable(name, notFound);
        return notFound ? QString() : QString::fromStdString(text::toUtf8(value));
    }
    const QStringList& boxes() const { return boxes_; }
    int looked() const { return looked_; }

  private:
    void watch() {
        if (QWidget* box = QApplication::activeModalWidget()) {
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
                boxes_ << label->text();
            // Answered as the user would, to go on after the failed statement.
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

// The plug-in's label lives in the picture on the script's window, shows
// what the script set through the plug-in's own properties and verbs, fills
// the picture as the script resizes it, and goes with the control, also
// when the end of the run takes the last object of the plug-in away.
TEST(QtPlugins, AControlPluginsWidgetLivesInsideItsPicture) {
    QPointer<QLabel> label;
    QString shown[3];
    QSize labelSize[3], pictureSize[3];
    bool inPicture = false, onWindow = false;
    Runner r([&](int stage) {
        if (stage == 1) {
            const QList<QLabel*> labels = lampLabels();
            ASSERT_EQ(labels.size(), 1);
            label = labels.front();
            QWidget* picture = named(QStringLiteral("ランプ１"));
            inPicture = picture && label->parentWidget() == picture;
            onWindow = label->window() == named(QStringLiteral("ウィンドウ１"));
        }
        if (stage <= 2 && label) {
            shown[stage] = label->text();
            labelSize[stage] = label->size();
            pictureSize[stage] = label->parentWidget()->size();
        }
        // Gone from sight at once; deleted with the picture when the event
        // loop next runs (a procedure of the picture may still be running).
        if (stage == 3) {
            EXPECT_FALSE(label && label->isVisible());
            EXPECT_EQ(lampLabels().size(), label ? 2 : 1);
        }
    });
    r.run({{u"「qelsample」を使う", u"「ウィンドウ1」を作る", u"ウィンドウ1を表示",
            u"「ランプ1」を作る", u"ランプ1の位置は、10,20", u"ランプ1の大きさは、120,40",
            u"ランプ1の色は、「青」", u"ランプ1の点灯は、1", u"道具 は ランプ1のツールキット"},
           checkpoint(1),
           {u"ランプ1の切り替え", u"切り替え後 は それ", u"ランプ1の大きさは、200,90"},
           checkpoint(2),
           {u"「ランプ2」を作る", u"ランプ1を消せ"},
           checkpoint(3)});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    ASSERT_EQ(r.looked(), 3);
    EXPECT_EQ(r.value(u"道具"), QStringLiteral("qt"));
    EXPECT_EQ(r.value(u"切り替え後"), QStringLiteral("0"));
    EXPECT_TRUE(inPicture);
    EXPECT_TRUE(onWindow);
    EXPECT_EQ(shown[1], QStringLiteral("青・点灯"));
    EXPECT_EQ(shown[2], QStringLiteral("青・消灯"));
    for (int stage : {1, 2}) {
        EXPECT_EQ(labelSize[stage], pictureSize[stage]) << stage;
    }
    EXPECT_NE(pictureSize[1], pictureSize[2]);
    // ランプ2 is still there when the run ends, which takes the plug-in's
    // last object away; its label (and the plug-in's code in it) goes after.
    r.end();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(label);
    EXPECT_TRUE(lampLabels().isEmpty());
}

// The user closing the window under a live control: the script goes on
// talking to the control, which must not reach the label that went with
// the window, and the end of the run still cleans up.
TEST(QtPlugins, ClosingTheWindowUnderAControlIsSafe) {
    QPointer<QLabel> label;
    Runner r([&](int stage) {
        if (stage != 1) return;
        const QList<QLabel*> labels = lampLabels();
        ASSERT_EQ(labels.size(), 1);
        label = labels.front();
        if (QWidget* window = named(QStringLiteral("ウィンドウ１"))) window->close();
    });
    r.run({{u"「qelsample」を使う", u"「ウィンドウ1」を作る", u"ウィンドウ1を表示",
            u"「ランプ1」を作る"},
           checkpoint(1),
           {u"ランプ1の点灯は、1", u"ランプ1の切り替え"},
           checkpoint(2)});
    EXPECT_EQ(r.looked(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(label);
    EXPECT_TRUE(lampLabels().isEmpty());
}

// A plug-in that cannot make its control: its reason reaches the script,
// no half-made control stays behind, and the window keeps what it had.
TEST(QtPlugins, AFailedControlLeavesTheWindowAsItWas) {
    bool noControl = false, buttonStays = false;
    Runner r([&](int) {
        noControl = !named(QStringLiteral("故障品１"));
        QWidget* window = named(QStringLiteral("ウィンドウ１"));
        QWidget* button = named(QStringLiteral("ボタン１"));
        buttonStays = window && button && button->window() == window;
    });
    r.run({{u"「qelfailcontrol」を使う", u"「ウィンドウ1」を作る", u"「ボタン1」を作る",
            u"「故障品1」を作る", u"後 は 1"},
           checkpoint(1)});
    ASSERT_EQ(r.boxes().size(), 1);
    EXPECT_TRUE(r.boxes().front().contains(QStringLiteral("部品の準備に失敗しました。")))
        << r.boxes().front().toStdString();
    EXPECT_EQ(r.value(u"後"), QStringLiteral("1"));
    EXPECT_TRUE(noControl);
    EXPECT_TRUE(buttonStays);
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The sample plug-in and the failing one, found by their bare names.
    qputenv("QELSCRIPT_PLUGIN_PATH", QEL_TEST_PLUGIN_PATH);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
