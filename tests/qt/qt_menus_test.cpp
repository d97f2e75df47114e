// Script menus and common dialogs on real Qt widgets (offscreen): the bar,
// its menus and actions as the script built them, choosing entries and
// shortcuts running the script's procedures, entry states shown, pop-up
// menus, the window's inside starting below the bar; and 選択's Qt dialogs
// filled in as a user would, with what the script reads afterwards.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPixmap>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_find.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_widgets.h"
#include "qt_named.h"

// Failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

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
        auto widgets = std::make_unique<QtWidgets>(application_);
        widgets_ = widgets.get();
        platform.widgets = std::move(widgets);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }
    ~Session() {
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    }
    // One run per session: a run starts the script afresh.
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }
    void run(const std::vector<Text>& lines) {
        Text script;
        for (const Text& line : lines) script += line + Text(kCRLF);
        qel_->Run(script, u"test.qel", true);
    }
    QString value(TextView name) {
        bool notFound = false;
        Text v = qel_->engine().GetVariable(name, notFound);
        return QString::fromStdString(text::toUtf8(v));
    }
    QtWidgets& widgets() { return *widgets_; }

  private:
    std::shared_ptr<QtApplication> application_;
    QtWidgets* widgets_ = nullptr;
    std::unique_ptr<Qel> qel_;
};

QMenu* menuTitled(QWidget* holder, const QString& title) {
    for (QAction* action : holder->actions()) {
        if (action->menu() && action->menu()->title() == title) return action->menu();
    }
    return nullptr;
}

QAction* entry(QMenu* menu, const QString& textStart) {
    if (!menu) return nullptr;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->text().startsWith(textStart)) return action;
    }
    return nullptr;
}

QMenuBar* barOf(const QString& window) {
    QWidget* w = named(window);
    return w ? w->findChild<QMenuBar*>() : nullptr;
}

const std::vector<Text> kFileMenu = {
    u"「ウィンドウ２」を作る",
    u"「メニュー「ファイル」」を作る",
    u"「サブメニュー「開く」」を作る",
    u"「サブメニュー-」を作る",
    u"「サブメニュー>「最近使ったもの」」を作る",
    u"「サブメニュー「a.txt」」を作る",
    u"「サブメニュー<」を作る",
    u"「サブメニュー「終了」」を作る",
    u"「メニュー「編集」」を作る",
    u"「サブメニュー「切り取り」」を作る",
    u"「メニューのファイルの開くのショートカットキー」を「CTRL+O」に変える",
    u"ウィンドウ２を表示",
    u"記録は、「」",
    u"手順は　ウィンドウ２のファイルの開くをクリック",
    u"　記録は、記録＆「開」",
    u"終わり",
    u"手順は　ウィンドウ２のファイルの最近使ったもののa.txtをクリック",
    u"　記録は、記録＆「a」",
    u"終わり",
    u"手順は　ウィンドウ２の編集の切り取りをクリック",
    u"　記録は、記録＆「切」",
    u"終わり",
};

// The file menu's script with more lines after it.
std::vector<Text> fileMenuAnd(std::initializer_list<TextView> more) {
    std::vector<Text> lines = kFileMenu;
    for (TextView line : more) lines.emplace_back(line);
    return lines;
}

TEST(QtMenus, TheBarHoldsTheMenusAsBuiltAndActionsRunTheirProcedures) {
    Session s;
    s.run(kFileMenu);
    QMenuBar* bar = barOf(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(bar);
    QMenu* file = menuTitled(bar, QStringLiteral("ファイル"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(menuTitled(bar, QStringLiteral("編集")));
    const QList<QAction*> items = file->actions();
    ASSERT_EQ(items.size(), 4);
    // The shortcut shows in the column after the tab.
    EXPECT_EQ(items[0]->text(), QStringLiteral("開く\tCTRL+O"));
    EXPECT_TRUE(items[1]->isSeparator());
    ASSERT_TRUE(items[2]->menu());
    EXPECT_EQ(items[2]->menu()->title(), QStringLiteral("最近使ったもの"));
    EXPECT_EQ(items[3]->text(), QStringLiteral("終了"));

    items[0]->trigger();
    entry(items[2]->menu(), QStringLiteral("a.txt"))->trigger();
    entry(menuTitled(bar, QStringLiteral("編集")), QStringLiteral("切り取り"))->trigger();
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開a切"));
    // A replayed session's menu line reaches the same actions.
    WidgetId window = s.widgets().idOf(named(QStringLiteral("ウィンドウ２")));
    UserAction choose;
    choose.type = UserActionType::Menu;
    choose.widget = window;
    choose.text = u"ファイルの最近使ったもののａ．ｔｘｔ";
    EXPECT_EQ(s.widgets().perform(choose), "");
    choose.text = u"ファイルのない";
    EXPECT_NE(s.widgets().perform(choose), "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開a切a"));
}

TEST(QtMenus, EntryStatesShowAndHiddenEntriesComeBackInPlace) {
    Session s;
    s.run(fileMenuAnd({u"「メニューのファイルの開くのチェック」を「1」に変える",
                       u"「メニューの編集の切り取りの有効」を「0」に変える",
                       u"「メニューのファイルの最近使ったものの表示」を「0」に変える",
                       u"「メニューのファイルの終了の表示」を「0」に変える",
                       u"「メニューのファイルの終了の表示」を「1」に変える",
                       u"「メニューのファイルの終了の名前」を「閉じる」に変える",
                       u"番号は、メニューのファイルの開くのハンドル"}));
    QMenuBar* bar = barOf(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(bar);
    QMenu* file = menuTitled(bar, QStringLiteral("ファイル"));
    ASSERT_TRUE(file);
    QAction* open = file->actions()[0];
    EXPECT_TRUE(open->isChecked());
    EXPECT_FALSE(file->actions()[2]->isVisible());
    EXPECT_EQ(file->actions()[3]->text(), QStringLiteral("閉じる"));
    EXPECT_TRUE(file->actions()[3]->isVisible());
    QAction* cut = entry(menuTitled(bar, QStringLiteral("編集")), QStringLiteral("切り取り"));
    EXPECT_FALSE(cut->isEnabled());
    // The command number the script reads is the action's.
    EXPECT_EQ(QString::number(open->data().toULongLong()), s.value(u"番号"));

    // Choosing a checked entry leaves its mark to the script.
    open->trigger();
    EXPECT_TRUE(open->isChecked());
    // Greyed and hidden entries (and those under a hidden menu) cannot be chosen.
    cut->trigger();
    UserAction choose;
    choose.type = UserActionType::Menu;
    choose.widget = s.widgets().idOf(named(QStringLiteral("ウィンドウ２")));
    choose.text = u"ファイルの最近使ったもののa.txt";
    EXPECT_NE(s.widgets().perform(choose), "");
    choose.text = u"編集の切り取り";
    EXPECT_NE(s.widgets().perform(choose), "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開"));
}

TEST(QtMenus, ShortcutKeysRunTheEntryOnKeyUpWhereverTheFocusIs) {
    Session s;
    s.run(fileMenuAnd({u"「テキスト1」を作る"}));
    QWidget* text = named(QStringLiteral("テキスト１"));
    ASSERT_TRUE(text);
    QTest::keyPress(text, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral(""));
    QTest::keyRelease(text, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開"));
    QTest::keyClick(text, Qt::Key_O);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開"));
}

// Users often let go of Ctrl before the letter (xdotool does so too): the
// shortcut is the combination the letter went down with.
TEST(QtMenus, AShortcutActsWhenCtrlIsLetGoBeforeTheLetter) {
    Session s;
    s.run(fileMenuAnd({u"「テキスト1」を作る"}));
    QWidget* text = named(QStringLiteral("テキスト１"));
    ASSERT_TRUE(text);
    QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(text, Qt::Key_O, Qt::ControlModifier);
    QTest::keyRelease(text, Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral(""));
    QTest::keyRelease(text, Qt::Key_O, Qt::NoModifier);
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開"));
}

TEST(QtMenus, TheInsideStartsBelowTheBarAndKeepsItsSize) {
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"「ボタン1」を作る", u"ウィンドウ２のボタン1の縦は、0",
           u"前の高さは、ウィンドウ２の中の高さ", u"前の外は、ウィンドウ２の高さ",
           u"「メニュー「ファイル」」を作る", u"「サブメニュー「開く」」を作る",
           u"後の高さは、ウィンドウ２の中の高さ", u"後の外は、ウィンドウ２の高さ",
           u"縦は、ウィンドウ２のボタン1の縦", u"ウィンドウ２を表示",
           u"手順は　ウィンドウ２でマウスのボタンを下げる",
           u"　押した所は、「［マウスの横］,［マウスの縦］」",
           u"　「メニューのファイルの表示」を「0」に変える",
           u"　隠した後は、「［ウィンドウ２のボタン1の縦］ ［ウィンドウ２の中の高さ］」",
           u"終わり"});
    QWidget* window = named(QStringLiteral("ウィンドウ２"));
    QMenuBar* bar = barOf(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(window && bar);
    const int height = bar->height();
    EXPECT_GT(height, 0);
    EXPECT_EQ(bar->width(), window->width());
    EXPECT_EQ(s.value(u"前の高さ"), s.value(u"後の高さ"));
    EXPECT_EQ(s.value(u"後の外").toInt(), s.value(u"前の外").toInt() + height);
    EXPECT_EQ(s.value(u"縦"), QStringLiteral("0"));
    EXPECT_EQ(named(QStringLiteral("ボタン１"))->y(), height);
    const QPointF at(5, height + 120);
    QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    EXPECT_EQ(s.value(u"押した所"), QStringLiteral("5,120"));
    // The bar follows the window's width.
    s.widgets().set(s.widgets().idOf(window), WidgetValue::Width, 500.0);
    EXPECT_EQ(bar->width(), window->width());
    // With its only menu hidden (in the procedure above) the bar takes no
    // room, and the controls go back up with its lower edge.
    EXPECT_EQ(bar->height(), 0);
    EXPECT_EQ(named(QStringLiteral("ボタン１"))->y(), 0);
    EXPECT_EQ(s.value(u"隠した後"), QStringLiteral("0 ") + s.value(u"前の高さ"));
}

// Runs `act` once, as soon as `ready` answers true, looking every 10 ms for up
// to 30 seconds (then gives up without acting). The script under test shows its pop-ups and dialogs
// when it gets there, which on a machine busy with builds can be long after a fixed delay would
// have looked, and a modal loop nobody closes never returns. Deleting the timer returned calls it
// off.
QPointer<QTimer> whenReady(std::function<bool()> ready, std::function<void()> act) {
    auto* poll = new QTimer(QCoreApplication::instance());
    auto deadline = std::make_shared<QElapsedTimer>();
    deadline->start();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, ready, act] {
        const bool now = ready();
        if (!now && deadline->elapsed() < 30000) return;
        poll->stop();
        poll->deleteLater();
        if (now) act();
    });
    poll->start();
    return poll;
}

TEST(QtMenus, PopupMenusShowAtThePointGivenAndRunTheChosenEntry) {
    Session s;
    // The script shows three pop-ups, one after the other; each is dealt with
    // as it shows: the first by choosing 開く, the second dismissed (nothing
    // runs), the third by a replayed session's menu line.
    QPoint shownAt;
    std::string replayed = "not shown";
    int shown = 0;
    QTimer popups;
    popups.setInterval(10);
    QObject::connect(&popups, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        switch (shown++) {
            case 0: {
                shownAt = menu->pos();
                QAction* chosen = entry(menu, QStringLiteral("開く"));
                menu->close();
                if (chosen) chosen->trigger();
                break;
            }
            case 2: {
                UserAction choose;
                choose.type = UserActionType::Menu;
                choose.widget = s.widgets().idOf(named(QStringLiteral("ウィンドウ２")));
                choose.text = u"ファイルの最近使ったもののa.txt";
                replayed = s.widgets().perform(choose);
                break;
            }
            default:
                menu->close();
        }
    });
    popups.start();
    s.run(fileMenuAnd({u"「ファイル」を「100,50」でポップアップメニュー", u"後は、記録",
                       u"「編集」をポップアップメニュー",
                       u"「最近使ったもの」をポップアップメニュー"}));
    EXPECT_EQ(s.value(u"後"), QStringLiteral("開"));
    EXPECT_EQ(replayed, "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("開a"));
    QWidget* window = named(QStringLiteral("ウィンドウ２"));
    const int top = barOf(QStringLiteral("ウィンドウ２"))->height();
    EXPECT_EQ(shownAt, window->mapToGlobal(QPoint(100, 50 + top)));
}

TEST(QtMenus, ClosingTheWindowTakesItsMenusAway) {
    Session s;
    s.run(fileMenuAnd({u"手順は　ウィンドウ２のファイルの終了をクリック", u"　ウィンドウ２を閉じる",
                       u"終わり", u"「ウィンドウ３」を作る", u"「メニュー「表示」」を作る",
                       u"「サブメニュー「拡大」」を作る"}));
    QPointer<QMenuBar> bar = barOf(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(bar);
    EXPECT_FALSE(menuTitled(bar, QStringLiteral("表示")));
    // The entry chosen takes its own menus away.
    entry(menuTitled(bar, QStringLiteral("ファイル")), QStringLiteral("終了"))->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(bar);
    QMenuBar* other = barOf(QStringLiteral("ウィンドウ３"));
    ASSERT_TRUE(other);
    EXPECT_TRUE(menuTitled(other, QStringLiteral("表示")));
}

// ---- the tray icon -----------------------------------------------------------------------

TEST(QtTray, TheIconHoldsItsFileAndTipAndItsClicksBecomeTheWindowsEvents) {
    // No notification service to reach: the balloon must come out on standard error.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/qel-test-bus", 1);
    Session s;
    QTemporaryDir dir;
    const QString iconPath = dir.path() + QStringLiteral("/tray.png");
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    ASSERT_TRUE(pixmap.save(iconPath));
    testing::internal::CaptureStderr();
    s.run(std::vector<Text>{u"「ウィンドウ２」を作る",
                            u"ウィンドウ２を表示",
                            Text(u"タスクトレイのアイコンは、「") + fromQString(iconPath) + u"」",
                            u"タスクトレイの説明は、「見張り番」",
                            u"「タスクトレイ」に「」を追加",
                            u"アイコンは、タスクトレイのアイコン",
                            u"「起動しました」をタスクトレイに表示",
                            u"記録は、「」",
                            u"手順は　ウィンドウ２をクリック",
                            u"　記録は、記録＆「c」",
                            u"終わり",
                            u"手順は　ウィンドウ２をダブルクリック",
                            u"　記録は、記録＆「d」",
                            u"終わり",
                            u"手順は　ウィンドウ２を右クリック",
                            u"　記録は、記録＆「r」",
                            u"　「タスクトレイ」を消せ",
                            u"終わり",
                            u"手順は　ウィンドウ２でマウスのボタンを上げる",
                            u"　記録は、記録＆「u」",
                            u"終わり"});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.value(u"アイコン"), iconPath);

    QtTray& tray = s.widgets().qtTray();
    ASSERT_TRUE(tray.state());
    EXPECT_EQ(tray.state()->tip, Text(u"見張り番"));
    EXPECT_EQ(tray.state()->window, s.widgets().idOf(named(QStringLiteral("ウィンドウ２"))));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Offscreen there is no tray: the balloon was told on standard error.
        EXPECT_FALSE(tray.systemIcon());
        EXPECT_NE(said.find("見張り番: 起動しました"), std::string::npos) << said;
    }

    EXPECT_EQ(tray.click(kTrayLeftUp), "");
    EXPECT_EQ(tray.click(kTrayLeftDoubleClick), "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("cd"));
    // The right button runs both of its procedures; the first takes the icon away.
    EXPECT_EQ(tray.click(kTrayRightUp), "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("cdru"));
    EXPECT_FALSE(tray.state());
    EXPECT_NE(tray.click(kTrayLeftUp), "");
    EXPECT_EQ(s.value(u"記録"), QStringLiteral("cdru"));
}

// ---- common dialogs ----------------------------------------------------------------

// Runs `fill` on the next modal dialog of type D once it shows.
template <class D>
QPointer<QTimer> whenShown(std::function<void(D*)> fill) {
    return whenReady([] { return QApplication::activeModalWidget() != nullptr; },
                     [fill] {
                         if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
                             fill(dialog);
                         } else if (QWidget* other = QApplication::activeModalWidget()) {
                             other->close();
                         }
                     });
}

void typeFileNames(QFileDialog* dialog, const QString& names) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(edit);
    edit->setText(names);
}

// As the dialog's own button does: the file dialog checks what was typed.
void accept(QFileDialog* dialog) {
    static_cast<QDialog*>(dialog)->accept();
}

Text textOf(const QString& s) {
    return fromQString(s);
}

struct Folder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void write(const QString& name) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
};

TEST(QtDialogs, OpenOffersTheFiltersAndStartFolderAndTakesSeveralFiles) {
    Session s;
    Folder folder;
    folder.write(QStringLiteral("a.txt"));
    folder.write(QStringLiteral("b,c.txt"));
    folder.write(QStringLiteral("d.log"));
    QStringList filters;
    QString startedIn;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        startedIn = dialog->directory().absolutePath();
        dialog->selectNameFilter(filters.value(1));
        typeFileNames(dialog, QStringLiteral("\"a.txt\" \"b,c.txt\""));
        accept(dialog);
    });
    const Text start = textOf(folder.path(QStringLiteral("a.txt")));
    s.run({u"選択ウィンドウのフィルタは、「テキスト|*.txt;*.text|すべて|*.*」",
           u"選択ウィンドウのファイルの詳細設定は、「複数選択,既存ファイル名のみ」",
           Text(u"選択ウィンドウのファイル名は、「") + start + u"」", u"「開くファイル」を選択",
           u"名前は、選択ウィンドウのファイル名", u"取消は、選択ウィンドウのキャンセル",
           u"型は、選択ウィンドウのフィルタ"});
    EXPECT_EQ(filters, QStringList({QStringLiteral("テキスト (*.txt *.text)"),
                                    QStringLiteral("すべて (*.*)")}));
    EXPECT_EQ(startedIn, QDir(folder.dir.path()).absolutePath());
    // The name holding a comma is quoted, so the list splits back into two.
    EXPECT_EQ(s.value(u"名前"), folder.path(QStringLiteral("a.txt")) + QStringLiteral(",\"") +
                                    folder.path(QStringLiteral("b,c.txt")) + QLatin1Char('"'));
    EXPECT_EQ(s.value(u"取消"), QStringLiteral("0"));
    EXPECT_EQ(s.value(u"型"), QStringLiteral("テキスト|*.txt;*.text|すべて|*.*"));

    // Cancelled: the name goes and キャンセル says so.
    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    s.run({u"「開くファイル」を選択", u"名前は、選択ウィンドウのファイル名",
           u"取消は、選択ウィンドウのキャンセル"});
    EXPECT_EQ(s.value(u"名前"), QString());
    EXPECT_EQ(s.value(u"取消"), QStringLiteral("1"));
}

TEST(QtDialogs, SavingOverAFileAsksOnceEvenWithSeveralAllowed) {
    Session s;
    Folder folder;
    folder.write(QStringLiteral("a.txt"));
    int boxes = 0;
    QString asked;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        typeFileNames(dialog, QStringLiteral("a.txt"));
        whenShown<QMessageBox>([&](QMessageBox* box) {
            ++boxes;
            asked = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        accept(dialog);
    });
    const Text start = textOf(folder.path(QStringLiteral("x.txt")));
    s.run({Text(u"選択ウィンドウのファイル名は、「") + start + u"」",
           u"選択ウィンドウのファイルの詳細設定は、「複数選択」", u"「保存するファイル」を選択",
           u"名前は、選択ウィンドウのファイル名"});
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(asked.contains(QStringLiteral("a.txt"))) << asked.toStdString();
    EXPECT_EQ(s.value(u"名前"), folder.path(QStringLiteral("a.txt")));
}

TEST(QtDialogs, FolderColourFontAndPageSetupAnswersReachTheProperties) {
    Session s;
    Folder folder;
    QDir(folder.dir.path()).mkdir(QStringLiteral("sub"));
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        dialog->setDirectory(folder.dir.path());
        typeFileNames(dialog, QStringLiteral("sub"));
        accept(dialog);
    });
    s.run({Text(u"選択ウィンドウのファイル名は、「") + textOf(folder.dir.path()) + u"」",
           u"「フォルダ」を選択", u"名前は、選択ウィンドウのファイル名"});
    EXPECT_EQ(s.value(u"名前"), folder.path(QStringLiteral("sub")));

    QColor offered;
    whenShown<QColorDialog>([&](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
        dialog->accept();
    });
    // The language's colour numbers hold red in the low byte.
    s.run({u"選択ウィンドウの色は、255", u"「色」を選択", u"選んだ色は、選択ウィンドウの色"});
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(s.value(u"選んだ色"), QString::number(0x563412));

    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    QFont chosen(families.first(), 14);
    chosen.setUnderline(true);
    QFont shown;
    whenShown<QFontDialog>([&](QFontDialog* dialog) {
        dialog->setCurrentFont(chosen);
        shown = dialog->currentFont();
        dialog->accept();
    });
    s.run({u"「フォント」を選択", u"名は、選択ウィンドウのフォント名",
           u"大きさは、選択ウィンドウのフォントサイズ", u"太は、選択ウィンドウの太字",
           u"下は、選択ウィンドウの下線", u"斜は、選択ウィンドウの斜体"});
    EXPECT_EQ(s.value(u"名"), shown.family());
    EXPECT_EQ(s.value(u"大きさ"), QStringLiteral("14"));
    EXPECT_EQ(s.value(u"太"), QString::number(shown.bold() ? 1 : 0));
    EXPECT_EQ(s.value(u"下"), QStringLiteral("1"));
    EXPECT_EQ(s.value(u"斜"), QString::number(shown.italic() ? 1 : 0));

    whenShown<QPageSetupDialog>([](QPageSetupDialog* dialog) { dialog->accept(); });
    s.run({u"選択ウィンドウの余白は、「12,15,12,20」", u"「ページ設定」を選択",
           u"余白は、選択ウィンドウの余白", u"取消は、選択ウィンドウのキャンセル"});
    EXPECT_EQ(s.value(u"余白"), QStringLiteral("12,15,12,20"));
    EXPECT_EQ(s.value(u"取消"), QStringLiteral("0"));
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace qel {
namespace {

// ---- find and replace ---------------------------------------------------------------------

const std::vector<Text> kTextBox = {u"「ウィンドウ２」を作る", u"ウィンドウ２を表示",
                                    u"「テキスト1」を作る", u"テキスト1の内容は、「abc ABC abc」",
                                    u"テキスト1の選択スタートは、0"};

std::vector<Text> textBoxAnd(TextView more) {
    std::vector<Text> lines = kTextBox;
    lines.emplace_back(more);
    return lines;
}

// Presses a button of the find dialog; a box the search shows is answered
// and its text returned. The box shows while the click is handled, so once
// the click is done no box is coming and the look-out is called off.
QString press(QPushButton* button) {
    QString told;
    QPointer<QTimer> lookOut = whenShown<QMessageBox>([&](QMessageBox* box) {
        told = box->windowTitle() + QLatin1Char('|') + box->text();
        box->accept();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(80);
    delete lookOut.data();
    return told;
}

TEST(QtFind, TheFindDialogSelectsEachMatchAndTellsWhenNoneIsLeft) {
    Session s;
    s.run(textBoxAnd(u"「テキスト1」を検索"));
    QtFindDialog* dialog = s.widgets().findDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("検索"));
    EXPECT_FALSE(dialog->replaceEdit()->isVisible());
    auto* edit = named<QLineEdit>(QStringLiteral("テキスト１"));
    ASSERT_TRUE(edit);

    dialog->findEdit()->setText(QStringLiteral("ABC"));
    dialog->matchCaseBox()->setChecked(true);
    EXPECT_EQ(press(dialog->button(kFindNext)), QString());
    EXPECT_EQ(edit->selectionStart(), 4);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("ABC"));

    // Upwards, case ignored: the first "abc", then nothing more.
    dialog->matchCaseBox()->setChecked(false);
    dialog->upButton()->setChecked(true);
    dialog->findEdit()->setText(QStringLiteral("abc"));
    EXPECT_EQ(press(dialog->button(kFindNext)), QString());
    EXPECT_EQ(edit->selectionStart(), 0);
    EXPECT_EQ(press(dialog->button(kFindNext)), QStringLiteral("検索|すべて検索しました"));
    EXPECT_EQ(edit->selectionStart(), 0);
    EXPECT_EQ(edit->text(), QStringLiteral("abc ABC abc"));
}

TEST(QtFind, ReplacingPutsTheReplacementInPlaceOfTheSelectedMatch) {
    Session s;
    s.run(textBoxAnd(u"「テキスト1」を置き換え"));
    QtFindDialog* dialog = s.widgets().findDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("置換"));
    EXPECT_TRUE(dialog->replaceEdit()->isVisible());
    auto* edit = named<QLineEdit>(QStringLiteral("テキスト１"));
    ASSERT_TRUE(edit);
    dialog->findEdit()->setText(QStringLiteral("abc"));
    dialog->replaceEdit()->setText(QStringLiteral("xyz"));
    // Nothing selected yet: the first press only finds.
    press(dialog->button(kFindReplace));
    EXPECT_EQ(edit->text(), QStringLiteral("abc ABC abc"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("abc"));
    press(dialog->button(kFindReplace));
    EXPECT_EQ(edit->text(), QStringLiteral("xyz ABC abc"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("ABC"));

    dialog->matchCaseBox()->setChecked(true);
    dialog->replaceEdit()->setText(QStringLiteral("Q"));
    EXPECT_EQ(press(dialog->button(kFindReplaceAll)), QStringLiteral("検索|すべて検索しました"));
    EXPECT_EQ(edit->text(), QStringLiteral("xyz ABC Q"));

    // Closed, the dialog takes no replayed request.
    dialog->reject();
    WidgetEvent request;
    request.command = kFindNext;
    request.findText = u"Q";
    EXPECT_NE(s.widgets().useFind(request), "");
}

}  // namespace
}  // namespace qel

namespace qel {
namespace {

// ---- printing objects ------------------------------------------------------------------------

std::string readAll(const std::string& path) {
    std::string content;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, n);
        std::fclose(f);
    }
    return content;
}

TEST(QtPrinting, AWindowPrintsAsItLooksFillingThePageWidthAndATextBoxItsText) {
    if (std::system("command -v pdftoppm >/dev/null && command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "no pdftoppm / pdftotext";
    QTemporaryDir dir;
    const std::string pdf = (dir.path() + QStringLiteral("/objects.pdf")).toStdString();
    setenv("QEL_PRINT_PDF", pdf.c_str(), 1);
    Session s;
    s.run({u"「ウィンドウ２」を作る", u"ウィンドウ２の中の大きさは、「200,100」",
           u"ウィンドウ２の背景は、「&HFF0000」", u"ウィンドウ２を表示", u"「テキスト1」を作る",
           u"テキスト1の横は、300", u"テキスト1の内容は、「box text」",
           u"テキスト1を次ページに印刷", u"ウィンドウ２を印刷"});
    unsetenv("QEL_PRINT_PDF");
    const std::string prefix = (dir.path() + QStringLiteral("/page")).toStdString();
    ASSERT_EQ(std::system(("pdftoppm -r 30 -png '" + pdf + "' '" + prefix + "'").c_str()), 0);
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + pdf + ".txt'").c_str()), 0);
    EXPECT_NE(readAll(pdf + ".txt").find("box text"), std::string::npos);
    // The text on page one, the window on page two.
    QDir pages(dir.path(), QStringLiteral("page*.png"));
    ASSERT_EQ(pages.count(), 2u);
    const QImage page = QImage(pages.filePath(pages[1]));
    ASSERT_FALSE(page.isNull());
    // Red across the printable width, in the window's proportions (2:1).
    int left = -1, right = -1, bottom = -1;
    for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, page.height() / 8);
        if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
            if (left < 0) left = x;
            right = x;
        }
    }
    ASSERT_GE(left, 0) << "no red on the second page";
    for (int y = 0; y < page.height(); ++y) {
        const QColor c = page.pixelColor((left + right) / 2, y);
        if (c.red() > 200 && c.green() < 60 && c.blue() < 60) bottom = y;
    }
    const int width = right - left + 1;
    EXPECT_GT(width, page.width() * 3 / 4) << "scaled to the printable width";
    EXPECT_NEAR(double(bottom) / width, 0.5, 0.1) << "proportions kept";
}

// The output of a poppler tool run on `pdf`, with its error stream.
std::string popplerSays(const std::string& tool, const std::string& pdf,
                        const std::string& after = "") {
    const std::string out = pdf + "." + tool;
    std::system((tool + " '" + pdf + "'" + after + " > '" + out + "' 2>&1").c_str());
    return readAll(out);
}

// The bounding box of the pixels `match` accepts; invalid when none.
QRect where(const QImage& page, const std::function<bool(QColor)>& match) {
    QRect found;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (match(page.pixelColor(x, y))) found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

bool red(QColor c) {
    return c.red() > 180 && c.green() < 80 && c.blue() < 80;
}

bool popplerMissing() {
    return std::system(
               "command -v pdfinfo >/dev/null && command -v pdftoppm >/dev/null && "
               "command -v pdftotext >/dev/null && command -v pdffonts >/dev/null") != 0;
}

// Paper, orientation and margins shape the page Qt writes; the copies and
// two-sided printing a file cannot do travel in it as print presets.
TEST(QtPrinting, ThePrinterSettingsShapeThePdf) {
    if (popplerMissing()) GTEST_SKIP() << "no poppler tools";
    QTemporaryDir dir;
    const std::string pdf = (dir.path() + QStringLiteral("/settings.pdf")).toStdString();
    setenv("QEL_PRINT_PDF", pdf.c_str(), 1);
    {
        Session s;
        s.run({u"プリンタの用紙方向は、「横」", u"プリンタの用紙サイズは、「Ａ５」",
               u"プリンタの余白は、30,20,10,10", u"プリンタの部数は、3", u"プリンタの両面印刷は、1",
               u"「ウィンドウ２」を作る", u"ウィンドウ２の中の大きさは、「200,100」",
               u"ウィンドウ２の背景は、「&HFF0000」", u"ウィンドウ２を表示",
               u"ウィンドウ２を印刷"});
    }
    unsetenv("QEL_PRINT_PDF");
    const std::string info = popplerSays("pdfinfo", pdf);
    // A5 across: 210 x 148 mm; one page, the copies are not repeated pages.
    EXPECT_NE(info.find("595 x 420 pts (A5)"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_EQ(info.find("Error"), std::string::npos) << "the update keeps the file sound\n" << info;
    const std::string bytes = readAll(pdf);
    EXPECT_NE(bytes.find("/NumCopies 3"), std::string::npos);
    EXPECT_NE(bytes.find("/Duplex /DuplexFlipShortEdge"), std::string::npos);

    // One pixel a millimetre: the picture starts at the left and top margins
    // and fills the width between the margins (2:1 fits the height left).
    const std::string prefix = (dir.path() + QStringLiteral("/mm")).toStdString();
    ASSERT_EQ(std::system(("pdftoppm -r 25.4 -png '" + pdf + "' '" + prefix + "'").c_str()), 0);
    QDir pages(dir.path(), QStringLiteral("mm*.png"));
    ASSERT_EQ(pages.count(), 1u);
    const QImage page(pages.filePath(pages[0]));
    EXPECT_NEAR(page.width(), 210, 1);
    EXPECT_NEAR(page.height(), 148, 1);
    const QRect picture = where(page, red);
    ASSERT_TRUE(picture.isValid());
    EXPECT_NEAR(picture.left(), 30, 1);
    EXPECT_NEAR(picture.top(), 20, 1);
    EXPECT_NEAR(picture.right(), 199, 2) << "up to the right margin";
    EXPECT_NEAR(picture.height(), 85, 2);
}

TEST(QtPrinting, ARichTextBoxPrintsWithItsLooks) {
    if (popplerMissing()) GTEST_SKIP() << "no poppler tools";
    QTemporaryDir dir;
    const std::string pdf = (dir.path() + QStringLiteral("/rich.pdf")).toStdString();
    setenv("QEL_PRINT_PDF", pdf.c_str(), 1);
    {
        Session s;
        s.run({u"「ウィンドウ２」を作る", u"「拡張テキスト1」を作る",
               u"拡張テキスト1のフォント名は、「DejaVu Sans」",
               u"拡張テキスト1のフォントサイズは、10",
               u"拡張テキスト1の内容は、「plain words REDBOLD［改行］BIG」",
               u"拡張テキスト1の選択スタートは、12", u"拡張テキスト1の選択長さは、7",
               u"拡張テキスト1の選択太字は、1", u"拡張テキスト1の選択色は、赤",
               u"拡張テキスト1の選択スタートは、21", u"拡張テキスト1の選択長さは、3",
               u"拡張テキスト1の選択フォントサイズは、40", u"拡張テキスト1の選択色は、青",
               u"拡張テキスト1を印刷"});
    }
    unsetenv("QEL_PRINT_PDF");
    const std::string words = popplerSays("pdftotext", pdf, " -"),
                      fonts = popplerSays("pdffonts", pdf);
    EXPECT_NE(words.find("plain words REDBOLD"), std::string::npos) << words;
    EXPECT_NE(words.find("BIG"), std::string::npos) << words;
    EXPECT_NE(fonts.find("DejaVuSans-Bold"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("DejaVuSans "), std::string::npos) << "the plain words stay plain\n"
                                                            << fonts;

    const std::string prefix = (dir.path() + QStringLiteral("/rich")).toStdString();
    ASSERT_EQ(std::system(("pdftoppm -r 100 -png '" + pdf + "' '" + prefix + "'").c_str()), 0);
    QDir pages(dir.path(), QStringLiteral("rich*.png"));
    ASSERT_EQ(pages.count(), 1u);
    const QImage page(pages.filePath(pages[0]));
    const QRect bold = where(page, red);
    const QRect big =
        where(page, [](QColor c) { return c.blue() > 180 && c.red() < 80 && c.green() < 80; });
    ASSERT_TRUE(bold.isValid()) << "the red word is red";
    ASSERT_TRUE(big.isValid()) << "the blue word is blue";
    EXPECT_GT(big.height(), 3 * bold.height()) << "40 points against 10";
    EXPECT_GT(big.top(), bold.bottom()) << "on the second line";
}

// Nowhere to print: the error says why, and no file is left half written.
TEST(QtPrinting, NowhereToPrintIsAClearErrorAndNothingIsWritten) {
    QTemporaryDir dir;
    const std::string pdf = (dir.path() + QStringLiteral("/no/such/dir/out.pdf")).toStdString();
    const std::vector<Text> script = {u"「ウィンドウ２」を作る",    u"ウィンドウ２を表示",
                                      u"「テキスト1」を作る",       u"テキスト1の内容は、「紙」",
                                      u"テキスト1を次ページに印刷", u"ウィンドウ２を印刷"};
    auto told = [&] {
        QString text;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        Session s;
        s.run(script);
        return text;
    };
    setenv("QEL_PRINT_PDF", pdf.c_str(), 1);
    const QString unwritable = told();
    unsetenv("QEL_PRINT_PDF");
    EXPECT_TRUE(unwritable.contains(QStringLiteral("301"))) << unwritable.toStdString();
    EXPECT_TRUE(unwritable.contains(QStringLiteral("cannot write the PDF file")))
        << unwritable.toStdString();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    const QString none = told();
    EXPECT_TRUE(none.contains(QStringLiteral("プリンタへ印刷できません"))) << none.toStdString();
    EXPECT_TRUE(none.contains(QStringLiteral("no printer is set up"))) << none.toStdString();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

}  // namespace
}  // namespace qel
