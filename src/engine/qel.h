// The engine object: the public face of the interpreter for the start-up
// code and for programs that embed it (an editor, a debugger).
#pragma once

#include <memory>
#include <variant>
#include <vector>

#include "core/engine.h"
#include "platform/ports/platform.h"

namespace qel {

class StandardLibrary;

// What GetSetInfo answers: nothing, a text, a number or a truth value.
using SetInfoValue = std::variant<std::monostate, Text, double, bool>;

class Qel {
  public:
    explicit Qel(Platform platform);
    ~Qel();

    void DoPause();
    void DoStop();
    int16_t GetErrLine();
    Text GetErrWord();
    int16_t GetStatus();
    Text GetFunc(TextView text);
    Text GetObjName(TextView object);
    Text GetForEditor(int flag);
    void Run(TextView program, TextView fileName, bool bPreserve);
    // Run, taking the text over: a long script is not held twice while it runs.
    void RunOwned(Text program, TextView fileName, bool bPreserve);
    void RunComnd(TextView qelComnd);
    // Returns whether the file could be read (an unreadable file runs an
    // empty program, as the language defines; callers may report it).
    bool RunFile(TextView fileName, bool bPreserve);
    SetInfoValue GetSetInfo(TextView syurui, TextView naiyou);
    void SetObj(bool isObject);
    void SetDebugObj(bool isObject);
    void SetStopLine(std::vector<bool> stopLines);
    void ErrMessage(TextView msg, int errNum, int icon, TextView prg);

    void setHost(HostEvents* host) { engine_->host = host; }
    // The application title every run starts with (a stand-alone
    // application's own name instead of the runtime's).
    void setDefaultTitle(TextView title) { defaultTitle_ = Text(title); }
    Engine& engine() { return *engine_; }
    Platform& platform() { return platform_; }

  private:
    // Run, with the program's line ends already CR LF, taking the text over.
    void runNormalised(Text program, TextView fileName, bool bPreserve);

    void ResetEngine();
    void TeardownEngine();
    StatementRecord currentStatementCopy();

    Platform platform_;
    std::unique_ptr<StandardLibrary> library_;
    std::unique_ptr<Engine> engine_;
    Text defaultTitle_ = u"Qelvane";
};

}  // namespace qel
