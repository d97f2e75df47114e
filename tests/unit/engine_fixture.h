// A whole engine on the console host, for tests that need the language core
// as scripts meet it: run script text, then look at the boxes it showed, its
// variables and its error state.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/engine.h"
#include "engine/qel.h"
#include "library/settings/protection.h"
#include "library/settings/settings_access.h"
#include "platform/headless/console_host.h"
#include "platform/linux/libarchive_port.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"
#include "platform/ports/settings_store.h"
#include "script_lines.h"

namespace qel::testing {

struct ShownBox {
    Text text;
    int style = 0;
    Text caption;
    BoxPurpose purpose = BoxPurpose::Message;
    int errorNumber = 0;  // the engine's last error number when an error box showed
};

// The console host, keeping every box it shows. Error boxes answer OK unless
// cancelErrors is set, as on the command line.
class CapturingHost : public ConsoleHost {
  public:
    CapturingHost(ConsoleOptions options, std::ostream& out, std::ostream& err, std::istream& in)
        : ConsoleHost(std::move(options), out, err, in) {}

    int messageBox(const MessageBoxRequest& request) override {
        int answer = ConsoleHost::messageBox(request);
        boxes.push_back({Text(request.text), request.style, Text(request.caption), request.purpose,
                         engine ? engine->errors.lastErrorNumber : 0});
        return answer;
    }

    std::vector<ShownBox> boxes;
    const Engine* engine = nullptr;
};

// A settings store that holds only the protection key, for tests of the
// guarded commands: every run reads the protection from the store.
class ProtectionKeyStore : public SettingsStore {
  public:
    explicit ProtectionKeyStore(Text key) : key_(std::move(key)) {}
    SettingsStatus read(SettingsArea area, TextView keyPath, TextView name,
                        std::optional<Text>& value) override {
        if (area == SettingsArea::Application && keyPath == kProtectionKeyPath &&
            name == kProtectionKeyName) {
            value = key_;
        }
        return {};
    }
    SettingsStatus write(SettingsArea, TextView, TextView, TextView) override { return refused(); }
    SettingsStatus removeValue(SettingsArea, TextView, TextView, bool&) override {
        return refused();
    }
    SettingsStatus removeKey(SettingsArea, TextView, bool&) override { return refused(); }
    SettingsStatus subkeys(SettingsArea, TextView, std::vector<Text>&) override { return {}; }
    SettingsStatus valueNames(SettingsArea, TextView, std::vector<Text>&) override { return {}; }
    std::string location() const override { return "(test)"; }

  private:
    static SettingsStatus refused() { return {SettingsFault::Failed, "read-only test store"}; }
    Text key_;
};

class EngineTest : public ::testing::Test {
  protected:
    explicit EngineTest(bool cancelErrors = false) {
        ConsoleOptions options;
        options.virtualClock = true;
        options.cancelErrors = cancelErrors;
        auto host = std::make_unique<CapturingHost>(options, out_, err_, in_);
        host_ = host.get();
        Platform platform;
        platform.ui = std::move(host);
        platform.files = std::make_unique<PosixFileSystem>();
        platform.archives = std::make_unique<LibarchivePort>();
        clock_ = &host_->useVirtualClock(platform, std::make_unique<SystemClock>());
        qel_ = std::make_unique<Qel>(std::move(platform));
        host_->engine = &qel_->engine();
        engine().runEnvironment = RunEnvironment::ScriptFile;
    }

    Engine& engine() { return qel_->engine(); }
    // Sleeping advances it; setWallTime fixes the date scripts see.
    VirtualClock& clock() { return *clock_; }
    Qel& qel() { return *qel_; }

    // Forbids the categories (registry, files, system, native calls, ask
    // first) from the next run on, as a stored key does.
    void forbid(const std::array<bool, 5>& flags) {
        qel_->platform().settings = std::make_unique<ProtectionKeyStore>(MakeProtectionKey(flags));
    }

    // Runs the lines as the main script "test.qel" (joined with CR LF, as a
    // loaded file is).
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", false);
    }

    const std::vector<ShownBox>& boxes() const { return host_->boxes; }
    // The texts of the script's own message boxes (表示), in order.
    std::vector<Text> messages() const { return textsOf(BoxPurpose::Message); }
    std::vector<ShownBox> errorBoxes() const {
        std::vector<ShownBox> out;
        for (const auto& box : host_->boxes) {
            if (box.purpose == BoxPurpose::Error) out.push_back(box);
        }
        return out;
    }
    std::vector<int> errorNumbers() const {
        std::vector<int> out;
        for (const auto& box : errorBoxes()) out.push_back(box.errorNumber);
        return out;
    }
    void clearBoxes() { host_->boxes.clear(); }

    Text variable(TextView name) {
        bool notFound = false;
        Text value = engine().GetVariable(name, notFound);
        EXPECT_FALSE(notFound) << "no variable " << text::toUtf8(name);
        return value;
    }

  private:
    std::vector<Text> textsOf(BoxPurpose purpose) const {
        std::vector<Text> out;
        for (const auto& box : host_->boxes) {
            if (box.purpose == purpose) out.push_back(box.text);
        }
        return out;
    }

    std::ostringstream out_, err_;
    std::istringstream in_;
    CapturingHost* host_ = nullptr;
    VirtualClock* clock_ = nullptr;
    std::unique_ptr<Qel> qel_;
};

}  // namespace qel::testing
