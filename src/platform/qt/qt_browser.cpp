// The desktop's browser view. Links never open by themselves: a click (or a
// page's own script navigating) is reported to the object model, which
// fetches the page (or refuses its address) and hands it back to be shown,
// so the history and the events are the same as on every other host.
#include "platform/qt/qt_browser.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMetaObject>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_web_loader.h"

namespace qel::qtw {

namespace {

// The folder pictures and style sheets of a local page are found in.
QString folderOf(const Text& address) {
    QString path = toQString(address);
    if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    if (path.contains(QStringLiteral("://")) || path.startsWith(QStringLiteral("about:")))
        return {};
    return QFileInfo(path).absolutePath();
}

// The address a page's links and pictures are found from: a plain path
// becomes a file address.
QUrl baseOf(const Text& address) {
    const QString text = toQString(address);
    if (text.isEmpty()) return QUrl(QStringLiteral("about:blank"));
    const QUrl url(text);
    if (url.scheme().size() > 1) return url;  // one letter would be a drive
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

// The find dialog's match, selected where the page shows it: the same match
// of the text as the object model found in the page's text.
void showFound(QTextBrowser& view, const BrowserContent& bc) {
    QTextCursor cursor(view.document());
    const QTextDocument::FindFlags flags =
        bc.foundCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
    for (int n = 0; n < bc.foundNumber; ++n) {
        QTextCursor next = view.document()->find(toQString(bc.found), cursor, flags);
        if (next.isNull()) break;  // the view counts fewer: its last match stands
        cursor = next;
    }
    if (bc.foundNumber == 0 || !cursor.hasSelection()) cursor.clearSelection();
    view.setTextCursor(cursor);
    view.ensureCursorVisible();
}

void showInText(QTextBrowser& view, const BrowserPage& page) {
    const QString folder = folderOf(page.address);
    view.setSearchPaths(folder.isEmpty() ? QStringList() : QStringList{folder});
    if (page.html) {
        view.setHtml(toQString(page.source));
    } else {
        view.setPlainText(toQString(page.source));
    }
}

// Says once per process why a WebEngine face could not be made.
void sayNoWebFace(const std::string& why) {
    static bool said = false;
    if (said) return;
    said = true;
    std::fprintf(stderr, "qelscript: browsers show pages without WebEngine (%s)\n", why.c_str());
}

}  // namespace

BrowserFrame::BrowserFrame(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    if (MakeWebFace make = webFaceFactory()) {
        QPointer<BrowserFrame> self(this);
        WebFace::Reports reports;
        reports.follow = [self](const QUrl& url) {
            if (self) self->report(RichUserAction::FollowLink, fromQString(url.toString()));
        };
        reports.newWindow = [self](const QUrl& url) {
            if (self) self->report(RichUserAction::NewWindowLink, fromQString(url.toString()));
        };
        reports.status = [self](const QString& text) {
            if (self) self->report(RichUserAction::PageStatus, fromQString(text));
        };
        reports.fullScreen = [self](bool on) {
            if (self) self->report(RichUserAction::PageFullScreen, {}, on ? 1 : 0);
        };
        std::string why;
        try {
            make(this, std::move(reports), web_, why);
        } catch (...) {
            web_.reset();
            why = "WebEngine failed to start";
        }
        if (!web_) sayNoWebFace(why);
    }
    if (web_) {
        layout_->addWidget(web_->widget());
    } else {
        text_ = new QTextBrowser(this);
        text_->setOpenLinks(false);
        text_->setOpenExternalLinks(false);
        layout_->addWidget(text_);
    }
    setFocusProxy(face());
}

// The face goes before the frame's children, which Qt deletes after this.
BrowserFrame::~BrowserFrame() = default;

QWidget* BrowserFrame::face() const {
    return web_ ? web_->widget() : static_cast<QWidget*>(text_.data());
}

void BrowserFrame::report(RichUserAction action, const Text& text, double x) {
    if (!report_) return;
    WidgetEvent event = eventOf(0, WidgetEventType::RichAction, 0, x);
    event.rich = action;
    event.text = text;
    report_(std::move(event));
}

void BrowserFrame::show(const BrowserContent& bc, const RichChange& change) {
    if (change.kind == RichChange::Settings) {
        if (web_ && bc.offline != offline_) web_->setOffline(bc.offline);
        offline_ = bc.offline;
        return setFullScreen(bc.fullScreen);
    }
    if (change.kind == RichChange::Current) {
        if (web_) return web_->showFound(toQString(bc.found), bc.foundCase, bc.foundNumber);
        return showFound(*text_, bc);
    }
    if (web_) {
        web_->showPage(toQString(bc.page.source), bc.page.html, baseOf(bc.page.address));
    } else if (text_) {
        showInText(*text_, bc.page);
    }
}

// Full screen takes the page's view out of the script's window onto a
// screen of its own; Escape, or the script, brings it back.
void BrowserFrame::setFullScreen(bool on) {
    QWidget* view = face();
    if (!view || on == fullScreen_) return;
    fullScreen_ = on;
    if (!leaveFullScreen_) {
        leaveFullScreen_ = new QShortcut(QKeySequence(Qt::Key_Escape), view);
        leaveFullScreen_->setContext(Qt::WindowShortcut);
        QObject::connect(leaveFullScreen_, &QShortcut::activated, this,
                         [this] { report(RichUserAction::PageFullScreen, {}, 0); });
    }
    // Only while full screen: Escape in the script's window stays its own.
    leaveFullScreen_->setEnabled(on);
    if (on) {
        view->setWindowFlags(Qt::Window);
        view->showFullScreen();
    } else {
        view->setWindowFlags(Qt::Widget);
        layout_->addWidget(view);
        view->showNormal();
        view->show();
    }
}

QWidget* makeBrowser(QWidget* parent) {
    return new BrowserFrame(parent);
}

void showBrowser(Entry& e, const RichChange& change) {
    auto* frame = dynamic_cast<BrowserFrame*>(e.widget.data());
    if (frame && e.rich) frame->show(e.rich->browser, change);
}

void connectBrowser(QtWidgets& set, Entry& e) {
    auto* frame = dynamic_cast<BrowserFrame*>(e.widget.data());
    if (!frame) return;
    const WidgetId id = e.id;
    // Through the event queue: the answer replaces the very page whose link
    // is being clicked, and the view is never re-entered from its own signal.
    frame->setReporter([&set, frame, id](WidgetEvent event) {
        event.widget = id;
        QMetaObject::invokeMethod(
            frame,
            [&set, id, event = std::move(event)] {
                WidgetEventSink* sink = set.eventSink();
                if (!sink || !set.find(id)) return;
                try {
                    sink->widgetEvent(event);
                } catch (...) {
                    // Nothing crosses the toolkit.
                }
            },
            Qt::QueuedConnection);
    });
    QTextBrowser* view = frame->textView();
    if (!view) return;
    QObject::connect(view, &QTextBrowser::anchorClicked, view, [frame, view](const QUrl& url) {
        const QString link = url.toString();
        if (link.startsWith(u'#')) return view->scrollToAnchor(url.fragment());
        frame->report(RichUserAction::FollowLink, fromQString(link));
    });
}

}  // namespace qel::qtw
