#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>

#include "platform/qt/qt_printers.h"

#ifdef QEL_QT_PROBE_X11
#include <X11/Xlib.h>
#endif

// The resource's registration is referenced here so that a static link (the
// Qt tests) keeps it; its name is global, so this stays outside our namespace.
static void registerTurtleIcons() {
    Q_INIT_RESOURCE(turtle_icons);
}

namespace qel {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool hasPlatformPlugin(const char* prefix) {
    QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !plugins.entryList({QString::fromLatin1(prefix) + "*"}, QDir::Files).isEmpty();
}

bool x11DisplayAnswers(const std::string& name, std::string& why) {
#ifdef QEL_QT_PROBE_X11
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        why = "cannot open the X11 display " + name;
        return false;
    }
    XCloseDisplay(display);
#else
    (void)name, (void)why;
#endif
    return true;
}

// Whether Qt can start here, choosing the Wayland platform where it is the
// only display (Qt's own default would look for X11 and end the process).
bool displayUsable(std::string& why) {
    std::string platform = environment("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find_first_of(";:"));
    const std::string x11 = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (!platform.empty() && platform != "xcb" && platform.rfind("wayland", 0) != 0) {
        return true;  // chosen on purpose: offscreen, vnc, eglfs …
    }
    if (platform == "xcb" || (platform.empty() && !x11.empty())) {
        if (x11.empty()) {
            why = "QT_QPA_PLATFORM is xcb but DISPLAY is not set";
            return false;
        }
        return x11DisplayAnswers(x11, why);
    }
    if (!wayland.empty() || !platform.empty()) {
        if (!hasPlatformPlugin("libqwayland")) {
            why = "this Qt has no Wayland support (no X11 DISPLAY either)";
            return false;
        }
        if (platform.empty()) qputenv("QT_QPA_PLATFORM", "wayland");
        return true;
    }
    return false;
}

// Scripts are written in Japanese: when the desktop's font cannot show it
// and no fallback for Japanese is configured, a Japanese font that is
// installed stands behind it (the user's font still draws the rest).
void preferJapaneseFont() {
    QFont font = QApplication::font();
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    if (japanese.isEmpty()) return;  // nothing better to offer
    for (const QString& family : font.families()) {
        if (japanese.contains(family)) return;  // chosen by the user already
    }
    static const char* const kPreferred[] = {"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic",
                                             "IPAPGothic",       "TakaoGothic",  "VL Gothic"};
    QString chosen;
    for (const char* name : kPreferred) {
        if (japanese.contains(QLatin1String(name))) {
            chosen = QLatin1String(name);
            break;
        }
    }
    if (chosen.isEmpty()) chosen = japanese.front();
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    families << chosen;
    font.setFamilies(families);
    QApplication::setFont(font);
}

}  // namespace

std::shared_ptr<QtApplication> QtApplication::open(std::string& why) {
    std::shared_ptr<QtApplication> app(new QtApplication());
    registerTurtleIcons();
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        app->application_ = existing;
        preferJapaneseFont();
        return app;
    }
    if (!displayUsable(why)) return nullptr;
    // The browser's WebEngine module is loaded long after the application
    // starts, and WebEngine draws with the GPU only when contexts are shared
    // from the start; sharing costs nothing without it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    app->owned_ = std::make_unique<QApplication>(app->argc_, app->argv_);
    app->application_ = app->owned_.get();
    // Scripts decide when they end (終了, the end of the program), not the
    // last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    preferJapaneseFont();
    // Buttons in the user's language where Qt carries its texts.
    auto* translator = new QTranslator(app->application_);
    if (translator->load(QLocale::system(), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
    return app;
}

QtApplication::~QtApplication() = default;

QtPrinters& QtApplication::printers() {
    if (!printers_) printers_ = std::make_unique<QtPrinters>();
    return *printers_;
}

}  // namespace qel
