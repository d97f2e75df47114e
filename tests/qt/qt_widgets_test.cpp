// Script windows and controls on real Qt widgets (offscreen): scripts make
// them, and the tests look at the widgets themselves — geometry, texts,
// palette colours, states, items, pictures — and hold what the script reads
// back against what the same script reads on the virtual widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/headless/console_host.h"
#include "platform/headless/recording_system.h"
#include "platform/headless/virtual_widgets.h"
#include "platform/linux/picture_codec.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_printers.h"
#include "platform/qt/qt_widgets.h"
#include "qt_named.h"

namespace qel {
namespace {

// The widget the script named so: every control and window carries its
// script name (for screen readers, and for us).
QRgb colourAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// One engine over the Qt host, with either real or virtual widgets. A box
// the script opens by mistake (an error) is closed and remembered, so that a
// failing script fails the test instead of waiting forever.
class Runner {
  public:
    explicit Runner(bool real) {
        std::string why;
        application_ = QtApplication::open(why);
        EXPECT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        if (real) {
            auto widgets = std::make_unique<QtWidgets>(application_);
            widgets_ = widgets.get();
            platform.widgets = std::move(widgets);
        } else {
            platform.widgets = std::make_unique<VirtualWidgets>();
        }
        platform.files = std::make_unique<PosixFileSystem>();
        platform.pictures = std::make_unique<StandardPictureCodec>();
        platform.clock = std::make_unique<SystemClock>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
        QObject::connect(&boxWatch_, &QTimer::timeout, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
                    boxes_ << label->text();
                box->close();
            }
        });
        boxWatch_.start(20);
    }

    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }
    void run(const std::vector<Text>& lines) {
        Text script;
        for (const Text& line : lines) script += line + Text(kCRLF);
        qel_->Run(script, u"test.qel", true);
    }

    Text variable(TextView name) {
        bool notFound = false;
        Text value = qel_->engine().GetVariable(name, notFound);
        EXPECT_FALSE(notFound) << text::toUtf8(name);
        return value;
    }
    QString value(TextView name) { return QString::fromStdString(text::toUtf8(variable(name))); }

    QtWidgets* widgets() { return widgets_; }
    QtApplication& application() { return *application_; }
    const QStringList& boxes() const { return boxes_; }

  private:
    std::shared_ptr<QtApplication> application_;
    QtWidgets* widgets_ = nullptr;
    std::unique_ptr<Qel> qel_;
    QTimer boxWatch_;
    QStringList boxes_;
};

TEST(QtWidgets, ScriptControlsAreRealWidgetsHoldingTheirValues) {
    Runner r(true);
    r.run({u"「ウィンドウ1」を作る",
           u"ウィンドウ1の名前は、「設定」",
           u"ウィンドウ1の中の大きさは、320,240",
           u"「ボタン1」を作る",
           u"ボタン1の位置は、10,20",
           u"ボタン1の大きさは、90,30",
           u"ボタン1の名前は、「押す」",
           u"ボタン1の色は、赤",
           u"「チェック1」を作る",
           u"チェック1のチェックは、2",
           u"「オプション1」を作る",
           u"「オプション2」を作る",
           u"オプション1のチェックは、1",
           u"オプション2のチェックは、1",
           u"「リスト1」を作る",
           u"リスト1に「りんご」を追加",
           u"リスト1に「いちご」を追加",
           u"リスト1の番号は、1",
           u"「縦スクロールバー1」を作る",
           u"縦スクロールバー1の最大値は、50",
           u"縦スクロールバー1の数字は、80",
           u"「テキスト1」を作る",
           u"テキスト1の内容は、「こんにちは」",
           u"テキスト1の表示は、0",
           u"「選択リスト1」を作る",
           u"選択リスト1に「赤」を追加",
           u"選択リスト1に「青」を追加",
           u"選択リスト1の内容は、「青」",
           u"「フレーム1」を作る",
           u"フレーム1の名前は、「枠」"});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();

    auto* window = named(QStringLiteral("ウィンドウ１"));
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(window->size(), QSize(320, 240));

    auto* button = named<QPushButton>(QStringLiteral("ボタン１"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->window(), window);
    EXPECT_EQ(button->geometry(), QRect(10, 20, 90, 30));
    EXPECT_EQ(button->text(), QStringLiteral("押す"));
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_TRUE(button->isVisible());

    auto* check = named<QCheckBox>(QStringLiteral("チェック１"));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->checkState(), Qt::PartiallyChecked);
    // Options of one container exclude each other.
    auto* first = named<QRadioButton>(QStringLiteral("オプション１"));
    auto* second = named<QRadioButton>(QStringLiteral("オプション２"));
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(first->isChecked());
    EXPECT_TRUE(second->isChecked());

    auto* list = named<QListWidget>(QStringLiteral("リスト１"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("りんご"));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(list->item(1)->isSelected());

    auto* bar = named<QScrollBar>(QStringLiteral("縦スクロールバー１"));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->maximum(), 50);
    EXPECT_EQ(bar->value(), 50) << "kept inside its limits";

    auto* edit = named<QLineEdit>(QStringLiteral("テキスト１"));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->text(), QStringLiteral("こんにちは"));
    EXPECT_FALSE(edit->isVisible());

    auto* combo = named<QComboBox>(QStringLiteral("選択リスト１"));
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), QStringLiteral("青"));

    auto* frame = named<QGroupBox>(QStringLiteral("フレーム１"));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->title(), QStringLiteral("枠"));

    // Changed on the widget (as a user would), read back by the script.
    edit->setText(QStringLiteral("書き換え"));
    check->setCheckState(Qt::Checked);
    bar->setValue(7);
    first->click();
    r.run(
        {u"結果 は 「［テキスト1の内容］,［チェック1のチェック］,［縦スクロールバー1の数字］,"
         u"［オプション1のチェック］［オプション2のチェック］」"});
    EXPECT_EQ(r.value(u"結果"), QStringLiteral("書き換え,1,7,10"));
}

TEST(QtWidgets, ColoursShowInTheWindowsPicture) {
    Runner r(true);
    r.run({u"「ウィンドウ2」を作る", u"ウィンドウ2の中の大きさは、200,100",
           u"ウィンドウ2の背景は、赤", u"「ラベル1」を作る", u"ラベル1の位置は、0,0",
           u"ラベル1の大きさは、50,50", u"ラベル1の背景は、青", u"「形1」を作る",
           u"形1の位置は、100,0", u"形1の大きさは、60,60", u"形1の線の色は、緑",
           u"形1の線の太さは、10"});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    QWidget* window = named(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(window);
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    auto at = [&](int x, int y) { return colourAt(image, int(x * ratio), int(y * ratio)); };
    EXPECT_EQ(at(180, 90), 0xFF0000u) << "the window's background";
    EXPECT_EQ(at(25, 25), 0x0000FFu) << "the label's background";
    EXPECT_EQ(at(104, 30), 0x008000u) << "the shape's outline (dark green)";
    EXPECT_EQ(at(130, 30), 0xFF0000u) << "an unfilled shape shows the window through";
}

// The same script reads the same values on both widget sets. Colours and
// fonts nobody set follow the desktop's theme, and a shown window's outer
// size its real frame, so the script sets those and reads the inside.
TEST(QtWidgets, TheSameScriptReadsTheSameValuesOnBothWidgetSets) {
    const std::vector<Text> setup = {
        u"「ウィンドウ3」を作る",
        u"ウィンドウ3の中の大きさは、284,161",
        u"ウィンドウ3の名前は、「比べる」",
        u"ウィンドウ3の背景は、赤",
        u"ウィンドウ3の透明度は、128",
        u"ウィンドウ3の最前面は、1",
        u"「ボタン1」を作る",
        u"ボタン1の位置は、10,20",
        u"ボタン1の名前は、「押す」",
        u"ボタン1の太字は、1",
        u"「テキスト1」を作る",
        u"テキスト1の制限文字数は、3",
        u"テキスト1の内容は、「あいうえお」",
        u"テキスト1の選択スタートは、1",
        u"テキスト1の選択長さは、9",
        u"「文章テキスト1」を作る",
        u"文章テキスト1の内容は、「一行目［改行］二行目」",
        u"文章テキスト1の選択スタートは、2",
        u"文章テキスト1の選択長さは、100",
        u"「チェック1」を作る",
        u"チェック1のチェックは、1",
        u"「オプション1」を作る",
        u"「オプション2」を作る",
        u"オプション1のチェックは、1",
        u"オプション2のチェックは、1",
        u"「横スクロールバー1」を作る",
        u"横スクロールバー1の最大値は、50",
        u"横スクロールバー1の数字は、80",
        u"横スクロールバー1の最小値は、60",
        u"「リスト1」を作る",
        u"リスト1の並べ替えは、1",
        u"リスト1に「ばなな」を追加",
        u"リスト1に「りんご」を追加",
        u"リスト1に「いちご」を追加",
        u"リスト1の番号は、2",
        u"「選択リスト1」を作る",
        u"選択リスト1に「赤」を追加",
        u"選択リスト1に「青」を追加",
        u"選択リスト1の内容は、「青」",
        u"「ラベル1」を作る",
        u"ラベル1の表示位置は、「中央」",
        u"ラベル1の色は、青",
        u"「形1」を作る",
        u"形1の形は、「円」",
        u"形1の線の太さは、3",
        u"「タイマー1」を作る",
        u"タイマー1の間隔は、500",
        u"「ラベル1」を最背面",
    };
    const std::vector<Text> reads = {
        u"ウィンドウ3の中の大きさ",
        u"ウィンドウ3の背景",
        u"ウィンドウ3の名前",
        u"ウィンドウ3の透明度",
        u"ウィンドウ3の最前面",
        u"ウィンドウ3の表示",
        u"ボタン1の位置",
        u"ボタン1の大きさ",
        u"ボタン1の名前",
        u"ボタン1の太字",
        u"ボタン1の表示",
        u"テキスト1の内容",
        u"テキスト1の選択",
        u"テキスト1の選択スタート",
        u"文章テキスト1の選択",
        u"文章テキスト1の行数",
        u"チェック1のチェック",
        u"オプション1のチェック",
        u"オプション2のチェック",
        u"横スクロールバー1の最小値",
        u"横スクロールバー1の最大値",
        u"横スクロールバー1の数字",
        u"リスト1の個数",
        u"リスト1の番号",
        u"リスト1の内容",
        u"選択リスト1の番号",
        u"選択リスト1の内容",
        u"ラベル1の表示位置",
        u"ラベル1の色",
        u"ラベル1の階層",
        u"形1の形",
        u"形1の線の太さ",
        u"タイマー1の時間",
        u"タイマー1の有効",
        u"タイマー1の表示",
        u"フォルダリスト1の個数",
        u"フォルダリスト1のフォルダ",
        u"フォルダリスト1の番号",
        u"ドライブリスト1の個数",
        u"ドライブリスト1のドライブ",
    };
    std::vector<Text> script = setup;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        script.push_back(u"値" + number::format(double(i)) + u" は 「［" + reads[i] + u"］」");
    }
    script.push_back(u"タイマー1の有効は、0");
    Runner real(true);
    real.run(script);
    Runner virtualSet(false);
    virtualSet.run(script);
    EXPECT_TRUE(real.boxes().isEmpty()) << real.boxes().join('\n').toStdString();
    EXPECT_TRUE(virtualSet.boxes().isEmpty()) << virtualSet.boxes().join('\n').toStdString();
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const Text name = u"値" + number::format(double(i));
        EXPECT_EQ(text::toUtf8(real.variable(name)), text::toUtf8(virtualSet.variable(name)))
            << text::toUtf8(reads[i]);
    }
}

// Run with QT_SCALE_FACTOR=2 (its own test entry): the widgets have twice
// the pixels, the script still reads logical ones.
TEST(QtWidgets, HighDpiGeometryStaysInLogicalPixels) {
    Runner r(true);
    r.run({u"「ウィンドウ4」を作る", u"ウィンドウ4の中の大きさは、200,150", u"「ボタン1」を作る",
           u"ボタン1の位置は、10,20", u"ボタン1の大きさは、100,40",
           u"結果 は 「［ウィンドウ4の中の大きさ］ ［ボタン1の位置］ ［ボタン1の大きさ］」"});
    EXPECT_EQ(r.value(u"結果"), QStringLiteral("200,150 10,20 100,40"));
    QWidget* window = named(QStringLiteral("ウィンドウ４"));
    ASSERT_TRUE(window);
    const qreal ratio = window->devicePixelRatioF();
    if (ratio != 2) GTEST_SKIP() << "device pixel ratio " << ratio << " (set QT_SCALE_FACTOR=2)";
    EXPECT_EQ(window->grab().toImage().size(), QSize(400, 300));
    EXPECT_EQ(named(QStringLiteral("ボタン１"))->geometry(), QRect(10, 20, 100, 40));
}

TEST(QtWidgets, ControlsCarryTheirScriptNameForScreenReaders) {
    Runner r(true);
    r.run({u"「ウィンドウ5」を作る", u"「ボタン7」を作る", u"ボタン7の名前は、「保存」",
           u"「ラベル1」を作る"});
    auto* button = named<QPushButton>(QStringLiteral("ボタン７"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), QStringLiteral("保存"));
    EXPECT_TRUE(named<QLabel>(QStringLiteral("ラベル１")));
    // A button turned into its picture twin keeps its name.
    r.run({u"ボタン7の絵は、「無い.png」"});
    EXPECT_TRUE(named<QPushButton>(QStringLiteral("ボタン７")));
}

// Japanese text is drawn with Japanese glyphs: each character's image differs
// from the others' and from the missing-glyph box.
TEST(QtWidgets, JapaneseTextShowsAsJapanese) {
    Runner r(true);
    r.run({u"「ウィンドウ6」を作る", u"「ラベル1」を作る", u"ラベル1の名前は、「こんにちは」"});
    auto* label = named<QLabel>(QStringLiteral("ラベル１"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), QStringLiteral("こんにちは"));
    const QFont font = label->font();
    auto glyph = [&](QChar c) {
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignCenter, QString(c));
        return image;
    };
    const QImage missing = glyph(QChar(0xE000));  // private use: no font draws it
    std::vector<QImage> seen;
    for (QChar c : QStringLiteral("こんにちは")) {
        if (!seen.empty() && c == QChar(u'に')) continue;
        QImage image = glyph(c);
        EXPECT_TRUE(image != glyph(QChar(' '))) << "something is drawn";
        EXPECT_TRUE(image != missing) << "not the missing-glyph box";
        for (const QImage& other : seen) EXPECT_TRUE(image != other) << "each glyph its own";
        seen.push_back(image);
    }
    // The label itself draws them.
    label->resize(200, 40);
    const QImage drawn = label->grab().toImage();
    int dark = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) dark += qGray(drawn.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);
}

TEST(QtWidgets, FirstWaitSavesAPictureOfEachVisibleWindow) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("qel_qt_screenshot_" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::remove_all(folder);
    Runner r(true);
    ASSERT_TRUE(r.widgets()->setScreenshotFolder(folder.string()));
    bool sawFiles = false;
    // While the script waits nobody can close its windows offscreen; this
    // "user" looks for the pictures and then hides the windows, which ends
    // the wait.
    QTimer user;
    int looks = 0;
    QObject::connect(&user, &QTimer::timeout, [&] {
        sawFiles = std::filesystem::exists(folder / "ウィンドウ８.png");
        if (!sawFiles && ++looks < 250) return;
        user.stop();
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    });
    user.start(20);
    r.run({u"「ウィンドウ8」を作る", u"ウィンドウ8の中の大きさは、120,80", u"「ウィンドウ9」を作る",
           u"「ウィンドウ9」を隠れる", u"待機", u"後 は 1"});
    EXPECT_EQ(r.value(u"後"), QStringLiteral("1"));
    EXPECT_TRUE(sawFiles);
    QImage picture((folder / "ウィンドウ８.png").c_str());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(120, 80) * qApp->devicePixelRatio());
    EXPECT_FALSE(std::filesystem::exists(folder / "ウィンドウ９.png")) << "hidden windows are not";
    std::filesystem::remove_all(folder);
}

// 座標 is turned into pixels from the screen's logical dots per inch, so a
// control set in millimetres has the width a ruler on the screen would show.
TEST(QtWidgets, CoordinateUnitsFollowTheScreensLogicalDpi) {
    Runner r(true);
    r.run({u"「ウィンドウ6」を作る", u"ウィンドウ6の座標は、「ミリメートル」", u"「ボタン1」を作る",
           u"ボタン1の位置は、10,5", u"ボタン1の幅は、25.4", u"ウィンドウ6の座標は、「印刷用」",
           u"「ボタン2」を作る", u"ボタン2の幅は、72", u"ボタン2の高さは、36",
           u"結果 は 「［ボタン2の幅］,［ボタン2の高さ］」"});
    const double dpi = QApplication::primaryScreen()->logicalDotsPerInch();
    QWidget* one = named(QStringLiteral("ボタン１"));
    QWidget* two = named(QStringLiteral("ボタン２"));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->width(), qRound(dpi));
    EXPECT_EQ(one->x(), qRound(10 * dpi / 25.4));
    EXPECT_EQ(one->y(), qRound(5 * dpi / 25.4));
    EXPECT_EQ(two->width(), qRound(dpi));
    EXPECT_EQ(two->height(), qRound(dpi / 2));
    EXPECT_EQ(r.value(u"結果"), QStringLiteral("72,36"));
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
}

// What the desktop around the script holds: the screen's size, the
// clipboard's text and the installed fonts; アクティブ brings a window forward.
TEST(QtWidgets, TheScreenClipboardAndFontsAreTheDesktops) {
    Runner r(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("貼る文字"));
    r.run({u"「ウィンドウ7」を作る", u"「ウィンドウ8」を作る", u"「ウィンドウ7」をアクティブ",
           u"画面 は 「［画面の幅］,［画面の高さ］」", u"貼 は 貼り付け", u"書体 は フォント一覧",
           u"前 は アクティブウィンドウの名前"});
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(r.value(u"画面"), QStringLiteral("%1,%2").arg(screen.width()).arg(screen.height()));
    EXPECT_EQ(r.value(u"貼"), QStringLiteral("貼る文字"));
    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(r.value(u"書体").split(QStringLiteral("\r\n")), families);
    EXPECT_EQ(r.value(u"前"), QStringLiteral("ウィンドウ７"));
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
}

// 自動調整: a label takes the size its text has in its font, a picture box
// the size of its picture; a picture that cannot be read is reported and
// changes nothing.
TEST(QtWidgets, AutoSizeFitsLabelsToTheirTextAndPicturesToTheirFile) {
    const QString png = QDir::temp().filePath(QStringLiteral("qel_autosize_37x21.png"));
    QImage(37, 21, QImage::Format_RGB32).save(png);
    const Text file = text::fromUtf8(png.toStdString());
    Runner r(true);
    r.run({u"「ウィンドウ7」を作る", u"「ラベル1」を作る", u"ラベル1の名前は、「あいうえおabc」",
           u"ラベル1の自動調整は、1", u"ラベル1のフォントサイズは、18", u"「ピクチャー1」を作る",
           u"ピクチャー1の自動調整は、1", u"ピクチャー1の絵は、「" + file + u"」",
           u"結果 は 「［ラベル1の大きさ］ ［ピクチャー1の大きさ］」",
           u"ピクチャー1の絵は、「/nowhere/none.png」"});
    ASSERT_EQ(r.boxes().size(), 1);
    EXPECT_TRUE(r.boxes()[0].contains(QStringLiteral("/nowhere/none.png")));
    auto* picture = named<QWidget>(QStringLiteral("ピクチャー１"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(37, 21));
    auto* label = named<QLabel>(QStringLiteral("ラベル１"));
    ASSERT_TRUE(label);
    const QSize text = QFontMetrics(label->font()).size(0, label->text());
    EXPECT_EQ(label->size(), text);
    EXPECT_EQ(r.value(u"結果"), QStringLiteral("%1,%2 37,21").arg(text.width()).arg(text.height()));
    QFile::remove(png);
}

// The turtle's icon is a picture of the turtle seen from above, turned with
// the heading: its head (the only light green) is above the centre when it
// faces up and right of it after a quarter turn to the right.
TEST(QtWidgets, TheTurtleIconShowsItsPictureTurnedWithTheHeading) {
    Runner r(true);
    const QRgb skin = 0x8CBE5A;
    // The turtle starts in the middle of the new window (384 × 261 inside),
    // so after 10 steps up its 32 × 32 icon's top-left corner is at (176, 104).
    auto iconAt = [](int x, int y) {
        auto* window = named<QWidget>(QStringLiteral("ウィンドウ３"));
        EXPECT_TRUE(window);
        if (!window) return QRgb(0);
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        return colourAt(image, int((176 + x) * ratio), int((104 + y) * ratio));
    };
    r.run({u"「ウィンドウ3」を作る", u"「10」を前へ"});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    EXPECT_EQ(iconAt(16, 5), skin) << "the head, facing up";
    EXPECT_NE(iconAt(26, 16), skin);
    r.run({u"「90」を右へ"});
    EXPECT_EQ(iconAt(26, 16), skin) << "the head, facing right";
    EXPECT_NE(iconAt(16, 5), skin);
    // Every icon the headings can ask for is there.
    for (int resource = 101, step = 0; step < 24; resource = 2000 + 15 * ++step) {
        const QImage icon(QStringLiteral(":/turtle/%1.png").arg(resource));
        EXPECT_EQ(icon.size(), QSize(32, 32)) << resource;
    }
}

// 変形 on the desktop: the window's mask is the picture's figure (here the
// red block on white); an empty name takes the mask away. An image shows its
// 透明色 see-through, and with 拡大縮小 fills its box with the picture.
TEST(QtWidgets, WindowShapesImageMaskColoursAndStretchingShowOnTheDesktop) {
    const QString png = QDir::temp().filePath(QStringLiteral("qel_shape_block.png"));
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 5; y < 15; ++y)
        for (int x = 10; x < 25; ++x) picture.setPixel(x, y, qRgb(255, 0, 0));
    ASSERT_TRUE(picture.save(png));
    const Text file = text::fromUtf8(png.toStdString());
    Runner r(true);
    r.run({u"「ウィンドウ8」を作る", u"ウィンドウ8の変形は、「" + file + u"」"});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    auto* window = named<QWidget>(QStringLiteral("ウィンドウ８"));
    ASSERT_TRUE(window);
    EXPECT_TRUE((window->mask() ^ QRegion(10, 5, 15, 10)).isEmpty()) << "the same pixels";
    r.run({u"ウィンドウ8の変形は、「」"});
    EXPECT_TRUE(window->mask().isEmpty());
    // The image: red pixels of a red-and-white picture let the window through.
    r.run({u"「イメージ1」を作る", u"イメージ1の絵は、「" + file + u"」",
           u"イメージ1の大きさは、30,20", u"イメージ1の透明色は、赤"});
    auto* image = named<QWidget>(QStringLiteral("イメージ１"));
    ASSERT_TRUE(image);
    QApplication::processEvents();
    QImage shown(image->size(), QImage::Format_ARGB32);
    shown.fill(Qt::transparent);
    image->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(shown.pixel(15, 10)), 0) << "the red block is see-through";
    EXPECT_EQ(shown.pixel(2, 2), qRgb(255, 255, 255));
    // 拡大縮小: stretched to a box twice as large, (44, 24) shows the picture's
    // (22, 12), in the red block; unstretched, it lies beyond the picture.
    auto renderedAt = [&](TextView stretch, int x, int y) {
        r.run({u"イメージ2の拡大縮小は、" + Text(stretch)});
        auto* box = named<QWidget>(QStringLiteral("イメージ２"));
        if (!box) return QRgb(0);
        QApplication::processEvents();
        QImage out(box->size(), QImage::Format_ARGB32);
        out.fill(Qt::transparent);
        box->render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
        return out.pixel(x, y);
    };
    r.run({u"「イメージ2」を作る", u"イメージ2の絵は、「" + file + u"」",
           u"イメージ2の大きさは、60,40"});
    EXPECT_EQ(renderedAt(u"1", 44, 24), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(renderedAt(u"0", 44, 24)), 0);
    QFile::remove(png);
}

// The printer object's settings are kept per printer and go into the
// QPrinter of the next print job: here through the PDF file the machine
// without a printer (or a test) prints into.
TEST(QtWidgets, PrinterSettingsReachThePrintJob) {
    const QString pdf = QDir::temp().filePath(QStringLiteral("qel_printer_settings.pdf"));
    QFile::remove(pdf);
    qputenv("QEL_PRINT_PDF", pdf.toLocal8Bit());
    Runner r(true);
    r.run({u"プリンタの用紙方向は、「横」", u"プリンタの用紙サイズは、「B5」",
           u"プリンタの部数は、2", u"プリンタのモノクロは、1", u"プリンタの余白は、10,20,30,40",
           u"プリンタの倍率は、50", u"「一行目［改行］二行目」を印刷",
           u"結果 は 「［プリンタの一覧］ ［プリンタの部数］ ［プリンタの現在ページ］」",
           u"プリンタの部数は、0"});
    // The one refused value (部数 0, last: closing its box stops the run) is
    // the only box.
    EXPECT_EQ(r.boxes().size(), 1) << r.boxes().join('\n').toStdString();
    QtPrinters& printers = r.application().printers();
    ASSERT_FALSE(printers.list().empty());
    if (printers.selectedIsStandIn()) {
        EXPECT_TRUE(r.value(u"結果").startsWith("PDF 2 0"));
    }
    QPrinter printer;
    std::string why;
    const bool applied = printers.apply(printer, why);
    qunsetenv("QEL_PRINT_PDF");
    ASSERT_TRUE(applied) << why;
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::JisB5);
    EXPECT_EQ(printer.copyCount(), 2);
    EXPECT_EQ(printer.colorMode(), QPrinter::GrayScale);
    EXPECT_EQ(printer.pageLayout().margins(QPageLayout::Millimeter), QMarginsF(10, 20, 30, 40));
    EXPECT_DOUBLE_EQ(printers.scale(), 0.5);
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("%PDF"));
    QFile::remove(pdf);
}

// Names the language has no word for reach the widget's own Qt properties
// (switches, numbers, texts, enumerations), without regard to case; any
// other name, or a value the member cannot take, is an error box.
TEST(QtWidgets, UnknownNamesPassThroughToTheWidgetsQtProperties) {
    {
        Runner r(true);
        r.run(
            {u"「ウィンドウ8」を作る", u"「テキスト1」を作る",
             u"テキスト1のplaceholderTextは、「名前」",
             u"テキスト1のＣＬＥＡＲＢＵＴＴＯＮＥＮＡＢＬＥＤは、1",
             u"テキスト1のechoModeは、「Password」", u"「ボタン1」を作る", u"ボタン1のflatは、1",
             u"ボタン1のmaximumWidthは、60",
             u"結果 は 「［テキスト1のplaceholdertext］ ［テキスト1のechoMode］ ［ボタン1のflat］ "
             u"［ボタン1のmaximumWidth］」"});
        EXPECT_EQ(r.value(u"結果"), QStringLiteral("名前 2 1 60"));
        auto* edit = named<QLineEdit>(QStringLiteral("テキスト１"));
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->placeholderText(), QStringLiteral("名前"));
        EXPECT_TRUE(edit->isClearButtonEnabled());
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        auto* button = named<QPushButton>(QStringLiteral("ボタン１"));
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isFlat());
        EXPECT_EQ(button->maximumWidth(), 60);
        EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    }
    // Closing a box stops the run, so each bad line runs on its own (and
    // with one runner at a time: each runner's watch takes any box).
    const TextView bad[] = {
        u"「ボタン1のgeometry」を「1」に変える", u"ボタン1のflatは、「はい」",
        u"テキスト1のechoModeは、「Sideways」",  u"テキスト1のechoModeは、17",
        u"ボタン1のmaximumWidthは、1E+30",       u"「ボタン1のnoSuchThing」を「1」に変える",
        u"「ボタン1の1st」を「1」に変える"};
    for (TextView line : bad) {
        Runner one(true);
        one.run({u"「ウィンドウ9」を作る", u"「テキスト1」を作る", u"「ボタン1」を作る",
                 u"ボタン1のmaximumWidthは、70", line});
        EXPECT_EQ(one.boxes().size(), 1) << text::toUtf8(line);
        auto* nine = named<QPushButton>(QStringLiteral("ボタン１"));
        ASSERT_TRUE(nine);
        EXPECT_EQ(nine->maximumWidth(), 70);
    }
}

// Every script test of the object layer, run once on the virtual widgets and
// once on the real ones: the transcripts (what the script showed, and its
// error boxes) must be the same line for line. The few lines that rightly
// differ are left out by what they show, with the reason.
std::vector<std::string> transcriptOf(const std::filesystem::path& script, bool real) {
    const auto transcript = std::filesystem::temp_directory_path() /
                            ("qel_both_" + script.stem().string() + (real ? ".real" : ".virtual"));
    {
        ConsoleOptions options;
        options.virtualClock = true;
        options.recordSystem = true;
        options.transcriptPath = transcript.string();
        std::ostringstream out, err;
        std::istringstream in;
        auto host = std::make_unique<ConsoleHost>(options, out, err, in);
        std::string problem;
        EXPECT_TRUE(host->openTranscript(problem)) << problem;
        ConsoleHost* console = host.get();
        Platform platform;
        platform.ui = std::move(host);
        std::shared_ptr<QtApplication> application = QtApplication::open(problem);
        if (real) {
            platform.widgets = std::make_unique<QtWidgets>(application);
        } else {
            platform.widgets = std::make_unique<VirtualWidgets>();
        }
        platform.files = std::make_unique<PosixFileSystem>();
        platform.pictures = std::make_unique<StandardPictureCodec>();
        platform.clock = std::make_unique<SystemClock>();
        platform.system = std::make_unique<RecordingSystem>(
            [console](const std::string& request) { console->recordSystemRequest(request); });
        console->useVirtualClock(platform);
        // A window shown modally waits for the user on the desktop (on the
        // console it returns at once): the user here hides it straight away.
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && w->isModal()) w->hide();
            }
        });
        user.start(20);
        Qel qel(std::move(platform));
        qel.engine().runEnvironment = RunEnvironment::ScriptFile;
        qel.RunFile(text::fromUtf8(script.string()), true);
    }
    std::ifstream in(transcript);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::filesystem::remove(transcript);
    return lines;
}

TEST(QtWidgets, EveryObjectScriptShowsTheSameOnBothWidgetSets) {
    // Transcript lines that rightly differ, by script and line, and why.
    struct Differing {
        const char* script;
        std::size_t line;
        const char* why;
    };
    const Differing differing[] = {
        {"colours.qel", 12, "system colour 16 (button face) is the desktop theme's"},
        {"auto_size.qel", 2, "label sizes are the font's on the desktop"},
        {"auto_size.qel", 3, "label sizes are the font's on the desktop"},
        {"auto_size.qel", 4, "label sizes are the font's on the desktop"},
        {"auto_size.qel", 5, "label sizes are the font's on the desktop"},
        {"auto_size.qel", 6, "label sizes are the font's on the desktop"},
        {"window_properties.qel", 2, "the frame of a shown window is the window manager's"},
        {"window_properties.qel", 3, "the frame of a shown window is the window manager's"},
        {"window_properties.qel", 6, "the modal window was hidden by the user above"},
        {"printer.qel", 1, "the desktop's printers are the system's (or the PDF stand-in)"},
        {"context_functions.qel", 6, "the screen's size is the desktop's"},
        {"context_functions.qel", 7, "the clipboard and the fonts are the desktop's"},
    };
    const auto folder = std::filesystem::path(QEL_SOURCE_DIR) / "tests/scripts/objects";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".qel") continue;
        const std::string name = entry.path().filename().string();
        std::vector<std::string> onConsole = transcriptOf(entry.path(), false);
        std::vector<std::string> onDesktop = transcriptOf(entry.path(), true);
        ASSERT_EQ(onConsole.size(), onDesktop.size()) << name;
        for (std::size_t i = 0; i < onConsole.size(); ++i) {
            bool mayDiffer = false;
            for (const Differing& d : differing) mayDiffer |= name == d.script && i + 1 == d.line;
            if (!mayDiffer) {
                EXPECT_EQ(onConsole[i], onDesktop[i]) << name << " line " << i + 1;
            }
        }
        ++compared;
    }
    EXPECT_GE(compared, 8);
}

// A built application's icon (given to its run through QELSCRIPT_WINDOW_ICON)
// is the icon of every window without one of its own; a window's own アイコン
// still wins.
TEST(QtWidgets, TheApplicationIconStandsForWindowsWithoutTheirOwn) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qel_icon_test";
    std::filesystem::create_directories(folder);
    const std::string red = (folder / "red.png").string(), blue = (folder / "blue.png").string();
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(red)));
    picture.fill(QColor(0, 0, 255));
    ASSERT_TRUE(picture.save(QString::fromStdString(blue)));
    setenv("QELSCRIPT_WINDOW_ICON", red.c_str(), 1);
    Runner r(true);
    r.run({u"「ウィンドウ1」を作る", u"「ウィンドウ2」を作る",
           Text(u"ウィンドウ2のアイコンは、「") + text::fromUtf8(blue) + u"」"});
    unsetenv("QELSCRIPT_WINDOW_ICON");
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    auto centre = [](QWidget* window) {
        return window->windowIcon().pixmap(16, 16).toImage().pixel(8, 8) & 0xFFFFFF;
    };
    QWidget* plain = named(QStringLiteral("ウィンドウ１"));
    QWidget* own = named(QStringLiteral("ウィンドウ２"));
    ASSERT_TRUE(plain && own);
    EXPECT_EQ(centre(plain), 0xFF0000u);
    EXPECT_EQ(centre(own), 0x0000FFu);
    std::filesystem::remove_all(folder);
}

// The picture commands write the same pixels into the desktop's surfaces,
// and a transition lets events run while it animates.
TEST(QtWidgets, GradientsCopiesAndTransitionsShowInTheWindow) {
    Runner r(true);
    r.run({u"「ウィンドウ4」を作る", u"ウィンドウ4の中の大きさは、200,100",
           u"ウィンドウ4を「赤,青,横」で「0,0,11,5」にグラデーション",
           u"ウィンドウ4を「100,50」へ「0,0,11,5」で画像コピー"});
    EXPECT_TRUE(r.boxes().isEmpty()) << r.boxes().join('\n').toStdString();
    QWidget* window = named(QStringLiteral("ウィンドウ４"));
    ASSERT_TRUE(window);
    auto at = [&](int x, int y) {
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        return colourAt(image, int(x * ratio), int(y * ratio));
    };
    // Column 5 of 0 … 10 is half way from red to blue: 127.5 rounds up.
    EXPECT_EQ(at(5, 2), 0x800080u);
    EXPECT_EQ(at(0, 4), 0xFF0000u);
    EXPECT_EQ(at(105, 52), 0x800080u);
    EXPECT_EQ(at(110, 50), 0x0000FFu);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    r.run({u"ウィンドウ4を黒でフェードアウト"});
    timer.stop();
    EXPECT_GT(ticks, 0) << "events ran while the window faded";
    EXPECT_EQ(at(5, 2), 0u);
    EXPECT_EQ(at(199, 99), 0u);
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
