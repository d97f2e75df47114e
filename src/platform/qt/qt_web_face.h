// The face of the browser kind on the desktop, behind an interface of its
// own: the face on Qt WebEngine lives in a module (qelscript-web.so) that
// only machines with WebEngine installed can load, so the desktop module
// must not link it. Only Qt and standard types cross between the two.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace qel::qtw {

class WebFace {
  public:
    // What the page reports. Every call comes from the event loop, never
    // from inside the engine's own call stack, and may run script
    // procedures; the face must outlive nothing it hands out.
    struct Reports {
        // The user or the page's own script asks to go to `address` in
        // this view; it is not gone there: the runtime decides.
        std::function<void(const QUrl& address)> follow;
        // … in a new window (a target="_blank" link, window.open).
        std::function<void(const QUrl& address)> newWindow;
        // The text of the status line: the link under the mouse, or empty.
        std::function<void(const QString& text)> status;
        // The page entered or left full screen by itself.
        std::function<void(bool on)> fullScreen;
    };

    virtual ~WebFace() = default;
    // The view, a child of the parent the face was made with.
    virtual QWidget* widget() = 0;
    // Shows a page the runtime fetched; `base` is its address, against
    // which its links, pictures and styles are found.
    virtual void showPage(const QString& source, bool html, const QUrl& base) = 0;
    // Offline: the view itself fetches nothing from the network either.
    virtual void setOffline(bool on) = 0;
    // Selects the `number`th match (from 1; 0 clears the selection).
    virtual void showFound(const QString& text, bool caseSensitive, int number) = 0;
};

// The module's entry point, "qel_make_web_face": a face in `parent`, or
// none with `why` saying what stopped it.
using MakeWebFace = void (*)(QWidget* parent, WebFace::Reports reports,
                             std::unique_ptr<WebFace>& face, std::string& why);

}  // namespace qel::qtw
