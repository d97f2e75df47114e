// The Qt host with real Qt widgets (run with QT_QPA_PLATFORM=offscreen): a
// "user" drives each box the script opens — presses a button, types text —
// and the test checks what the script saw. Also: the waits run the event
// loop without spinning, and 印刷 prints to a PDF file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_host.h"

namespace qel {
namespace {

// Runs `act` on the next modal box the script opens.
void whenBoxOpens(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(box);
    });
    timer->start();
}

class QtHostTest : public ::testing::Test {
  protected:
    QtHostTest() {
        std::string why;
        auto application = QtApplication::open(why);
        EXPECT_TRUE(application) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }

    // Runs the script and keeps its variables for variable().
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }

    Text variable(TextView name) {
        bool notFound = false;
        Text value = qel_->engine().GetVariable(name, notFound);
        EXPECT_FALSE(notFound) << text::toUtf8(name);
        return value;
    }

    std::unique_ptr<Qel> qel_;
};

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Looks at the message box, then presses `press`.
std::function<void(QWidget*)> pressing(QMessageBox::StandardButton press, SeenBox* seen) {
    return [press, seen](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_TRUE(box) << "a message box";
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        for (QAbstractButton* b : box->buttons()) seen->buttons << box->standardButton(b);
        if (box->defaultButton()) seen->defaultButton = box->standardButton(box->defaultButton());
        QAbstractButton* button = box->button(press);
        ASSERT_TRUE(button) << "the button to press";
        QTest::mouseClick(button, Qt::LeftButton);
    };
}

TEST_F(QtHostTest, QuestionBoxesShowTheStyleAndAnswerTheButtonPressed) {
    SeenBox seen;
    whenBoxOpens(pressing(QMessageBox::No, &seen));
    run({u"答え は 質問(「保存しますか？」＆改行＆「二行目」,警告＋はいといいえ,「確認」)",
         u"もし 答え＝いいえ なら 結果 は 「いいえ」"});
    EXPECT_EQ(variable(u"答え"), u"7");
    EXPECT_EQ(variable(u"結果"), u"いいえ");
    EXPECT_EQ(seen.title, QStringLiteral("確認"));
    EXPECT_EQ(seen.text, QStringLiteral("保存しますか？\n二行目"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::Yes) && seen.buttons.contains(QMessageBox::No));
    EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);

    // Without a caption the title is the application title; style 16+3 is a
    // stop sign with Yes, No and Cancel; 256 makes the second the default.
    seen = {};
    whenBoxOpens(pressing(QMessageBox::Cancel, &seen));
    run({u"タイトルは、「題名」", u"答え は 質問(「<b>太字</b>?」,19＋256)"});
    EXPECT_EQ(variable(u"答え"), u"2");
    EXPECT_EQ(seen.title, QStringLiteral("題名"));
    EXPECT_EQ(seen.text, QStringLiteral("<b>太字</b>?"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons.size(), 3);
    EXPECT_EQ(seen.defaultButton, QMessageBox::No);

    // A style that is no number: a plain OK box.
    seen = {};
    whenBoxOpens(pressing(QMessageBox::Ok, &seen));
    run({u"答え は 質問(「了解」,あいう)"});
    EXPECT_EQ(variable(u"答え"), u"1");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

TEST_F(QtHostTest, BoxesClosedWithoutAButtonAnswerAsEscapeWould) {
    for (auto [style, expected] :
         {std::pair{u"1", u"2"}, std::pair{u"4", u"7"}, std::pair{u"2", u"3"}}) {
        whenBoxOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        Text line = u"答え は 質問(「閉じる」," + Text(style) + u")";
        run({line});
        EXPECT_EQ(variable(u"答え"), expected) << text::toUtf8(style);
    }
}

TEST_F(QtHostTest, InputBoxesReturnTheTypedTextOrNothingOnCancel) {
    QString title, label, initial;
    whenBoxOpens([&](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_TRUE(dialog) << "an input dialog";
        title = dialog->windowTitle();
        label = dialog->labelText();
        initial = dialog->textValue();
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        edit->clear();
        // (QTest types ASCII only; the kana come as an input method would
        // commit them.)
        edit->insert(QStringLiteral("花子 "));
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    run({u"名前 は 入力(「お名前は？」,「太郎」,「受付」)"});
    EXPECT_EQ(variable(u"名前"), u"花子 abc");
    EXPECT_EQ(title, QStringLiteral("受付"));
    EXPECT_EQ(label, QStringLiteral("お名前は？"));
    EXPECT_EQ(initial, QStringLiteral("太郎"));

    whenBoxOpens([&](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_TRUE(dialog);
        title = dialog->windowTitle();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    run({u"名前 は 入力(「何か」,「既定」)"});
    EXPECT_EQ(variable(u"名前"), u"");
    EXPECT_EQ(title, QStringLiteral("Qelvane"));
}

TEST_F(QtHostTest, ErrorBoxesCanStopTheScript) {
    SeenBox seen;
    whenBoxOpens(pressing(QMessageBox::Cancel, &seen));
    run({u"ほげほげ", u"後 は 1"});
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_TRUE(seen.text.contains(QStringLiteral("エラー番号1")));
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(qel_->engine().FindVariable(u"後"), nullptr) << "Cancel stopped the script";
}

double processSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

TEST_F(QtHostTest, WaitsRunTheEventLoopWithoutSpinning) {
    bool fired = false;
    QTimer::singleShot(100, [&] { fired = true; });
    const double cpu = processSeconds();
    const auto started = std::chrono::steady_clock::now();
    run({u"待て　0.6"});
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(fired) << "events are handled during the wait";
    EXPECT_GE(elapsed, 0.55);
    EXPECT_LT(processSeconds() - cpu, 0.2) << "the wait sleeps on the event loop";

    // With no window shown and no channel open, 待機 cannot be woken: it ends.
    run({u"待機", u"後 は 1"});
    EXPECT_EQ(variable(u"後"), u"1");
}

TEST_F(QtHostTest, PrintingGoesToThePdfPrinter) {
    const std::string pdf = std::filesystem::temp_directory_path() / "qel_qt_print_test.pdf";
    std::filesystem::remove(pdf);
    setenv("QEL_PRINT_PDF", pdf.c_str(), 1);
    run({u"「First page line」を印刷"});
    ASSERT_TRUE(std::filesystem::exists(pdf));
    std::filesystem::remove(pdf);
    run({u"「Page one」を次ページに印刷", u"「Page two［改行］second line」を次ページに印刷",
         u"「still two」を印刷"});
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftotext";
    const std::string txt = pdf + ".txt";
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + txt + "'").c_str()), 0);
    std::string content;
    if (FILE* f = std::fopen(txt.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, n);
        std::fclose(f);
    }
    std::filesystem::remove(txt);
    std::filesystem::remove(pdf);
    // Pages are separated by form feeds.
    const std::size_t one = content.find("Page one"), feed = content.find('\f'),
                      two = content.find("Page two"), second = content.find("second line"),
                      still = content.find("still two");
    ASSERT_NE(one, std::string::npos) << content;
    ASSERT_NE(two, std::string::npos) << content;
    EXPECT_LT(one, feed);
    EXPECT_LT(feed, two);
    EXPECT_LT(two, second);
    EXPECT_LT(second, still);
    EXPECT_EQ(content.find('\f', feed + 1), content.rfind('\f')) << "two pages";
    unsetenv("QEL_PRINT_PDF");
}

TEST_F(QtHostTest, PrintingWithoutAPrinterIsReportedAsError301) {
    unsetenv("QEL_PRINT_PDF");
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a printer";
    SeenBox seen;
    whenBoxOpens(pressing(QMessageBox::Ok, &seen));
    run({u"「紙なし」を印刷"});
    EXPECT_TRUE(seen.text.contains(QStringLiteral("エラー番号301"))) << seen.text.toStdString();
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    // The boxes need no display: the offscreen platform draws nowhere.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
