// Events on real Qt widgets (offscreen): QTest sends real input to the
// script's widgets, and the tests check which procedures ran and what the
// event functions read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_widgets.h"
#include "qt_named.h"

namespace qel {
namespace {

// An engine on the Qt host and real widgets; the script's top level runs and
// returns, its windows stay, and the test plays the user.
class Session {
  public:
    Session() {
        std::string why;
        application_ = QtApplication::open(why);
        EXPECT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        platform.widgets = std::make_unique<QtWidgets>(application_);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }
    ~Session() {
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    }
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }
    QString value(TextView name) {
        bool notFound = false;
        Text v = qel_->engine().GetVariable(name, notFound);
        return QString::fromStdString(text::toUtf8(v));
    }

  private:
    std::shared_ptr<QtApplication> application_;
    std::unique_ptr<Qel> qel_;
};

TEST(QtEvents, ClickingARealButtonRunsItsProcedureAtOnce) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「ボタン1」を作る", u"「ボタン2」を作る", u"記録は、「」",
           u"手順は　ウィンドウ２のボタン1をクリック", u"　記録は、記録＆「1」", u"終わり",
           u"手順は　ウィンドウ２のボタンをクリック", u"　記録は、記録＆「全」", u"終わり",
           u"手順は　ウィンドウ２のボタン1でマウスのボタンを上げる",
           u"　記録は、記録＆「上［押したボタン］」", u"終わり"});
    auto* one = named<QPushButton>(QStringLiteral("ボタン１"));
    ASSERT_TRUE(one);
    QTest::mouseClick(one, Qt::LeftButton);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("上11"));
    QTest::mouseClick(named<QPushButton>(QStringLiteral("ボタン２")), Qt::LeftButton);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("上11全"));
    QTest::mouseClick(one, Qt::RightButton);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("上11全上2"));
}

TEST(QtEvents, KeysAreNamedAsTheLanguageNamesThem) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「テキスト1」を作る", u"ウィンドウ２を表示",
           u"手順は　ウィンドウ２のテキスト1にEnterを入力",
           u"　入力は、「Enter ［押したキー番号］」", u"終わり",
           u"手順は　ウィンドウ２のテキスト1が変化", u"　変化は、ウィンドウ２のテキスト1の内容",
           u"終わり", u"手順は　ウィンドウ２のテキスト1でキーボードを押す",
           u"　押したは、押したキー", u"終わり"});
    auto* edit = named<QLineEdit>(QStringLiteral("テキスト１"));
    ASSERT_TRUE(edit);
    QTest::keyClicks(edit, QStringLiteral("ab"));
    EXPECT_EQ(s.value(u"変化"), QStringLiteral("ab"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(s.value(u"入力"), QStringLiteral("Enter 13,0"));
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(s.value(u"押した"), QStringLiteral("コントロール＋シフト＋S"));
    QTest::keyClick(edit, Qt::Key_F5);
    EXPECT_EQ(s.value(u"押した"), QStringLiteral("F5"));
    QTest::keyClick(edit, Qt::Key_Colon);
    EXPECT_EQ(s.value(u"押した"), QStringLiteral(":"));
}

TEST(QtEvents, MouseDataIsStoredBeforeTheProcedureRuns) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「ピクチャー1」を作る",
           u"手順は　ウィンドウ２のピクチャー1でマウスのボタンを下げる",
           u"　下げたは、「［押したボタン］ ［マウスの横］,［マウスの縦］」", u"終わり"});
    QWidget* picture = named(QStringLiteral("ピクチャー１"));
    ASSERT_TRUE(picture);
    QTest::mousePress(picture, Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
    QTest::mouseRelease(picture, Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
    EXPECT_EQ(s.value(u"下げた"), QStringLiteral("2 7,9"));
}

TEST(QtEvents, OptionsReportTheirClickChosenEvenWhenChosenAlready) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「オプション1」を作る", u"回数は、0",
           u"手順は　ウィンドウ２のオプション1をクリック", u"　回数は、回数＋1",
           u"　値は、ウィンドウ２のオプション1のチェック", u"終わり"});
    auto* option = named<QRadioButton>(QStringLiteral("オプション１"));
    ASSERT_TRUE(option);
    const QPoint mark(6, option->height() / 2);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, mark);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, mark);
    EXPECT_EQ(s.value(u"回数"), QStringLiteral("2"));
    EXPECT_EQ(s.value(u"値"), QStringLiteral("1"));
}

TEST(QtEvents, RefusedCloseKeepsTheWindowTheUserClosed) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「ウィンドウ３」を作る", u"ウィンドウ２を表示",
           u"回数は、0", u"手順は　ウィンドウ２を閉じる", u"　回数は、回数＋1", u"　閉じない",
           u"終わり"});
    QWidget* window = named(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(window);
    window->close();
    EXPECT_EQ(s.value(u"回数"), QStringLiteral("1"));
    EXPECT_TRUE(window->isVisible());
}

// A 1 ms timer whose procedure takes 5 ms: it never runs inside itself, the
// ticks do not pile up, and a click still gets through meanwhile.
TEST(QtEvents, ASlowTimerNeverOverlapsAndTheWindowStaysResponsive) {
    Session s;
    s.run({u"「ウィンドウ２」を作る",
           u"「ボタン1」を作る",
           u"ウィンドウ２を表示",
           u"深さは、0",
           u"最大は、0",
           u"回数は、0",
           u"押したは、0",
           u"「タイマー1」を作る",
           u"タイマー1の間隔は、1",
           u"手順は　ウィンドウ２のタイマー1が時間になった",
           u"　深さは、深さ＋1",
           u"　もし 深さ＞最大 なら",
           u"　　最大は、深さ",
           u"　もし終わり",
           u"　回数は、回数＋1",
           u"　待て　0.005",
           u"　深さは、深さ－1",
           u"終わり",
           u"手順は　ウィンドウ２のボタン1をクリック",
           u"　押したは、1",
           u"終わり"});
    auto* button = named<QPushButton>(QStringLiteral("ボタン１"));
    ASSERT_TRUE(button);
    QTimer::singleShot(100, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    QElapsedTimer clock;
    clock.start();
    // A deadline, not a measurement: generous for a loaded machine.
    while (s.value(u"押した") != QStringLiteral("1") && clock.elapsed() < 5000) QTest::qWait(10);
    QTest::qWait(50);
    EXPECT_EQ(s.value(u"押した"), QStringLiteral("1"));
    EXPECT_EQ(s.value(u"最大"), QStringLiteral("1"));
    EXPECT_NE(s.value(u"回数"), QStringLiteral("0"));
}

// An error box is modal but not deaf: timers go on ticking while it is open
// (a timer whose procedure fails does not stack boxes: it is not entered
// again while its procedure waits for the box), and the answer still
// reaches the script, which goes on after the failed statement.
TEST(QtEvents, TimersTickWhileAnErrorBoxIsOpen) {
    Session s;
    int boxesOpen = 0;
    int mostBoxesOpen = 0;
    QString ticksWhenShown;
    QString ticksWhenAnswered;
    // The watch reschedules itself until the box is answered; once the run
    // is over, pending calls find `alive` false and touch nothing here.
    auto alive = std::make_shared<bool>(true);
    std::function<void()> watch;
    auto later = [&watch, alive] {
        QTimer::singleShot(20, [&watch, alive] {
            if (*alive) watch();
        });
    };
    watch = [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box && ticksWhenShown.isEmpty()) {
            ticksWhenShown = s.value(u"数");
            boxesOpen = 1;
        }
        int modal = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) modal += w->isVisible() && w->isModal();
        mostBoxesOpen = std::max(mostBoxesOpen, modal);
        if (box && !ticksWhenShown.isEmpty() &&
            s.value(u"数").toInt() >= ticksWhenShown.toInt() + 3) {
            ticksWhenAnswered = s.value(u"数");
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        later();
    };
    later();
    s.run({u"数は、0", u"「ウィンドウ２」を作る", u"「タイマー1」を作る", u"タイマー1の間隔は、10",
           u"答えは、どこにもない関数（1）", u"後は、1", u"タイマー1の間隔は、0",
           u"手順は　ウィンドウ２のタイマー1が時間になった", u"　数は、数＋1", u"終わり"});
    *alive = false;
    EXPECT_EQ(boxesOpen, 1);
    EXPECT_FALSE(ticksWhenShown.isEmpty());
    EXPECT_GE(ticksWhenAnswered.toInt(), ticksWhenShown.toInt() + 3);
    EXPECT_EQ(mostBoxesOpen, 1);
    EXPECT_EQ(s.value(u"後"), QStringLiteral("1"));
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
