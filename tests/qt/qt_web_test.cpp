// The browser on Qt WebEngine (offscreen), against pages a Python HTTP
// server serves on the loopback: the view shows what the runtime fetched,
// and what the user or the page does in it goes through the runtime's
// checks and events as a followed link does on the console.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/curl_transfer.h"
#include "platform/linux/picture_codec.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_web_loader.h"
#include "platform/qt/qt_widgets.h"
#include "qt_named.h"

namespace qel {
namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// python3 -m http.server on a free loopback port, serving a folder; the
// requests it logs tell what the view fetched by itself.
class LoopbackServer {
  public:
    explicit LoopbackServer(const QString& folder) {
        server_.setWorkingDirectory(folder);
        server_.start(QStringLiteral(QEL_PYTHON),
                      {"-u", "-m", "http.server", "--bind", "127.0.0.1", "0"});
        const QRegularExpression served(QStringLiteral("port (\\d+)"));
        QByteArray said;
        for (int i = 0; i < 100 && port_ == 0; ++i) {
            server_.waitForReadyRead(100);
            said += server_.readAllStandardOutput();
            const QRegularExpressionMatch m = served.match(QString::fromUtf8(said));
            if (m.hasMatch()) port_ = m.captured(1).toInt();
        }
    }
    ~LoopbackServer() {
        server_.kill();
        server_.waitForFinished(2000);
    }
    int port() const { return port_; }
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(path);
    }
    // Every request line logged so far.
    QString requests() {
        log_ += QString::fromUtf8(server_.readAllStandardError());
        return log_;
    }

  private:
    QProcess server_;
    int port_ = 0;
    QString log_;
};

// Each event appends its name and what the script reads then to テキスト1.
constexpr TextView kEvents[] = {
    u"手順は　ブラウザ1の読み込み開始",
    u"　テキスト1の内容は、テキスト1の内容＆「開始;」",
    u"終わり",
    u"手順は　ブラウザ1のダウンロード開始",
    u"　テキスト1の内容は、テキスト1の内容＆「DL開始;」",
    u"終わり",
    u"手順は　ブラウザ1のダウンロード完了",
    u"　テキスト1の内容は、テキスト1の内容＆「DL完了;」",
    u"終わり",
    u"手順は　ブラウザ1のタイトル変更",
    u"　テキスト1の内容は、テキスト1の内容＆「題［ブラウザ1のタイトル］;」",
    u"終わり",
    u"手順は　ブラウザ1の読み込み完了",
    u"　テキスト1の内容は、テキスト1の内容＆「完了［ブラウザ1の戻る］［ブラウザ1の進む］;」",
    u"終わり",
    u"手順は　ブラウザ1で新しいウィンドウ",
    u"　テキスト1の内容は、テキスト1の内容＆「新［ブラウザ1の新アドレス］;」",
    u"終わり",
};

class WebRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pages_.isValid());
        writeFile(pages_.filePath("a.html"),
                  "<html><head><title>A</title></head><body><p>first page</p>"
                  "<a id=\"b\" href=\"b.html\">to b</a> "
                  "<a id=\"js\" href=\"javascript:document.title='ran'\">run</a> "
                  "<a id=\"new\" href=\"b.html\" target=\"_blank\">new</a>"
                  "</body></html>");
        writeFile(pages_.filePath("b.html"),
                  "<html><head><title>B</title></head><body><p>second page</p></body></html>");
        writeFile(pages_.filePath("pic.png"), "not really a picture");
        server_ = std::make_unique<LoopbackServer>(pages_.path());
        ASSERT_NE(server_->port(), 0) << "the loopback server did not start";

        std::string why;
        application_ = QtApplication::open(why);
        ASSERT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        platform.widgets = std::make_unique<QtWidgets>(application_);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        platform.pictures = std::make_unique<StandardPictureCodec>();
        platform.transfer = std::make_unique<CurlTransfer>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;

        run({u"「テキスト1」を作る", u"「ブラウザ1」を作る"});
        auto* frame = dynamic_cast<qtw::BrowserFrame*>(named<QWidget>("ブラウザ１"));
        ASSERT_TRUE(frame);
        view_ = qobject_cast<QWebEngineView*>(frame->face());
        if (!view_)
            GTEST_SKIP() << "WebEngine did not start here (" << qtw::webFaceRefusal()
                         << "); the browser uses its text view";
        log_ = named<QLineEdit>("テキスト１");
        ASSERT_TRUE(log_);
    }
    // Each run brings the event procedures: the last run's program is the
    // one whose procedures the user's actions reach.
    void run(std::initializer_list<TextView> lines) {
        Text script = scriptOf(lines);
        for (TextView line : kEvents) (script += line) += kCRLF;
        qel_->Run(script, u"test.qel", true);
    }
    QString read(const Text& expression) {
        run({Text(u"テキスト1の内容は、") + expression});
        return log_->text();
    }
    void go(const QString& path) {
        run({Text(u"ブラウザ1のアドレスは、「") + fromQString(server_->address(path)) + u"」"});
    }
    // Until the view shows a page of this title (WebEngine draws on its own time).
    bool showsTitle(const QString& title) {
        return QTest::qWaitFor([&] { return view_->title() == title; }, 15000);
    }
    // Runs the page's own JavaScript, as a click or its script would.
    void inPage(const QString& script) {
        view_->page()->runJavaScript(script);
        QTest::qWait(300);  // the view reports through the event queue
    }

    QTemporaryDir pages_;
    std::unique_ptr<LoopbackServer> server_;
    std::shared_ptr<QtApplication> application_;
    std::unique_ptr<Qel> qel_;
    QWebEngineView* view_ = nullptr;
    QLineEdit* log_ = nullptr;
};

TEST_F(WebRun, ShowsTheFetchedPageAndAClickedLinkGoesThroughTheRuntime) {
    go("a.html");
    EXPECT_EQ(log_->text(), "開始;DL開始;DL完了;題A;完了00;");
    ASSERT_TRUE(showsTitle("A"));
    EXPECT_EQ(read(u"ブラウザ1の内容"), "first page\r\nto b run new");
    EXPECT_TRUE(read(u"ブラウザ1のソース").startsWith("<html><head><title>A</title>"));

    // The user clicks a link: the same events as a link followed on the console.
    run({u"テキスト1の内容は、「」"});
    inPage("document.getElementById('b').click()");
    ASSERT_TRUE(showsTitle("B"));
    EXPECT_EQ(log_->text(), "開始;DL開始;DL完了;題B;完了10;");
    EXPECT_EQ(read(u"ブラウザ1のアドレス"), server_->address("b.html"));

    run({u"テキスト1の内容は、「」", u"「ブラウザ1」を戻る"});
    EXPECT_EQ(log_->text(), "開始;DL開始;DL完了;題A;完了01;");
    EXPECT_TRUE(showsTitle("A"));
    run({u"テキスト1の内容は、「」", u"「ブラウザ1」を進む"});
    EXPECT_EQ(log_->text(), "開始;DL開始;DL完了;題B;完了10;");
    EXPECT_TRUE(showsTitle("B"));
}

TEST_F(WebRun, RefusedAddressesNeverRunFromThePage) {
    go("a.html");
    ASSERT_TRUE(showsTitle("A"));
    run({u"テキスト1の内容は、「」"});
    // A javascript: link the user clicks, and the page's own script going
    // to schemes browsers refuse: nothing runs, nothing is fetched.
    inPage("document.getElementById('js').click()");
    inPage("location.href = 'mailto:someone@example.com'");
    inPage("location.href = 'data:text/html,<title>data</title>'");
    QTest::qWait(500);
    EXPECT_EQ(view_->title(), "A");
    EXPECT_EQ(log_->text(), "");
    EXPECT_EQ(read(u"ブラウザ1のアドレス"), server_->address("a.html"));
    // The page's script going to a page of the web is a navigation like a link.
    run({u"テキスト1の内容は、「」"});
    inPage("location.href = 'b.html'");
    ASSERT_TRUE(showsTitle("B"));
    EXPECT_EQ(log_->text(), "開始;DL開始;DL完了;題B;完了10;");
}

TEST_F(WebRun, ANewWindowLinkRaisesTheEventAndOpensHere) {
    go("a.html");
    ASSERT_TRUE(showsTitle("A"));
    run({u"テキスト1の内容は、「」"});
    inPage("document.getElementById('new').click()");
    ASSERT_TRUE(showsTitle("B"));
    EXPECT_EQ(log_->text(), "新" + server_->address("b.html") + ";開始;DL開始;DL完了;題B;完了10;");
}

TEST_F(WebRun, TheLinkUnderTheMouseIsTheStatus) {
    go("a.html");
    ASSERT_TRUE(showsTitle("A"));
    run({u"手順は　ブラウザ1の状況が変わる",
         u"　テキスト1の内容は、テキスト1の内容＆「状況［ブラウザ1の状況］;」", u"終わり",
         u"テキスト1の内容は、「」"});
    // Offscreen Chromium gets no hover from sent mouse events: the page's
    // report is raised as it would be.
    const QString link = server_->address("b.html");
    emit view_->page()->linkHovered(link);
    QTest::qWait(100);
    emit view_->page()->linkHovered(link);  // the same text: no second event
    QTest::qWait(100);
    emit view_->page()->linkHovered(QString());
    QTest::qWait(100);
    EXPECT_EQ(log_->text(), "状況" + link + ";状況;");
}

TEST_F(WebRun, OfflineTheViewFetchesNothingItself) {
    go("a.html");
    ASSERT_TRUE(showsTitle("A"));
    // The page's own script asks for pictures: none reach the network offline.
    const QString addPicture = QStringLiteral(
        "var i = document.createElement('img'); i.src = 'pic.png?%1';"
        "document.body.appendChild(i);");
    run({u"ブラウザ1のオフラインは、1"});
    inPage(addPicture.arg("offline"));
    run({u"ブラウザ1のオフラインは、0"});
    inPage(addPicture.arg("online"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return server_->requests().contains("pic.png?online"); }, 15000));
    EXPECT_FALSE(server_->requests().contains("pic.png?offline"));
}

TEST_F(WebRun, APageTooLongToHandOverIsLoadedFromItsAddress) {
    QByteArray page = "<html><head><title>Big</title></head><body><p>";
    page += QByteArray(3 * 1024 * 1024, 'x');
    page += "</p><p id=\"end\">end</p></body></html>";
    writeFile(pages_.filePath("big.html"), page);
    go("big.html");
    ASSERT_TRUE(showsTitle("Big"));
    QString last;
    view_->page()->runJavaScript("document.getElementById('end').textContent",
                                 [&last](const QVariant& v) { last = v.toString(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return last == "end"; }, 5000));
    EXPECT_EQ(read(u"ブラウザ1のタイトル"), "Big");
}

TEST_F(WebRun, FullScreenTakesTheViewOutAndBack) {
    go("a.html");
    ASSERT_TRUE(showsTitle("A"));
    run({u"ブラウザ1のフルスクリーンは、1"});
    EXPECT_TRUE(view_->isWindow());
    EXPECT_TRUE(view_->isFullScreen());
    run({u"ブラウザ1のフルスクリーンは、0"});
    EXPECT_FALSE(view_->isWindow());
    EXPECT_EQ(view_->parentWidget(), named<QWidget>("ブラウザ１"));
    EXPECT_EQ(read(u"ブラウザ1のフルスクリーン"), "0");
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QELSCRIPT_WEB_MODULE"))
        qputenv("QELSCRIPT_WEB_MODULE", QEL_WEB_MODULE);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
