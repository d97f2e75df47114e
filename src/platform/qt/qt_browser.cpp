// The desktop's browser view. Links never open by themselves: a click is
// reported to the object model, which fetches the page (or refuses its
// address) and hands it back to be shown, so the history and the events are
// the same as on every other host.
#include "platform/qt/qt_browser.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include "platform/qt/qt_text.h"

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

}  // namespace

QWidget* makeBrowser(QWidget* parent) {
    auto* view = new QTextBrowser(parent);
    view->setOpenLinks(false);
    view->setOpenExternalLinks(false);
    return view;
}

void showBrowser(Entry& e, const RichChange& change) {
    auto* view = qobject_cast<QTextBrowser*>(e.widget.data());
    if (!view || !e.rich || change.kind == RichChange::Settings) return;
    if (change.kind == RichChange::Current) return showFound(*view, e.rich->browser);
    const BrowserPage& page = e.rich->browser.page;
    const QString folder = folderOf(page.address);
    view->setSearchPaths(folder.isEmpty() ? QStringList() : QStringList{folder});
    if (page.html) {
        view->setHtml(toQString(page.source));
    } else {
        view->setPlainText(toQString(page.source));
    }
}

void connectBrowser(QtWidgets& set, Entry& e) {
    auto* view = qobject_cast<QTextBrowser*>(e.widget.data());
    if (!view) return;
    const WidgetId id = e.id;
    QObject::connect(view, &QTextBrowser::anchorClicked, view, [&set, view, id](const QUrl& url) {
        const QString link = url.toString();
        if (link.startsWith(u'#')) return view->scrollToAnchor(url.fragment());
        // Through the event queue: the answer replaces the very page whose
        // link is being clicked.
        QMetaObject::invokeMethod(
            view,
            [&set, id, text = fromQString(link)] {
                WidgetEventSink* sink = set.eventSink();
                if (!sink || !set.find(id)) return;
                WidgetEvent event = eventOf(id, WidgetEventType::RichAction);
                event.rich = RichUserAction::FollowLink;
                event.text = text;
                try {
                    sink->widgetEvent(event);
                } catch (...) {
                    // Nothing crosses the toolkit.
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace qel::qtw
