// Start-up's choice between the desktop host and the console host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "startup/launch.h"

namespace qel {
namespace {

// A desktop host that shows nothing and remembers the boxes.
class FakeDesktop : public UiHost {
  public:
    explicit FakeDesktop(std::vector<Text>& shown) : shown_(shown) {}
    int messageBox(const MessageBoxRequest& request) override {
        shown_.emplace_back(request.text);
        return kOk;
    }
    std::optional<Text> inputBox(TextView, TextView, TextView) override { return std::nullopt; }
    void setApplicationTitle(TextView) override {}
    void pumpEvents() override {}
    void sleepMs(int) override {}

  private:
    std::vector<Text>& shown_;
};

class LaunchHostTest : public ::testing::Test {
  protected:
    LaunchHostTest() {
        script_ = (std::filesystem::temp_directory_path() /
                   ("qel_launch_" + std::to_string(getpid()) + ".qel"))
                      .string();
        std::ofstream(script_) << "「やあ」を表示\n";
    }
    ~LaunchHostTest() override { std::filesystem::remove(script_); }

    // "/run" runs the script whatever this test program is called.
    int launch(std::vector<std::string> args, bool desktopWorks) {
        args.insert(args.begin(), "/run");
        args.push_back(script_);
        calls_ = 0;
        DesktopHostFactory factory = [&](std::string& why) -> std::unique_ptr<UiHost> {
            ++calls_;
            if (!desktopWorks) {
                why = "cannot open the X11 display :9";
                return nullptr;
            }
            return std::make_unique<FakeDesktop>(shown_);
        };
        out_.str({});
        err_.str({});
        return runMain(args, out_, err_, in_, nullptr, factory);
    }

    std::string script_;
    std::vector<Text> shown_;
    int calls_ = 0;
    std::ostringstream out_, err_;
    std::istringstream in_;
};

TEST_F(LaunchHostTest, TheDesktopServesUnlessTheConsoleIsAskedFor) {
    EXPECT_EQ(launch({}, true), 0);
    EXPECT_EQ(calls_, 1);
    EXPECT_EQ(shown_, std::vector<Text>{u"やあ"});
    EXPECT_EQ(out_.str(), "");

    // --console, and the options only the console has, keep the desktop out.
    const std::string transcript = script_ + ".transcript";
    for (std::vector<std::string> options : {std::vector<std::string>{"--console"},
                                             {"--transcript", transcript},
                                             {"--virtual-clock"},
                                             {"--cancel-errors"}}) {
        EXPECT_EQ(launch(options, true), 0);
        EXPECT_EQ(calls_, 0) << options[0];
        EXPECT_EQ(out_.str(), "やあ\n") << options[0];
    }
    std::filesystem::remove(transcript);
    EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(LaunchHostTest, AnUnusableDisplayFallsBackToTheConsoleWithANote) {
    EXPECT_EQ(launch({}, false), 0);
    EXPECT_EQ(calls_, 1);
    EXPECT_EQ(out_.str(), "やあ\n");
    EXPECT_NE(err_.str().find("cannot open the X11 display :9; using the console"),
              std::string::npos)
        << err_.str();
    // No desktop in this build: the console, silently.
    out_.str({});
    err_.str({});
    EXPECT_EQ(runMain({"/run", script_}, out_, err_, in_, nullptr), 0);
    EXPECT_EQ(out_.str(), "やあ\n");
    EXPECT_EQ(err_.str(), "");
}

// A stop signal that came before the script's first statement: nothing runs
// and the status tells which signal it was.
TEST_F(LaunchHostTest, AStopSignalEndsTheRunWithItsOwnStatus) {
    for (int signalNumber : {2, 15, 1}) {
        const volatile int flag = signalNumber;
        out_.str({});
        EXPECT_EQ(runMain({"/run", script_}, out_, err_, in_, &flag), 128 + signalNumber);
        EXPECT_EQ(out_.str(), "");
    }
}

// The script's name typed at the start-up question: the transcript, opened
// only once the script is known, still holds that question.
TEST_F(LaunchHostTest, TheTranscriptKeepsWhatCameBeforeItOpened) {
    const std::string transcript = script_ + ".transcript";
    std::istringstream typed(script_ + "\n");
    EXPECT_EQ(runMain({"/run", "--transcript", transcript}, out_, err_, typed, nullptr), 0);
    std::ifstream in(transcript);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    std::filesystem::remove(transcript);
    EXPECT_EQ(first.rfind("INPUT\t", 0), 0u) << first;
    EXPECT_NE(first.find("\tOK\t" + script_), std::string::npos) << first;
    EXPECT_EQ(second, "MSG\t0\tQelvane\tやあ\t1");
}

}  // namespace
}  // namespace qel
