// Replayed user sessions: a list of user actions, one per line, that the
// script's windows receive once the script first waits, each through the
// path a real user's input takes. The run ends once the last action has
// been delivered and the procedures it started have returned.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports/widget_events.h"
#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class EventDispatch;
class ObjectModel;

struct ReplayLine {
    int line = 0;  // in the file, from 1
    Text verb;     // click, type, wait …
    Text target;   // the window or control, as a script names it
    UserAction action;
    int waitMs = 0;     // wait lines
    bool used = false;  // choose and cancel lines, once a dialog took them
};

// The answer a replayed session gives a dialog ("choose ファイル a.txt", "cancel").
struct DialogChoice {
    int line = 0;
    bool cancelled = false;
    Text kind;  // ファイル, フォルダ, 色, フォント, ページ設定
    Text value;
};

class Replay {
  public:
    // Problems found later (a name that names nothing) go to `complain`.
    using Complaint = std::function<void(const std::string&)>;
    Replay(std::vector<ReplayLine> lines, Complaint complain);

    // Reads a session; on a line it cannot read, nothing and the reason
    // (with the line number) in `problem`.
    static std::vector<ReplayLine> Parse(TextView text, std::string& problem);
    // A key as a session writes it ("Enter", "Ctrl+S", "F5", "a", "186").
    static bool ParseKey(TextView written, int& code, int& shift);

    // Delivers the next action (or, with none left and nothing running,
    // asks the run to stop).
    void deliverNext(EventDispatch& events, ObjectModel& model, Engine& engine);
    // Every action delivered (procedures may still be running).
    bool exhausted() const { return next_ >= lines_.size() && waiting_ == 0; }
    // Delivered and returned: the run was asked to stop.
    bool finished() const { return done_; }
    // The first choose or cancel line no dialog has taken yet, wherever it
    // stands: a dialog may open before the script waits or while it does.
    std::optional<DialogChoice> takeChoice();
    // A line found wrong later (a choose line for another kind of dialog).
    void noteProblem(int line, const std::string& what);
    bool hadProblems() const { return problems_ > 0; }

  private:
    void deliver(const ReplayLine& line, EventDispatch& events, ObjectModel& model, Engine& engine);
    void wait(int milliseconds, Engine& engine);

    std::vector<ReplayLine> lines_;
    Complaint complain_;
    std::size_t next_ = 0;
    int delivering_ = 0;
    int waiting_ = 0;
    bool done_ = false;
    int problems_ = 0;
};

}  // namespace qel::ui
