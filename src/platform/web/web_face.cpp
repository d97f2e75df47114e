// The browser's face on Qt WebEngine. The runtime fetches every page the
// script or the user goes to, so that the address, history, title, text,
// source and events are the same as on the console; this view draws the page
// it is handed (fetching its pictures, styles and scripts itself) and runs
// the page's JavaScript. It never goes anywhere by itself: each navigation of
// the page's main frame is refused here and reported, and the runtime decides
// (a javascript:, mailto: … address is refused there, never run).
#include <unistd.h>
#include <QContextMenuEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/qt/qt_web_face.h"

namespace qel::qtw {

namespace {

// setHtml() hands the page over as a data: address, which Chromium takes up
// to 2 MB long; a longer page is loaded from its own address instead.
constexpr qsizetype kMaxDataAddress = 2 * 1024 * 1024 - 4096;

// Chromium refuses to start as root unless its sandbox is off, and a root
// session (a container, a CI machine) is where scripts most often run
// headless. Only then, and only when the user chose nothing, is it turned off.
void prepareChromium() {
    // WebEngine lists its start-up parameters on standard error; a script's
    // user has no use for them (QT_LOGGING_RULES still brings them back).
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
        return true;
    }();
    (void)quiet;
    if (geteuid() != 0) return;
    const char* disabled = std::getenv("QTWEBENGINE_DISABLE_SANDBOX");
    const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if ((disabled && *disabled) || (flags && std::strstr(flags, "--no-sandbox"))) return;
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

bool refusedInFrames(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme != u"http" && scheme != u"https" && scheme != u"file" && scheme != u"about" &&
           scheme != u"data" && scheme != u"blob";
}

// While offline the view fetches nothing from the network: the page's
// pictures and scripts stay away as its own address does.
class OfflineGate : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    std::atomic<bool> offline{false};
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!offline) return;
        const QString scheme = info.requestUrl().scheme().toLower();
        if (scheme != u"file" && scheme != u"data" && scheme != u"about" && scheme != u"blob" &&
            scheme != u"qrc")
            info.block(true);
    }
};

// A javascript: link runs inside the page, so Chromium never asks about it
// as a navigation: a click on one is cancelled before it gets there. Runs in
// a world of its own, before the page's scripts, which cannot remove it.
const char* const kJavaScriptLinkGuard = R"js(
(function () {
    function refused(address) { return /^\s*javascript:/i.test(address || ''); }
    function guardClick(e) {
        var t = e.target;
        var link = t && t.closest ? t.closest('a[href],area[href]') : null;
        if (link && refused(link.getAttribute('href'))) {
            e.preventDefault();
            e.stopImmediatePropagation();
        }
    }
    window.addEventListener('click', guardClick, true);
    window.addEventListener('auxclick', guardClick, true);
    window.addEventListener('submit', function (e) {
        var form = e.target;
        if (form && refused(form.getAttribute('action'))) {
            e.preventDefault();
            e.stopImmediatePropagation();
        }
    }, true);
})();
)js";

class RoutedPage : public QWebEnginePage {
  public:
    RoutedPage(QWebEngineProfile* profile, QObject* parent, WebFace::Reports reports)
        : QWebEnginePage(profile, parent), reports_(std::move(reports)) {}

    const WebFace::Reports& reports() const { return reports_; }
    QUrl base;  // the address of the page shown

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!isMainFrame) return !refusedInFrames(url);
        // Typed: the page this view was handed (setHtml, load).
        if (type == NavigationTypeTyped) return true;
        // A place on the same page: scrolling, no new page.
        if (url.hasFragment() &&
            url.adjusted(QUrl::RemoveFragment) == base.adjusted(QUrl::RemoveFragment))
            return true;
        // The history is the runtime's: the view's own has only what it was handed.
        if (type == NavigationTypeBackForward || type == NavigationTypeReload) return false;
        if (reports_.follow) reports_.follow(url);
        return false;
    }

  private:
    WebFace::Reports reports_;
};

// The standard menu without what would go around the runtime's history or
// save or inspect behind the script's back.
class View : public QWebEngineView {
  public:
    using QWebEngineView::QWebEngineView;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu* menu = createStandardContextMenu();
        for (QWebEnginePage::WebAction gone :
             {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload,
              QWebEnginePage::ReloadAndBypassCache, QWebEnginePage::ViewSource,
              QWebEnginePage::SavePage, QWebEnginePage::InspectElement,
              QWebEnginePage::OpenLinkInNewTab, QWebEnginePage::OpenLinkInNewBackgroundTab,
              QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::DownloadImageToDisk,
              QWebEnginePage::DownloadMediaToDisk})
            menu->removeAction(pageAction(gone));
        menu->setAttribute(Qt::WA_DeleteOnClose, true);
        menu->popup(event->globalPos());
    }
};

// One profile for every browser of the process, kept off the record: no
// cookies or cache are written to the user's disk. Downloads the page starts
// (a link with a download attribute) go through the runtime like links.
QWebEngineProfile* sharedProfile() {
    static QWebEngineProfile* profile = [] {
        QWebEngineProfile* made = QWebEngineProfile::defaultProfile();
        QObject::connect(made, &QWebEngineProfile::downloadRequested, made,
                         [](QWebEngineDownloadRequest* download) {
                             const QUrl address = download->url();
                             auto* page = dynamic_cast<RoutedPage*>(download->page());
                             download->cancel();
                             if (page && page->reports().follow) page->reports().follow(address);
                         });
        return made;
    }();
    return profile;
}

class EngineFace : public WebFace {
  public:
    EngineFace(QWidget* parent, Reports reports) : view_(new View(parent)) {
        gate_ = new OfflineGate(view_);
        page_ = new RoutedPage(sharedProfile(), view_, reports);
        page_->setUrlRequestInterceptor(gate_);
        QWebEngineScript guard;
        guard.setName(QStringLiteral("qelscript-javascript-links"));
        guard.setSourceCode(QString::fromUtf8(kJavaScriptLinkGuard));
        guard.setInjectionPoint(QWebEngineScript::DocumentCreation);
        guard.setWorldId(QWebEngineScript::ApplicationWorld);
        guard.setRunsOnSubFrames(true);
        page_->scripts().insert(guard);
        // Full screen is the runtime's property: the page asks, the runtime
        // answers by making the view full screen (or not).
        page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
        view_->setPage(page_);

        QObject::connect(page_, &QWebEnginePage::linkHovered, view_,
                         [status = reports.status](const QString& address) {
                             if (status) status(address);
                         });
        QObject::connect(page_, &QWebEnginePage::newWindowRequested, view_,
                         [open = reports.newWindow](QWebEngineNewWindowRequest& request) {
                             // Not opened here: the runtime's event decides where.
                             if (open) open(request.requestedUrl());
                         });
        QObject::connect(page_, &QWebEnginePage::fullScreenRequested, view_,
                         [full = reports.fullScreen](QWebEngineFullScreenRequest request) {
                             request.accept();
                             if (full) full(request.toggleOn());
                         });
    }
    ~EngineFace() override {
        // The view owns the page; the page must go before the profile does.
        delete view_.data();
    }

    QWidget* widget() override { return view_; }

    void showPage(const QString& source, bool html, const QUrl& base) override {
        if (!page_) return;
        page_->base = base;
        if (source.isEmpty() && !html) return page_->setHtml(QString(), base);
        const QByteArray bytes = source.toUtf8();
        const QByteArray type = html ? "text/html;charset=UTF-8" : "text/plain;charset=UTF-8";
        if (QByteArray("data:").append(type).append(',').append(bytes.toPercentEncoding()).size() <
            kMaxDataAddress)
            return page_->setContent(bytes, QString::fromLatin1(type), base);
        page_->load(base);
    }

    void setOffline(bool on) override {
        if (gate_) gate_->offline = on;
    }

    void showFound(const QString& text, bool caseSensitive, int number) override {
        if (!page_) return;
        page_->findText(QString());  // from the top of the page
        if (number <= 0 || text.isEmpty()) return;
        const QWebEnginePage::FindFlags flags =
            caseSensitive ? QWebEnginePage::FindCaseSensitively : QWebEnginePage::FindFlags();
        for (int n = 0; n < number; ++n) page_->findText(text, flags);
    }

  private:
    QPointer<View> view_;
    QPointer<RoutedPage> page_;
    QPointer<OfflineGate> gate_;
};

}  // namespace

}  // namespace qel::qtw

extern "C" __attribute__((visibility("default"))) void qel_make_web_face(
    QWidget* parent, qel::qtw::WebFace::Reports reports, std::unique_ptr<qel::qtw::WebFace>& face,
    std::string& why) {
    try {
        qel::qtw::prepareChromium();
        face = std::make_unique<qel::qtw::EngineFace>(parent, std::move(reports));
    } catch (const std::exception& error) {
        face.reset();
        why = error.what();
    } catch (...) {
        face.reset();
        why = "WebEngine failed to start";
    }
}
