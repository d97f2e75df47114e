// The UI host on the desktop: Qt message and input boxes, waits on the Qt
// event loop, printing through Qt Print Support. Windows and controls of
// scripts join it later through the shared QtApplication.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/platform.h"

namespace qel {

class QtApplication;
class TextPrintJob;

class QtHost : public UiHost {
  public:
    explicit QtHost(std::shared_ptr<QtApplication> application);
    ~QtHost() override;

    int messageBox(const MessageBoxRequest& request) override;
    std::optional<Text> inputBox(TextView prompt, TextView caption, TextView defaultText) override;
    void setApplicationTitle(TextView title) override;
    void pumpEvents() override;
    // Waits on the event loop, so events are handled meanwhile and an idle
    // script takes no processor time.
    void sleepMs(int milliseconds) override;
    bool hasEventSources() override;
    std::string printText(TextView text, bool onNewPage) override;
    // Qt's own dialogs (qt_dialogs.cpp), unless a replayed answer is waiting.
    DialogAnswer chooseInDialog(const DialogRequest& request) override;
    void endPrintJob() override;
    // A balloon no tray shows: a desktop notification, else standard error.
    void notify(TextView title, TextView text, int icon) override;
    std::string printPicture(const Picture& picture, bool onNewPage) override;
    std::string printRichText(const RichTextDocument& document, TextView baseFont, double baseSize,
                              bool onNewPage) override;

    QtApplication& application() { return *application_; }
    // For the widget set, which must not outlive the application either.
    std::shared_ptr<QtApplication> sharedApplication() const { return application_; }

  private:
    std::shared_ptr<QtApplication> application_;
    std::unique_ptr<TextPrintJob> printJob_;
};

// The desktop host for start-up: nothing (and why) when no display can be used.
std::unique_ptr<UiHost> makeDesktopHost(std::string& why);

}  // namespace qel
