#include "ui/replay.h"

#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "text/number.h"
#include "ui/events.h"
#include "ui/events_rich.h"

namespace qel::ui {

namespace {

struct Verb {
    const char16_t* word;
    UserActionType type;
    bool needsTarget;
};

constexpr Verb kVerbs[] = {
    {u"click", UserActionType::Click, true},
    {u"rightclick", UserActionType::RightClick, true},
    {u"doubleclick", UserActionType::DoubleClick, true},
    {u"type", UserActionType::Type, true},
    {u"key", UserActionType::Key, true},
    {u"select", UserActionType::Select, true},
    {u"follow", UserActionType::Follow, true},
    {u"check", UserActionType::Check, true},
    {u"scroll", UserActionType::Scroll, true},
    {u"drop", UserActionType::Drop, true},
    {u"mouse", UserActionType::Mouse, true},
    {u"tick", UserActionType::Tick, true},
    {u"close", UserActionType::Close, true},
    {u"menu", UserActionType::Menu, true},
    {u"edit", UserActionType::Edit, true},
    {u"expand", UserActionType::Expand, true},
    {u"collapse", UserActionType::Collapse, true},
};

// The first word of `rest` (up to a blank), and `rest` moved past it and the blanks after.
TextView takeWord(TextView& rest) {
    rest = text::trimBlanksLeft(rest);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != u' ' && rest[end] != u'\t' && rest[end] != u'　')
        ++end;
    TextView word = rest.substr(0, end);
    rest = text::trimBlanksLeft(rest.substr(end));
    return word;
}

std::string lineProblem(int line, const std::string& what) {
    return "events file line " + std::to_string(line) + ": " + what;
}

// File names separated by commas; a name holding a comma is written in
// double quotes ("a,b.txt"), where "" stands for one quote.
bool parseFiles(TextView list, std::vector<Text>& files) {
    Text current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        char16_t c = list[i];
        if (quoted) {
            if (c == u'"' && i + 1 < list.size() && list[i + 1] == u'"') {
                current += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            files.push_back(Text(text::trimBlanks(current)));
            current.clear();
        } else {
            current += c;
            any = true;
        }
    }
    if (quoted) return false;
    if (any || !current.empty()) files.push_back(Text(text::trimBlanks(current)));
    return !files.empty() &&
           std::none_of(files.begin(), files.end(), [](const Text& f) { return f.empty(); });
}

bool parsePoint(TextView text, double& x, double& y) {
    std::size_t comma = text.find(u',');
    if (comma == TextView::npos) return false;
    auto a = number::parse(text.substr(0, comma));
    auto b = number::parse(text.substr(comma + 1));
    if (!a || !b) return false;
    x = *a;
    y = *b;
    return true;
}

bool parseMouse(TextView rest, UserAction& action) {
    TextView step = takeWord(rest);
    if (step == u"down") {
        action.step = MouseStep::Down;
    } else if (step == u"move") {
        action.step = MouseStep::Move;
    } else if (step == u"up") {
        action.step = MouseStep::Up;
    } else {
        return false;
    }
    TextView next = rest;
    TextView word = takeWord(next);
    action.button = step == u"move" ? 0 : kLeftButton;
    if (word == u"left" || word == u"right" || word == u"middle") {
        action.button = word == u"left"    ? kLeftButton
                        : word == u"right" ? kRightButton
                                           : kMiddleButton;
        rest = next;
    }
    return parsePoint(text::trimBlanks(rest), action.x, action.y);
}

// The mouse message of a tray line's click (tray click), or 0.
int trayMessage(TextView step) {
    if (step == u"click") return kTrayLeftUp;
    if (step == u"doubleclick") return kTrayLeftDoubleClick;
    if (step == u"rightclick") return kTrayRightUp;
    return 0;
}

// A find line's action (find, replace, replaceall, findclose), or -1.
int findAction(TextView verb) {
    if (verb == u"find") return kFindNext;
    if (verb == u"replace") return kFindReplace;
    if (verb == u"replaceall") return kFindReplaceAll;
    if (verb == u"findclose") return kFindClosed;
    return -1;
}

// What a find line asks: the text to find, and for replacing the text put
// in its place after a tab (or, in a line without tabs, the first ",").
bool parseFind(int action, TextView rest, UserAction& into, std::string& why) {
    if (action == kFindClosed) {
        if (!rest.empty()) why = "findclose takes nothing after it";
        return rest.empty();
    }
    if (action == kFindNext) {
        into.text = Text(rest);
    } else {
        std::size_t cut = rest.find(u'\t');
        if (cut == TextView::npos) cut = rest.find(u',');
        if (cut == TextView::npos) {
            why = "replace needs the text to find and its replacement, parted by a tab or \",\"";
            return false;
        }
        into.text = Text(rest.substr(0, cut));
        into.files = {Text(rest.substr(cut + 1))};
    }
    if (into.text.empty()) why = "the text to find is missing";
    return !into.text.empty();
}

// Parses what follows the target; false with `why` when it cannot.
bool parseArguments(UserActionType type, TextView rest, UserAction& action, std::string& why) {
    switch (type) {
        case UserActionType::Type:
            action.text = Text(rest);
            if (rest.empty()) why = "type needs the text typed";
            return !rest.empty();
        case UserActionType::Key:
            if (!Replay::ParseKey(text::trimBlanks(rest), action.keyCode, action.shift)) {
                why = "unknown key \"" + text::toUtf8(rest) + "\"";
                return false;
            }
            return true;
        case UserActionType::Edit:
            action.text = Text(rest);
            if (rest.empty()) why = "edit needs the new label";
            return !rest.empty();
        case UserActionType::Select:
            // A grid's cell is chosen by column and row: select 表1 3,2.
            if (rest.find(u',') != TextView::npos) {
                if (!parsePoint(rest, action.x, action.y)) why = "a cell needs column,row";
                action.text = Text(rest);
                return why.empty();
            }
            [[fallthrough]];
        case UserActionType::Scroll: {
            auto n = number::parse(rest);
            if (!n) why = "a number is needed";
            if (n) action.number = *n;
            return n.has_value();
        }
        case UserActionType::Follow:
            action.text = Text(rest);
            if (rest.empty()) why = "follow needs the link's address";
            return !rest.empty();
        case UserActionType::Menu:
            action.text = Text(rest);
            if (rest.empty()) why = "menu needs the path of the entry (ファイルの開く)";
            return !rest.empty();
        case UserActionType::Drop:
            if (!parseFiles(rest, action.files)) why = "drop needs file names separated by commas";
            return why.empty();
        case UserActionType::Mouse:
            if (!parseMouse(rest, action)) why = "mouse needs down, move or up, a button and X,Y";
            return why.empty();
        default:
            if (!rest.empty()) why = "unexpected \"" + text::toUtf8(rest) + "\"";
            return rest.empty();
    }
}

}  // namespace

Replay::Replay(std::vector<ReplayLine> lines, Complaint complain)
    : lines_(std::move(lines)), complain_(std::move(complain)) {}

bool Replay::ParseKey(TextView written, int& code, int& shift) {
    shift = 0;
    Text rest = text::toHalfWidth(written);
    static constexpr std::pair<const char16_t*, int> kModifiers[] = {
        {u"ctrl+", kCtrlKey},  {u"control+", kCtrlKey},      {u"shift+", kShiftKey},
        {u"alt+", kAltKey},    {u"コントロール+", kCtrlKey}, {u"シフト+", kShiftKey},
        {u"オルト+", kAltKey},
    };
    for (bool found = true; found && rest.size() > 1;) {
        found = false;
        for (auto [word, bit] : kModifiers) {
            if (text::startsWithFolded(rest, word)) {
                shift |= bit;
                rest.erase(0, TextView(word).size());
                found = true;
            }
        }
    }
    if (rest.empty()) return false;
    static constexpr std::pair<const char16_t*, int> kAliases[] = {
        {u"return", 13}, {u"escape", 27}, {u"left", 37}, {u"up", 38},   {u"right", 39},
        {u"down", 40},   {u"del", 46},    {u"ins", 45},  {u"pgup", 33}, {u"pgdn", 34},
    };
    Text key = text::foldKey(rest);
    for (auto [word, value] : kAliases) {
        if (key == word) {
            code = value;
            return true;
        }
    }
    if (rest.size() == 1 && rest[0] >= u'a' && rest[0] <= u'z') rest[0] = char16_t(rest[0] - 32);
    // A single character is the key of that character: letters and digits
    // first (their codes are their characters), then the punctuation keys.
    // Longer words are the named keys ("Enter", "F5", "Num0", "PageUp").
    if (rest.size() == 1 &&
        ((rest[0] >= u'0' && rest[0] <= u'9') || (rest[0] >= u'A' && rest[0] <= u'Z'))) {
        code = rest[0];
        return true;
    }
    const Text wanted = text::foldKey(rest);
    for (int c = 1; c < 256; ++c) {
        if (rest.size() > 1 && c >= 47 && c <= 90) continue;
        if (text::foldKey(BareKeyName(c)) == wanted) {
            code = c;
            return true;
        }
    }
    if (auto n = number::parse(rest); n && *n >= 0 && *n <= 2147483647.0 && *n == std::floor(*n)) {
        code = int(*n);
        return true;
    }
    return false;
}

std::vector<ReplayLine> Replay::Parse(TextView text, std::string& problem) {
    std::vector<ReplayLine> lines;
    int number = 0;
    for (TextView raw : text::splitViews(text, u"\n")) {
        ++number;
        if (!raw.empty() && raw.back() == u'\r') raw.remove_suffix(1);
        TextView rest = text::trimBlanks(raw);
        if (rest.empty() || rest.front() == u'#') continue;
        ReplayLine line;
        line.line = number;
        line.verb = Text(takeWord(rest));
        if (line.verb == u"wait") {
            auto ms = number::parse(rest);
            if (!ms || *ms < 0 || *ms > 86400000) {
                problem = lineProblem(number, "wait needs milliseconds");
                return {};
            }
            line.waitMs = int(*ms);
            lines.push_back(std::move(line));
            continue;
        }
        if (line.verb == u"choose" || line.verb == u"cancel") {
            // Answers to the script's dialogs: taken when a dialog opens,
            // never delivered in turn.
            line.target = Text(takeWord(rest));
            line.action.text = Text(rest);
            if (line.verb == u"choose" && (line.target.empty() || rest.empty())) {
                problem = lineProblem(number,
                                      "choose needs the dialog (ファイル, フォルダ, 色, "
                                      "フォント, ページ設定) and the answer");
                return {};
            }
            if (line.verb == u"cancel" && !line.target.empty()) {
                problem = lineProblem(number, "cancel takes nothing after it");
                return {};
            }
            lines.push_back(std::move(line));
            continue;
        }
        if (const int action = findAction(line.verb); action >= 0) {
            // The find dialog open now, which has no name of its own.
            std::string why;
            if (!parseFind(action, rest, line.action, why)) {
                problem = lineProblem(number, why);
                return {};
            }
            line.action.number = action;
            lines.push_back(std::move(line));
            continue;
        }
        if (line.verb == u"tray") {
            // The program's tray icon, which has no name of its own.
            line.target = Text(takeWord(rest));
            if (trayMessage(line.target) == 0 || !rest.empty()) {
                problem = lineProblem(number, "tray needs click, doubleclick or rightclick");
                return {};
            }
            lines.push_back(std::move(line));
            continue;
        }
        const Verb* verb = nullptr;
        for (const Verb& v : kVerbs) {
            if (line.verb == v.word) verb = &v;
        }
        if (!verb) {
            problem = lineProblem(number, "unknown action \"" + text::toUtf8(line.verb) + "\"");
            return {};
        }
        line.action.type = verb->type;
        line.target = Text(takeWord(rest));
        if (line.target.empty()) {
            problem = lineProblem(number, text::toUtf8(line.verb) + " needs a window or control");
            return {};
        }
        std::string why;
        if (!parseArguments(verb->type, rest, line.action, why)) {
            problem = lineProblem(number, why);
            return {};
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void Replay::wait(int milliseconds, Engine& engine) {
    // Time passes for the timers alone: no action is delivered meanwhile.
    ++waiting_;
    Clock& clock = engine.clock();
    const double deadline = clock.monotonicMs() + milliseconds;
    WidgetPort& port = ObjectModel::widgets(engine);
    while (clock.monotonicMs() < deadline && !engine.loopPassCheck()) {
        const double left = deadline - clock.monotonicMs();
        engine.ui().sleepMs(int(std::clamp(left, 1.0, 5.0)));
        port.advanceTimers(clock.monotonicMs());
    }
    --waiting_;
}

void Replay::deliver(const ReplayLine& line, EventDispatch& events, ObjectModel& model,
                     Engine& engine) {
    if (line.verb == u"wait") {
        wait(line.waitMs, engine);
        return;
    }
    if (line.verb == u"choose" || line.verb == u"cancel") return;
    if (const int action = findAction(line.verb); action >= 0) {
        WidgetEvent request;
        request.command = std::uint64_t(action);
        request.findText = line.action.text;
        if (!line.action.files.empty()) request.replaceText = line.action.files.front();
        std::string why = ObjectModel::widgets(engine).useFind(request);
        if (!why.empty()) noteProblem(line.line, text::toUtf8(line.verb) + ": " + why);
        return;
    }
    if (line.verb == u"tray") {
        TrayPort* tray = ObjectModel::widgets(engine).tray();
        std::string why = tray ? tray->click(trayMessage(line.target)) : "no tray icon here";
        if (!why.empty()) noteProblem(line.line, "tray " + text::toUtf8(line.target) + ": " + why);
        return;
    }
    std::size_t at = 0;
    auto object = model.ResolveObject(engine, line.target, true, &at);
    if (object && object->rich && at < line.target.size()) {
        // A sub-item of a rich control: 「タブ1の2番目」, 「リストビュー1の見出しの1番目」.
        std::string why =
            richUserAction(events, engine, *object, TextView(line.target).substr(at), line.action);
        if (!why.empty()) {
            ++problems_;
            complain_(lineProblem(
                line.line, text::toUtf8(line.verb) + " " + text::toUtf8(line.target) + ": " + why));
        }
        return;
    }
    if (object && object->rich && at >= line.target.size()) {
        // The control itself: a grid's cell chosen, a slider moved.
        if (auto why = richControlAction(events, engine, *object, line.action)) {
            if (!why->empty()) {
                ++problems_;
                complain_(lineProblem(line.line, text::toUtf8(line.verb) + " " +
                                                     text::toUtf8(line.target) + ": " + *why));
            }
            return;
        }
    }
    if (!object || (object->type != ObjectType::Window && object->type != ObjectType::Control)) {
        ++problems_;
        complain_(lineProblem(line.line,
                              "no window or control named \"" + text::toUtf8(line.target) + "\""));
        return;
    }
    UserAction action = line.action;
    action.widget = object->widget;
    std::string why = ObjectModel::widgets(engine).perform(action);
    if (!why.empty()) {
        ++problems_;
        complain_(lineProblem(
            line.line, text::toUtf8(line.verb) + " " + text::toUtf8(line.target) + ": " + why));
    }
}

std::optional<DialogChoice> Replay::takeChoice() {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const ReplayLine& line = lines_[i];
        if ((line.verb != u"choose" && line.verb != u"cancel") || line.used) continue;
        lines_[i].used = true;
        DialogChoice choice;
        choice.line = line.line;
        choice.cancelled = line.verb == u"cancel";
        choice.kind = line.target;
        choice.value = line.action.text;
        return choice;
    }
    return std::nullopt;
}

void Replay::noteProblem(int line, const std::string& what) {
    ++problems_;
    complain_(lineProblem(line, what));
}

void Replay::deliverNext(EventDispatch& events, ObjectModel& model, Engine& engine) {
    if (done_ || waiting_ > 0) {
        // Inside a wait line only the timers act.
        if (waiting_ > 0) ObjectModel::widgets(engine).advanceTimers(engine.clock().monotonicMs());
        return;
    }
    if (next_ < lines_.size()) {
        const ReplayLine& line = lines_[next_++];
        ++delivering_;
        deliver(line, events, model, engine);
        --delivering_;
    }
    // What the last line left for the next pass (a drop on a rich text box)
    // runs before the run stops.
    if (next_ >= lines_.size() && delivering_ == 0 && !done_ && !events.hasDeferredWork()) {
        // As 終了 would: every action went in and everything it started is over.
        done_ = true;
        engine.stopRequested = true;
    }
}

}  // namespace qel::ui
