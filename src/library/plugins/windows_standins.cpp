#include "library/plugins/windows_standins.h"

#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "library/objects/event_functions.h"
#include "library/objects/objects.h"
#include "library/settings/protection.h"
#include "platform/ports/system_port.h"
#include "text/number.h"
#include "ui/objects.h"

namespace qel {

namespace {

// Success answers of the functions, as Windows gives them.
constexpr std::int64_t kTrue = 1;
constexpr std::int64_t kShellExecuteDone = 42;    // above 32 means success
constexpr std::int64_t kShellExecuteNoFile = 2;   // ERROR_FILE_NOT_FOUND
constexpr std::int64_t kShellExecuteRefused = 5;  // SE_ERR_ACCESSDENIED

// The first script window showing that caption: its widget number.
std::int64_t scriptWindowWithCaption(Engine& engine, TextView title) {
    WidgetPort* widgets = engine.platform.widgets.get();
    if (!widgets) return 0;
    for (const auto& w : objectModel(engine).loadedWindows) {
        if (!w || w->unloaded) continue;
        auto caption = widgets->get(w->widget, WidgetValue::Caption);
        if (caption && std::holds_alternative<Text>(*caption) && std::get<Text>(*caption) == title)
            return std::int64_t(w->widget);
    }
    return 0;
}

Text argument(const std::vector<Text>& args, std::size_t i) {
    return i < args.size() ? args[i] : Text();
}

std::int64_t integer(const std::vector<Text>& args, std::size_t i) {
    double n = number::toNumber(argument(args, i));
    return std::isfinite(n) ? std::int64_t(std::trunc(n)) : 0;
}

// Sleeps through the engine's clock and lets events run, as 待て does, so a
// virtual clock moves instead of the test waiting.
std::int64_t sleepFor(Engine& engine, const std::vector<Text>& args) {
    const double ms = double(std::max<std::int64_t>(0, integer(args, 0)));
    Clock& clock = engine.clock();
    const double deadline = clock.monotonicMs() + ms;
    while (clock.monotonicMs() < deadline && !engine.loopPassCheck()) {
        engine.ui().pumpEvents();
        EventsPump(engine);
        engine.ui().sleepMs(int(std::min(10.0, deadline - clock.monotonicMs()) + 0.999));
    }
    return 0;
}

std::int64_t tickCount(Engine& engine, const std::vector<Text>&) {
    return std::int64_t(std::uint32_t(std::uint64_t(engine.clock().monotonicMs())));
}

std::int64_t tickCount64(Engine& engine, const std::vector<Text>&) {
    return std::int64_t(engine.clock().monotonicMs());
}

// There is no sound port for a bare beep; the call succeeds silently.
std::int64_t beep(Engine&, const std::vector<Text>&) {
    return kTrue;
}

// MessageBoxA(window, text, caption, style): the answer is the button number.
std::int64_t messageBox(Engine& engine, const std::vector<Text>& args) {
    Text text = argument(args, 1);
    Text caption = argument(args, 2);
    if (caption.empty()) caption = engine.appTitle;
    MessageBoxRequest request{text, int(integer(args, 3)), caption, BoxPurpose::Message};
    return engine.ui().messageBox(request);
}

// FindWindowA(class, title): a window of the script or of the desktop with
// that caption. The answer is not a handle anything else takes; it is
// non-zero when found, as scripts test it.
std::int64_t findWindow(Engine& engine, const std::vector<Text>& args) {
    Text title = argument(args, 1);
    if (title.empty() || title == u"0") return 0;
    std::int64_t found = 0;
    if (SystemPort* system = engine.platform.system.get()) {
        auto captions = system->windowCaptions();
        auto at = std::find(captions.begin(), captions.end(), title);
        if (at != captions.end()) found = std::int64_t(at - captions.begin()) + 1;
    }
    if (!found) found = scriptWindowWithCaption(engine, title);
    return found;
}

// ShellExecuteA(window, verb, file, parameters, folder, show): opens the
// document with the desktop's program, guarded like 開け.
std::int64_t shellExecute(Engine& engine, const std::vector<Text>& args) {
    if (!CheckProtection(engine, Guard::Files)) return kShellExecuteRefused;
    SystemPort* system = engine.platform.system.get();
    Text file = argument(args, 2);
    if (!system || file.empty()) return kShellExecuteNoFile;
    return system->openDocument(text::toUtf8(file)) ? kShellExecuteDone : kShellExecuteNoFile;
}

std::int64_t textLength(Engine&, const std::vector<Text>& args) {
    return std::int64_t(text::toUtf8(argument(args, 0)).size());
}

struct StandIn {
    std::u16string_view library;
    std::u16string_view function;
    StandInFunction run;
};

constexpr StandIn kStandIns[] = {
    {u"kernel32", u"Sleep", sleepFor},
    {u"kernel32", u"GetTickCount", tickCount},
    {u"kernel32", u"GetTickCount64", tickCount64},
    {u"kernel32", u"Beep", beep},
    {u"kernel32", u"lstrlenA", textLength},
    {u"user32", u"MessageBeep", beep},
    {u"user32", u"MessageBoxA", messageBox},
    {u"user32", u"FindWindowA", findWindow},
    {u"winmm", u"timeGetTime", tickCount},
    {u"shell32", u"ShellExecuteA", shellExecute},
};

// "C:\\Windows\\System32\\USER32.DLL" → "user32".
Text baseName(TextView library) {
    std::size_t slash = library.find_last_of(u"\\/");
    TextView base = slash == TextView::npos ? library : library.substr(slash + 1);
    Text lower;
    for (char16_t c : base) lower += (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    if (lower.size() > 4 && lower.ends_with(u".dll")) lower.resize(lower.size() - 4);
    return lower;
}

}  // namespace

bool IsWindowsLibraryName(TextView library) {
    if (HasStandIns(library)) return true;
    TextView trimmed = text::trimBlanks(library);
    return trimmed.size() > 4 && text::equalsFolded(trimmed.substr(trimmed.size() - 4), u".dll");
}

bool HasStandIns(TextView library) {
    Text base = baseName(text::trimBlanks(library));
    return std::any_of(std::begin(kStandIns), std::end(kStandIns),
                       [&](const StandIn& s) { return s.library == base; });
}

StandInFunction FindStandIn(TextView library, TextView function) {
    Text base = baseName(text::trimBlanks(library));
    for (const StandIn& s : kStandIns) {
        if (s.library == base && text::equalsFolded(s.function, text::trimBlanks(function)))
            return s.run;
    }
    return nullptr;
}

}  // namespace qel
