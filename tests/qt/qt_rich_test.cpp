// The rich controls on real Qt widgets (offscreen): a script fills them and
// the tests look at what the widgets show.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "../unit/script_lines.h"
#include "engine/qel.h"
#include "platform/linux/picture_codec.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_find.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_rich_list.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"
#include "qt_named.h"

namespace qel {
namespace {

// A list view's face for its 詳細 look and the one for its icon looks.
QTreeWidget* listDetails(const QString& name) {
    auto* view = dynamic_cast<qtw::RichListView*>(named<QWidget>(name));
    return view ? &view->details() : nullptr;
}
QListWidget* listIcons(const QString& name) {
    auto* view = dynamic_cast<qtw::RichListView*>(named<QWidget>(name));
    return view ? &view->icons() : nullptr;
}

class RichRun : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        application_ = QtApplication::open(why);
        ASSERT_TRUE(application_) << why;
        Platform platform;
        platform.ui = std::make_unique<QtHost>(application_);
        platform.widgets = std::make_unique<QtWidgets>(application_);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.clock = std::make_unique<SystemClock>();
        platform.pictures = std::make_unique<StandardPictureCodec>();
        qel_ = std::make_unique<Qel>(std::move(platform));
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }

    std::shared_ptr<QtApplication> application_;
    std::unique_ptr<Qel> qel_;
};

TEST_F(RichRun, ListViewShowsColumnsRowsChecksAndTheSortedOrder) {
    run({u"「リストビュー1」を作る", u"リストビュー1の見た目は、「詳細」",
         u"リストビュー1のチェックボックスは、1", u"「リストビュー1の見出し」に「品名」を追加",
         u"「リストビュー1の見出し」に「値段」を追加", u"「リストビュー1」に「りんご,120」を追加",
         u"「リストビュー1」に「みかん,80」を追加", u"リストビュー1の2番目のチェックは、1",
         u"リストビュー1の並び替え対象は、2"});
    auto* view = listDetails("リストビュー１");
    ASSERT_TRUE(view);
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->headerItem()->text(1), "値段");
    EXPECT_FALSE(view->isHeaderHidden());
    EXPECT_EQ(view->topLevelItem(0)->text(0), "みかん");
    EXPECT_EQ(view->topLevelItem(0)->text(1), "80");
    EXPECT_EQ(view->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(view->topLevelItem(1)->checkState(0), Qt::Unchecked);
}

TEST_F(RichRun, TreeViewNestsNodesUnderTheirPaths) {
    run({u"「ツリービュー1」を作る", u"「ツリービュー1」に「果物」を追加",
         u"「ツリービュー1の果物」に「りんご」を追加", u"ツリービュー1の選択は、「果物\\りんご」",
         u"ツリービュー1の1番目の太字は、1"});
    auto* view = named<QTreeWidget>("ツリービュー１");
    ASSERT_TRUE(view);
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem* top = view->topLevelItem(0);
    EXPECT_TRUE(top->font(0).bold());
    ASSERT_EQ(top->childCount(), 1);
    EXPECT_EQ(top->child(0)->text(0), "りんご");
    EXPECT_TRUE(top->isExpanded());  // selecting a node opens its parents
    EXPECT_TRUE(top->child(0)->isSelected());
}

TEST_F(RichRun, GridShowsTheTableTextAndTheCurrentCellsLook) {
    run({u"「表1」を作る", u"表1の全内容は、「,名前［改行］1,りんご［改行］2,みかん」",
         u"表1のセルの位置は、1,2", u"表1のセルの太字は、1", u"表1のセルの背景色は、赤",
         u"「表1」に「ぶどう」を追加"});
    auto* view = named<QTableView>("表１");
    ASSERT_TRUE(view);
    QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->index(3, 1).data().toString(), "ぶどう");
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->index(2, 1).data().toString(), "みかん");
    EXPECT_TRUE(model->index(2, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(2, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(255, 0, 0));
    EXPECT_EQ(view->currentIndex(), model->index(2, 1));
}

TEST_F(RichRun, BarsShowTabsPanelsAndRanges) {
    run({u"「タブ1」を作る", u"「タブ1」に「一般」を追加", u"「タブ1」に「詳細」を追加",
         u"タブ1の選択は、2", u"「ステータスバー1」を作る",
         u"ステータスバー1の1番目の内容は、「準備完了」", u"「スライダ1」を作る",
         u"スライダ1の数字は、7", u"「プログレスバー1」を作る", u"プログレスバー1の数字は、40"});
    auto* tabs = named<QTabBar>("タブ１");
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->currentIndex(), 1);
    auto* status = named<QStatusBar>("ステータスバー１");
    ASSERT_TRUE(status);
    auto labels = status->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), "準備完了");
    auto* slider = named<QSlider>("スライダ１");
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->value(), 7);
    EXPECT_EQ(slider->maximum(), 10);
    auto* progress = named<QProgressBar>("プログレスバー１");
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->value(), 40);
}

TEST_F(RichRun, StatusBarTimeAndDatePanelsFollowTheClock) {
    run({u"「ステータスバー1」を作る", u"「ステータスバー1」に「時間」を追加",
         u"「ステータスバー1」に「日付」を追加", u"ステータスバー1の2番目の種類は、「時間」",
         u"ステータスバー1の3番目の種類は、「日付」"});
    auto* status = named<QStatusBar>("ステータスバー１");
    ASSERT_TRUE(status);
    auto labels = status->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 3);
    // The panel ticks every second, so what it shows is at most a second old
    // (some locales' short format shows seconds).
    const QLocale locale = QLocale::system();
    QTest::qWait(1100);  // a tick of the panels' clock
    const QString shown = labels[1]->text();
    const QTime now = QTime::currentTime();
    bool current = false;
    for (int back = 0; back <= 2; ++back)
        current = current || shown == locale.toString(now.addSecs(-back), QLocale::ShortFormat);
    EXPECT_TRUE(current) << shown.toStdString();
    EXPECT_EQ(labels[2]->text(), locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    // A bar without automatic panels keeps no clock.
    run({u"ステータスバー1の2番目の種類は、「文字」", u"ステータスバー1の3番目の種類は、「文字」"});
    EXPECT_FALSE(status->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly));
}

// Appends to the log box: 「テキスト1」 collects what the procedures saw.
constexpr TextView kLog = u"　テキスト1の内容は、テキスト1の内容＆";

TEST_F(RichRun, WhatTheUserDoesToTheViewsRunsTheProceduresAndChangesTheContent) {
    run({u"「テキスト1」を作る",
         u"「タブ1」を作る",
         u"「タブ1」に「一般」を追加",
         u"「タブ1」に「詳細」を追加",
         u"「ツールバー1」を作る",
         u"「ツールバー1」に「開く」を追加",
         u"「ツールバー1」に「太字」を追加",
         u"ツールバー1の2番目のスタイルは、「チェック」",
         u"「リストビュー1」を作る",
         u"リストビュー1の見た目は、「詳細」",
         u"リストビュー1のチェックボックスは、1",
         u"リストビュー1のラベル編集は、1",
         u"「リストビュー1の見出し」に「品名」を追加",
         u"「リストビュー1の見出し」に「値段」を追加",
         u"「リストビュー1」に「りんご,120」を追加",
         u"「リストビュー1」に「みかん,80」を追加",
         u"「ツリービュー1」を作る",
         u"「ツリービュー1」に「果物」を追加",
         u"「ツリービュー1の果物」に「りんご」を追加",
         u"「表1」を作る",
         u"表1の全内容は、「,名前,値段［改行］1,りんご,120［改行］2,みかん,80」",
         u"「スライダ1」を作る",
         u"手順は　タブ1の2番目のタブをクリック",
         Text(kLog) + u"「タブ［タブ1の選択］;」",
         u"終わり",
         u"手順は　ツールバー1の2番目のボタンをクリック",
         Text(kLog) + u"「ボタン［ツールバー1の2番目のチェック］;」",
         u"終わり",
         u"手順は　リストビュー1をチェック",
         Text(kLog) + u"「チェック［リストビュー1の1番目のチェック］;」",
         u"終わり",
         u"手順は　リストビュー1のラベル編集直後",
         Text(kLog) + u"「名前［リストビュー1のラベル編集後］;」",
         u"終わり",
         u"手順は　ツリービュー1を展開",
         Text(kLog) + u"「展開;」",
         u"終わり",
         u"手順は　表1のセルを移動",
         Text(kLog) + u"「セル［表1のセルの位置］;」",
         u"終わり",
         u"手順は　スライダ1が変化",
         Text(kLog) + u"「スライダ［スライダ1の数字］;」",
         u"終わり"});
    auto* log = named<QLineEdit>("テキスト１");
    auto* tabs = named<QTabBar>("タブ１");
    auto* bar = named<QToolBar>("ツールバー１");
    auto* list = listDetails("リストビュー１");
    auto* tree = named<QTreeWidget>("ツリービュー１");
    auto* grid = named<QTableView>("表１");
    auto* slider = named<QSlider>("スライダ１");
    ASSERT_TRUE(log && tabs && bar && list && tree && grid && slider);

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    bar->actions().at(1)->trigger();
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QTest::qWait(20);  // the reports go through the event queue
    list->topLevelItem(1)->setText(0, "いよかん");
    tree->expandItem(tree->topLevelItem(0));
    grid->setCurrentIndex(grid->model()->index(2, 2));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::qWait(20);
    EXPECT_EQ(log->text(), "タブ2;ボタン1;チェック1;名前いよかん;展開;セル2,2;スライダ1;");

    // A header click without a procedure of its own sorts by that column
    // (the header has its place once its window is shown).
    list->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    QTest::qWait(20);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "いよかん");  // 80 before 120
    // A heading cell is not the user's to move to: the grid goes back.
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::qWait(20);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(grid->currentIndex().column(), 2);
}

TEST_F(RichRun, RichTextShowsTheLooksAndLayoutTheScriptGave) {
    run({u"「拡張テキスト1」を作る", u"拡張テキスト1の内容は、「太字と普通［改行］二行目」",
         u"拡張テキスト1の選択スタートは、0", u"拡張テキスト1の選択長さは、2",
         u"拡張テキスト1の選択太字は、1", u"拡張テキスト1の選択色は、赤",
         u"拡張テキスト1の選択スタートは、8", u"拡張テキスト1の選択文字位置は、「中央揃え」",
         u"拡張テキスト1の選択左余白は、10"});
    auto* edit = named<QTextEdit>("拡張テキスト１");
    ASSERT_TRUE(edit);
    QTextDocument* doc = edit->document();
    ASSERT_EQ(doc->blockCount(), 2);
    QTextCursor c(doc);
    c.setPosition(1);  // the look of the character before: 太
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
    c.setPosition(4);  // after 普
    EXPECT_NE(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(doc->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(doc->lastBlock().blockFormat().leftMargin(), 10);
    EXPECT_EQ(doc->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
    // The caret stays where the script put it: position 8 counts CR LF as two.
    EXPECT_EQ(edit->textCursor().position(), 7);
}

TEST_F(RichRun, ScriptChangesToARichTextBoxAreNotTheUsers) {
    run({u"「拡張テキスト1」を作る", u"「テキスト1」を作る", u"拡張テキスト1の内容は、「abc」"});
    auto* edit = named<QTextEdit>("拡張テキスト１");
    ASSERT_TRUE(edit);
    // The log box of this run's window (earlier tests left boxes of the same name).
    QLineEdit* box = nullptr;
    for (auto* candidate : edit->window()->findChildren<QLineEdit*>()) {
        if (candidate->accessibleName() == "テキスト１") box = candidate;
    }
    ASSERT_TRUE(box);
    edit->window()->show();
    edit->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(edit->window()));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    // Looks and selected text set by the script while the box has the focus.
    // (Each run is a program of its own: the procedure comes with it.)
    run({u"拡張テキスト1の選択スタートは、0", u"拡張テキスト1の選択長さは、2",
         u"拡張テキスト1の選択太字は、1", u"拡張テキスト1の選択は、「xy」",
         u"手順は　拡張テキスト1が変化", u"　テキスト1の内容は、「変化」", u"終わり"});
    EXPECT_EQ(edit->toPlainText(), "xyc");
    EXPECT_EQ(box->text(), "");
    // The user typing is.
    QTest::keyClicks(edit, "z");
    EXPECT_EQ(box->text(), "変化");
}

TEST_F(RichRun, WhatTheUserTypesKeepsItsLookThroughTheScriptAndRtf) {
    run({u"「拡張テキスト1」を作る", u"「テキスト1」を作る", u"拡張テキスト1の内容は、「ab」",
         u"拡張テキスト1の選択スタートは、0", u"拡張テキスト1の選択長さは、2",
         u"拡張テキスト1の選択太字は、1"});
    auto* edit = named<QTextEdit>("拡張テキスト１");
    auto* box = named<QLineEdit>("テキスト１");
    ASSERT_TRUE(edit && box);
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, "cd");
    ASSERT_EQ(edit->toPlainText(), "abcd");
    // Typed after a bold letter, the new letters are bold too.
    run({u"拡張テキスト1の選択スタートは、2", u"拡張テキスト1の選択長さは、2",
         u"テキスト1の内容は、拡張テキスト1の選択太字"});
    EXPECT_EQ(box->text(), "1");
    // Out through RTF and back in: the text and its looks survive.
    run({u"R は 拡張テキスト1のRTF内容", u"拡張テキスト1の内容は、「」",
         u"拡張テキスト1のRTF内容は、R", u"拡張テキスト1の選択スタートは、0",
         u"拡張テキスト1の選択長さは、4", u"テキスト1の内容は、拡張テキスト1の選択"});
    EXPECT_EQ(box->text(), "abcd");
    QTextCursor c(edit->document());
    c.setPosition(4);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
}

// A 16 × 16 picture: magenta around a red square (4 … 11).
QString framedPicture(const QTemporaryDir& dir) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    for (int y = 4; y < 12; ++y) {
        for (int x = 4; x < 12; ++x) image.setPixelColor(x, y, QColor(255, 0, 0));
    }
    const QString file = dir.filePath("framed.png");
    image.save(file);
    return file;
}

// Counts the pixels of `image` inside `area` that have exactly `colour`.
int pixelsOf(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb()) ++n;
        }
    }
    return n;
}

TEST_F(RichRun, ItemsShowTheirPictureWithTheTransparentColourSeenThrough) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Text file = fromQString(framedPicture(dir));
    run({u"「リストビュー1」を作る", u"リストビュー1の見た目は、「小さいアイコン」",
         Text(u"「リストビュー1の小さい絵」に「") + file + u"」を追加",
         u"リストビュー1の透明色は、「&hFF00FF」", u"「リストビュー1」に「りんご」を追加",
         u"「リストビュー1」に「みかん」を追加", u"リストビュー1の1番目の小さいアイコンは、1",
         u"「ツールバー1」を作る", u"「ツールバー1」に「開く」を追加",
         Text(u"ツールバー1の1番目の絵は、「") + file + u"」"});
    auto* view = listIcons("リストビュー１");
    ASSERT_TRUE(view);
    view->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QImage shown = view->viewport()->grab().toImage();
    const QRect first = view->visualItemRect(view->item(0));
    const QRect second = view->visualItemRect(view->item(1));
    // The red square shows in the first row only; the magenta frame nowhere.
    const qreal scale = shown.devicePixelRatio();
    auto inImage = [&](QRect r) {
        return QRect(r.topLeft() * scale, r.size() * scale) & shown.rect();
    };
    EXPECT_GE(pixelsOf(shown, inImage(first), QColor(255, 0, 0)), 36);
    EXPECT_EQ(pixelsOf(shown, inImage(second), QColor(255, 0, 0)), 0);
    EXPECT_EQ(pixelsOf(shown, shown.rect(), QColor(255, 0, 255)), 0);
    // The tool bar's button has no transparent colour: its frame stays.
    auto* bar = named<QToolBar>("ツールバー１");
    ASSERT_TRUE(bar && !bar->actions().isEmpty());
    const QImage icon = bar->actions().front()->icon().pixmap(QSize(16, 16)).toImage();
    EXPECT_EQ(icon.pixelColor(0, 0).rgb(), QColor(255, 0, 255).rgb());
    EXPECT_EQ(icon.pixelColor(8, 8).rgb(), QColor(255, 0, 0).rgb());
}

TEST_F(RichRun, AListViewKeepsItsRowsChecksPicturesAndEventsThroughEveryLook) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Text file = fromQString(framedPicture(dir));
    run({u"「テキスト1」を作る",
         u"「リストビュー1」を作る",
         u"リストビュー1の大きさは、300,200",
         u"リストビュー1のチェックボックスは、1",
         Text(u"「リストビュー1の大きい絵」に「") + file + u"」を追加",
         Text(u"「リストビュー1の小さい絵」に「") + file + u"」を追加",
         u"リストビュー1の透明色は、「&hFF00FF」",
         u"「リストビュー1の見出し」に「品名」を追加",
         u"「リストビュー1」に「りんご」を追加",
         u"「リストビュー1」に「みかん」を追加",
         u"「リストビュー1」に「ぶどう」を追加",
         u"リストビュー1の1番目の大きいアイコンは、1",
         u"リストビュー1の1番目の小さいアイコンは、1",
         u"リストビュー1の2番目のチェックは、1",
         u"「ボタン1」を作る",
         u"「ボタン2」を作る",
         u"手順は　リストビュー1をクリック",
         Text(kLog) + u"「クリック［リストビュー1の番号］;」",
         u"終わり",
         u"手順は　リストビュー1をチェック",
         Text(kLog) + u"「チェック［リストビュー1の1番目のチェック］;」",
         u"終わり",
         u"手順は　ボタン1をクリック",
         u"　リストビュー1の見た目は、「一覧」",
         u"終わり",
         u"手順は　ボタン2をクリック",
         u"　リストビュー1の見た目は、「詳細」",
         u"終わり"});
    auto* log = named<QLineEdit>("テキスト１");
    auto* icons = listIcons("リストビュー１");
    auto* details = listDetails("リストビュー１");
    auto* toList = named<QAbstractButton>("ボタン１");
    auto* toDetails = named<QAbstractButton>("ボタン２");
    ASSERT_TRUE(log && icons && details && toList && toDetails);
    icons->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(icons->window()));
    ASSERT_TRUE(icons->isVisible());
    EXPECT_EQ(icons->viewMode(), QListView::IconMode);
    ASSERT_EQ(icons->count(), 3);
    const qreal scale = icons->viewport()->devicePixelRatioF();
    auto redIn = [&](QAbstractItemView& face, const QModelIndex& index) {
        const QImage shown = face.viewport()->grab().toImage();
        const QRect r = face.visualRect(index);
        return pixelsOf(shown, QRect(r.topLeft() * scale, r.size() * scale) & shown.rect(),
                        QColor(255, 0, 0));
    };
    EXPECT_GE(redIn(*icons, icons->model()->index(0, 0)), 36);
    EXPECT_EQ(redIn(*icons, icons->model()->index(1, 0)), 0);

    // The user picks the third row on the large icons: the click reaches the procedure once.
    QTest::mouseClick(icons->viewport(), Qt::LeftButton, {},
                      icons->visualItemRect(icons->item(2)).center());
    EXPECT_TRUE(icons->item(2)->isSelected());
    EXPECT_EQ(log->text(), "クリック3;");

    toList->click();
    EXPECT_EQ(icons->viewMode(), QListView::ListMode);
    EXPECT_EQ(icons->flow(), QListView::TopToBottom);
    ASSERT_EQ(icons->count(), 3);
    EXPECT_TRUE(icons->item(2)->isSelected());
    EXPECT_EQ(icons->item(1)->checkState(), Qt::Checked);
    EXPECT_GE(redIn(*icons, icons->model()->index(0, 0)), 36);

    toDetails->click();
    ASSERT_TRUE(details->isVisible());
    EXPECT_EQ(icons->count(), 0);  // only the face shown holds rows
    ASSERT_EQ(details->topLevelItemCount(), 3);
    EXPECT_EQ(details->topLevelItem(2)->text(0), "ぶどう");
    EXPECT_TRUE(details->topLevelItem(2)->isSelected());
    EXPECT_EQ(details->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(details->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_GE(redIn(*details, details->model()->index(0, 0)), 36);
    QTest::mouseClick(details->viewport(), Qt::LeftButton, {},
                      details->visualItemRect(details->topLevelItem(0)).center());
    EXPECT_EQ(log->text(), "クリック3;クリック1;");
    // A check the user makes on the details face is the content's.
    details->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QTest::qWait(20);
    EXPECT_EQ(log->text(), "クリック3;クリック1;チェック1;");
}

// The rows and nodes the user picks with the mouse or the keys are the ones
// the script reads, on either face of a list view.
TEST_F(RichRun, WhatTheUserPicksIsWhatTheScriptReads) {
    run({u"「テキスト1」を作る", u"「リストビュー1」を作る", u"リストビュー1の見た目は、「詳細」",
         u"リストビュー1の複数選択は、1", u"「リストビュー1の見出し」に「品名」を追加",
         u"「リストビュー1」に「りんご」を追加", u"「リストビュー1」に「みかん」を追加",
         u"「リストビュー1」に「ぶどう」を追加", u"「ツリービュー1」を作る",
         u"「ツリービュー1」に「果物」を追加", u"「ツリービュー1の果物」に「りんご」を追加",
         u"「ボタン1」を作る", u"手順は　ボタン1をクリック",
         Text(kLog) +
             u"「［リストビュー1の番号］［リストビュー1の選択一覧］/［ツリービュー1の選択］;」",
         u"終わり"});
    auto* log = named<QLineEdit>("テキスト１");
    auto* details = listDetails("リストビュー１");
    auto* tree = named<QTreeWidget>("ツリービュー１");
    auto* report = named<QAbstractButton>("ボタン１");
    ASSERT_TRUE(log && details && tree && report);
    details->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(details->window()));
    auto rowAt = [&](int row) {
        return details->visualItemRect(details->topLevelItem(row)).center();
    };
    QTest::mouseClick(details->viewport(), Qt::LeftButton, {}, rowAt(0));
    QTest::mouseClick(details->viewport(), Qt::LeftButton, Qt::ControlModifier, rowAt(2));
    tree->topLevelItem(0)->setExpanded(true);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    report->click();
    EXPECT_EQ(log->text(), "1りんご,ぶどう/果物\\りんご;");
    // The keys move the pick; nothing picked reads as 0.
    details->setFocus();
    QTest::keyClick(details, Qt::Key_Up);
    report->click();
    details->clearSelection();
    report->click();
    EXPECT_EQ(log->text(), "1りんご,ぶどう/果物\\りんご;2みかん/果物\\りんご;0/果物\\りんご;");
}

TEST_F(RichRun, TheUserCannotChangeProtectedTextEvenAfterAnRtfRoundTrip) {
    run({u"「拡張テキスト1」を作る", u"拡張テキスト1の内容は、「abcdef」",
         u"拡張テキスト1の選択スタートは、2", u"拡張テキスト1の選択長さは、2",
         u"拡張テキスト1の選択文字ロックは、1", u"R は 拡張テキスト1のRTF内容",
         u"拡張テキスト1の内容は、「」", u"拡張テキスト1のRTF内容は、R"});
    auto* edit = named<QTextEdit>("拡張テキスト１");
    ASSERT_TRUE(edit);
    edit->setFocus();
    auto caretAt = [&](int position, int length = 0) {
        QTextCursor c(edit->document());
        c.setPosition(position);
        c.setPosition(position + length, QTextCursor::KeepAnchor);
        edit->setTextCursor(c);
    };
    // Inside the protected "cd": typing, deleting either way, cutting.
    caretAt(3);
    QTest::keyClicks(edit, "X");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    caretAt(1, 2);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClicks(edit, "Y");
    caretAt(0, 6);
    QTest::keyClick(edit, Qt::Key_Delete);
    // Undoing would take back the script's own changes, and the protection with them.
    ASSERT_TRUE(edit->document()->isUndoAvailable());
    for (int i = 0; i < 6; ++i) QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->toPlainText(), "abcdef");
    // Next to it and elsewhere the user edits as usual, and what is typed
    // right after the protected text is not protected itself.
    caretAt(4);
    QTest::keyClicks(edit, "Z");
    caretAt(6);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->toPlainText(), "abcdZf");
    caretAt(4);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->toPlainText(), "abcdf");
    // The user's own edits can still be undone.
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->toPlainText(), "abcdZf");
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST_F(RichRun, TheBrowserShowsPagesFollowsLinksAndGoesBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeFile(dir.filePath("a.html"),
              "<html><head><title>A</title></head><body><p>first <a href=\"b.txt\">on</a></p>"
              "<script>alert(1)</script></body></html>");
    writeFile(dir.filePath("b.txt"), "<b>plain</b>");
    const Text page = fromQString(dir.filePath("a.html"));
    run({u"「テキスト1」を作る", u"「ブラウザ1」を作る", u"手順は　ブラウザ1の読み込み完了",
         Text(kLog) + u"「［ブラウザ1のタイトル］;」", u"終わり",
         Text(u"ブラウザ1のアドレスは、「") + page + u"」"});
    // Without the WebEngine module the page is shown by a text browser.
    QWidget* frame = named<QWidget>("ブラウザ１");
    auto* view = frame ? frame->findChild<QTextBrowser*>() : nullptr;
    auto* log = named<QLineEdit>("テキスト１");
    ASSERT_TRUE(view && log);
    EXPECT_EQ(view->toPlainText(), "first on");
    EXPECT_EQ(view->documentTitle(), "A");
    // The user follows the link: the plain-text page shows its tags as text.
    emit view->anchorClicked(QUrl("b.txt"));
    QTest::qWait(20);  // the report goes through the event queue
    EXPECT_EQ(view->toPlainText(), "<b>plain</b>");
    EXPECT_EQ(log->text(), "A;b.txt;");
    run({u"「ブラウザ1」を戻る"});
    EXPECT_EQ(view->toPlainText(), "first on");

    // 検索: each match the find dialog finds is selected where the page shows it.
    writeFile(dir.filePath("c.html"), "<p>Ab <b>ab</b></p><p>xab</p>");
    run({Text(u"ブラウザ1のアドレスは、「") + fromQString(dir.filePath("c.html")) + u"」",
         u"「ブラウザ1」を検索"});
    QtFindDialog* dialog = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* found = dynamic_cast<QtFindDialog*>(top)) dialog = found;
    }
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_FALSE(dialog->replaceEdit()->isVisible());
    dialog->findEdit()->setText("ab");
    for (int start : {0, 3, 7}) {
        dialog->button(kFindNext)->click();
        QTest::qWait(10);
        EXPECT_EQ(view->textCursor().selectionStart(), start);
        EXPECT_EQ(view->textCursor().selectedText().toLower(), "ab");
    }
    dialog->close();
}

}  // namespace
}  // namespace qel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The browser tests here are of its lighter face, without WebEngine.
    qputenv("QELSCRIPT_WEB_MODULE", "none");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
