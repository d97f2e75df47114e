// Browsers on the desktop: a frame holding the page's face. The face is Qt
// WebEngine's view where the WebEngine module loads, else a QTextBrowser
// showing the page the object model fetched: it draws HTML's text, tables,
// lists, pictures from local files and simple styles, and runs no scripts.
#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/qt/qt_web_face.h"
#include "platform/qt/qt_widgets.h"

class QShortcut;
class QVBoxLayout;

namespace qel::qtw {

class BrowserFrame : public QWidget {
  public:
    explicit BrowserFrame(QWidget* parent);
    ~BrowserFrame() override;

    // Where the face's reports go (set when the widget set connects it).
    void setReporter(std::function<void(WidgetEvent)> report) { report_ = std::move(report); }

    // The view showing the page: WebEngine's or the text browser.
    QWidget* face() const;
    // The text browser, when it is the face.
    QTextBrowser* textView() const { return text_; }
    WebFace* webFace() const { return web_.get(); }

    void show(const BrowserContent& bc, const RichChange& change);
    // Tells the object model what the user or the page did.
    void report(RichUserAction action, const Text& text, double x = 0);

  private:
    void setFullScreen(bool on);

    std::unique_ptr<WebFace> web_;
    QPointer<QTextBrowser> text_;
    QVBoxLayout* layout_;  // owned by this frame
    QShortcut* leaveFullScreen_ = nullptr;
    std::function<void(WidgetEvent)> report_;
    bool offline_ = false, fullScreen_ = false;
};

QWidget* makeBrowser(QWidget* parent);
void showBrowser(Entry& e, const RichChange& change);
// A link the user clicks goes to the object model, which goes there.
void connectBrowser(QtWidgets& set, Entry& e);

}  // namespace qel::qtw
