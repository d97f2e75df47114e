#include "platform/qt/qt_host.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <utility>
#include <vector>

#include "platform/ports/box_buttons.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_printing.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

namespace {

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
        case 16:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case 48:
            return QMessageBox::Warning;
        case 64:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton standardButtonOf(int answer) {
    switch (answer) {
        case kCancel:
            return QMessageBox::Cancel;
        case kAbort:
            return QMessageBox::Abort;
        case kRetry:
            return QMessageBox::Retry;
        case kIgnore:
            return QMessageBox::Ignore;
        case kYes:
            return QMessageBox::Yes;
        case kNo:
            return QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

}  // namespace

QtHost::QtHost(std::shared_ptr<QtApplication> application)
    : application_(std::move(application)),
      printJob_(std::make_unique<TextPrintJob>(*application_)) {}

QtHost::~QtHost() = default;

int QtHost::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(iconOf(request.style), toQString(request.caption), toQLines(request.text));
    // Scripts show their text as written; nothing in it is markup.
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    const int preferred = defaultButton(request.style);
    for (int answer : boxButtons(request.style)) {
        QPushButton* button = box.addButton(standardButtonOf(answer));
        buttons.emplace_back(button, answer);
        if (answer == preferred) box.setDefaultButton(button);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, answer] : buttons) {
        if (button == clicked) return answer;
    }
    return dismissButton(request.style);
}

std::optional<Text> QtHost::inputBox(TextView prompt, TextView caption, TextView defaultText) {
    QInputDialog dialog;
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(toQString(caption));
    dialog.setLabelText(toQLines(prompt));
    dialog.setTextValue(toQString(defaultText));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return fromQString(dialog.textValue());
}

void QtHost::setApplicationTitle(TextView title) {
    application_->setTitle(title);
}

void QtHost::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::sleepMs(int milliseconds) {
    if (milliseconds <= 0) {
        pumpEvents();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec();
}

bool QtHost::hasEventSources() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) return true;
    }
    if (qtw::trayIconShowing()) return true;
    return false;
}

std::string QtHost::printText(TextView text, bool onNewPage) {
    return printJob_->print(toQLines(text), onNewPage);
}

std::string QtHost::printPicture(const Picture& picture, bool onNewPage) {
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                       picture.height, picture.width * 4, QImage::Format_ARGB32);
    return printJob_->printImage(image, onNewPage);
}

std::string QtHost::printRichText(const RichTextDocument& document, TextView baseFont,
                                  double baseSize, bool onNewPage) {
    QTextDocument printed;
    QFont font = printed.defaultFont();
    if (!baseFont.empty()) font.setFamilies({toQString(baseFont)});
    if (baseSize > 0) font.setPointSizeF(baseSize);
    printed.setDefaultFont(font);
    qtw::fillRichDocument(printed, document);
    return printJob_->printDocument(printed, onNewPage);
}

void QtHost::endPrintJob() {
    printJob_->end();
}

std::unique_ptr<UiHost> makeDesktopHost(std::string& why) {
    std::shared_ptr<QtApplication> application = QtApplication::open(why);
    if (!application) return nullptr;
    return std::make_unique<QtHost>(std::move(application));
}

}  // namespace qel
