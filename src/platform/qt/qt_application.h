// The one Qt application object of the process, and the decision whether a
// display can carry it. Start-up makes it; the Qt host (and the windows and
// controls that join it later) share it.
#pragma once

#include <memory>
#include <string>

#include "text/text.h"

class QApplication;

namespace qel {

class QtPrinters;

class QtApplication {
  public:
    // The application of this process: adopts one that already exists (a
    // test made it), else makes it. Nothing, with the reason in `why`, when
    // no display can be used; `why` stays empty when none is configured.
    // (Qt ends the process when it cannot reach its display, so the display
    // is checked before Qt is asked.)
    static std::shared_ptr<QtApplication> open(std::string& why);
    ~QtApplication();
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    QApplication& application() { return *application_; }

    // The script's title (タイトル): what windows without a caption of their
    // own show, and the name of the program on the desktop.
    const Text& title() const { return title_; }
    void setTitle(TextView title) { title_ = Text(title); }

    // The printers and their settings, shared by the script's printer objects
    // and its print jobs; asked of the print system on first use.
    QtPrinters& printers();

  private:
    QtApplication() = default;

    int argc_ = 1;
    char name_[10] = "qelscript";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> owned_;
    QApplication* application_ = nullptr;
    Text title_ = u"Qelvane";
    std::unique_ptr<QtPrinters> printers_;
};

}  // namespace qel
