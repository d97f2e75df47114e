#include "core/engine.h"

#include <string>

#include "core/evaluator.h"
#include "resources/resource_tables.h"
#include "text/number.h"

namespace qel {

Engine::Engine(Platform& platform_, LibraryPort& library_)
    : platform(platform_), library(library_), caches_(std::make_unique<Caches>()) {
    programLevels.push_back(std::make_shared<ProgramRecord>());
}

Engine::~Engine() = default;

void Engine::ResetRunState() {
    errors = ErrorState{};
    globals = KeyedTable{};
    ++outerCreations;
    keepWhileCalling(procedures);
    procedures = KeyedTable{};
    procLocals.reset();
    *caches_ = Caches{};
    currentLine = 0;
    currentLevel = 0;
    stopRequested = false;
    unwind = Unwind::None;
    lineJumped = false;
    inProcedure = false;
    procedureDepth = 0;
    fileRunDepth = 0;
    answer.clear();
    engineStatus = EngineStatus::Running;
}

void Engine::DoStopRequest() {
    stopRequested = true;
    library.teardownRun(*this);
}

// ---- resources ------------------------------------------------------------------

TextView Engine::resourceTable(int number) {
    auto it = resourceTexts_.find(number);
    if (it == resourceTexts_.end()) {
        Text normalised = text::normaliseLineEnds(resources::resourceTableSource(number));
        it = resourceTexts_.emplace(number, std::move(normalised)).first;
    }
    return it->second;
}

Text Engine::resourceLookup(int number, TextView key) {
    TextView table = resourceTable(number);
    Text hay = Text(kCRLF) + Text(table) + Text(kCRLF);
    Text probe = Text(kCRLF) + Text(key) + u"=";
    std::size_t p = hay.find(probe);
    if (p == Text::npos) return {};
    std::size_t start = p + probe.size();
    return hay.substr(start, hay.find(kCRLF, start) - start);
}

const KeyedTable& Engine::resourceConstants(int number) {
    auto it = resourceConstants_.find(number);
    if (it != resourceConstants_.end()) return *it->second;
    auto table = std::make_unique<KeyedTable>();
    TextView source = resourceTable(number);
    std::size_t start = 0;
    while (start <= source.size()) {
        std::size_t end = source.find(kCRLF, start);
        TextView line = source.substr(start, end == TextView::npos ? TextView::npos : end - start);
        std::size_t eq = line.find(u'=');
        if (eq != TextView::npos) {
            auto entry = std::make_shared<xxCmdData>();
            entry->Name = Text(line.substr(0, eq));
            entry->Value = Text(line.substr(eq + 1));
            table->add(entry->Name, entry);
        }
        if (end == TextView::npos) break;
        start = end + 2;
    }
    return *resourceConstants_.emplace(number, std::move(table)).first->second;
}

// ---- host events ---------------------------------------------------------------

void Engine::TogglePause() {
    if (engineStatus == EngineStatus::Paused) {
        engineStatus = EngineStatus::Running;
        return;
    }
    engineStatus = EngineStatus::Paused;
    RaiseHostEvent(2, u"中断", {});
}

Text Engine::RaiseHostEvent(int mode, TextView item, TextView value) {
    if (!host) return mode == 0 ? Text() : Text(u"False");
    switch (mode) {
        case 0: {
            Text result;
            host->hostItemRequest(item, result);
            return result == u"True" ? Text(u"{no}") : result;
        }
        case 1: {
            Text valueText = EvalText(value);
            // Read as a property value is: "５" written by the script is 5 to
            // the host too, not 0.
            const auto exact = number::parse(valueText);
            const double valueNumber =
                exact ? *exact : number::leadingNumber(text::toHalfWidth(valueText));
            bool notFound = false;
            host->hostItemUpdate(item, valueText, valueNumber, value, notFound);
            return notFound ? u"False" : u"True";
        }
        case 2: {
            bool notFound = false;
            host->hostCommand(item, value, notFound);
            return notFound ? u"False" : u"True";
        }
        default:
            return {};
    }
}

namespace {

void appendDigits(std::string& out, int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0) out += '-';
    if (int(digits.size()) < width) out.append(std::size_t(width) - digits.size(), '0');
    out += digits;
}

}  // namespace

Text dateTimeText(const LocalTime& time) {
    std::string out;
    appendDigits(out, time.year, 4);
    out += '/';
    appendDigits(out, time.month, 2);
    out += '/';
    appendDigits(out, time.day, 2);
    out += ' ';
    appendDigits(out, time.hour, 2);
    out += ':';
    appendDigits(out, time.minute, 2);
    out += ':';
    appendDigits(out, time.second, 2);
    return text::fromAscii(out);
}

}  // namespace qel
