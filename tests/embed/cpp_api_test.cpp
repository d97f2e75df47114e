// The C++ layer over the C interface: errors become exceptions with the
// library's code and words, host events reach the virtual functions, and an
// exception thrown by a host does not cross into the engine.
#include <qelscript/qelscript.hpp>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    ++failures;
}

class Recorder : public qelscript::Host {
  public:
    std::string shown;
    std::string commands;
    std::string itemRequest(const std::string& item) override {
        if (item == "壊れる") throw std::runtime_error("host failure");
        return item == "名前" ? "花子" : "";
    }
    bool command(const std::string& verb, const std::string& noun) override {
        commands += verb + "|" + noun + ";";
        return verb == "合図";
    }
    void output(int stream, const std::string& text) override {
        if (stream == 1) shown += text;
    }
};

}  // namespace

int main() {
    qelscript::Engine engine;
    Recorder host;
    engine.setHost(&host);

    try {
        engine.runComnd("「早すぎ」を表示");
        check(false, "runComnd before a run throws");
    } catch (const qelscript::Error& error) {
        check(error.code() == QEL_ERR_NO_PROGRAM, "the error carries its code");
        check(std::string(error.what()).find("no program") != std::string::npos,
              "and the library's words");
    }

    engine.run(
        "「［呼び出し元の名前］さん」を表示\n呼び出し元の合図\n"
        "「［呼び出し元の壊れる］。」を表示\nＸは　３\n",
        "wrapper.qel");
    check(host.shown == "花子さん\n。\n", "property reads and output reach the host");
    check(host.commands == "合図|;", "commands reach the host");
    check(engine.getFunc("Ｘ×２") == "6", "getFunc after the run");
    check(std::get<bool>(engine.getSetInfo("チェック")), "getSetInfo gives a truth value");
    check(std::holds_alternative<std::monostate>(engine.getSetInfo("知らない")),
          "an unknown keyword gives nothing");
    check(engine.getStatus() == QEL_STATUS_IDLE, "idle after the run");
    engine.run("「ボタン」を「送信」として作る\n", "objects.qel");
    check(engine.getObjName(engine.getFunc("送信のハンドル")) == "送信",
          "getObjName: a handle gives the name the script registered");
    check(engine.getObjName("送信") == "送信" && engine.getObjName("ない").empty(),
          "getObjName: by name, and nothing for what is not loaded");
    try {
        engine.doStop();
        check(false, "doStop with nothing running throws");
    } catch (const qelscript::Error& error) {
        check(error.code() == QEL_ERR_NOT_RUNNING, "doStop: not running");
    }
    if (failures) return 1;
    std::puts("all checks passed");
    return 0;
}
