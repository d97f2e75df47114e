// 起動, 起動して待, the session commands and associations against a system
// port that fails on request, so that every error path and the protection
// checks are seen without touching the machine.
#include <filesystem>
#include <functional>
#include <map>

#include "engine_fixture.h"
#include "library/system/system.h"
#include "platform/linux/runtime_channel.h"

namespace qel::testing {
namespace {

class ScriptedSystem : public SystemPort {
  public:
    StartedProgram startProgram(const std::string& commandLine, WindowHint) override {
        requests.push_back("start " + commandLine);
        if (commandLine == "missing") return {{SystemFault::NotFound, "no such program"}, 0};
        if (commandLine == "notes.txt") return {{SystemFault::NotProgram, "not a program"}, 0};
        if (commandLine == "broken") return {{SystemFault::Other, "it broke"}, 0};
        return {{}, 42};
    }
    bool isRunning(std::int64_t task) override {
        ++polls;
        if (polls == interruptAtPoll && interrupt) *interrupt = 1;
        if (onPoll) onPoll(polls);
        return task == 42 && (runningPolls < 0 || polls <= runningPolls);
    }
    SystemStatus openDocument(const std::string&) override { return {}; }
    SystemStatus endSession(SessionAction action) override {
        requests.push_back("session " + std::to_string(static_cast<int>(action)));
        if (refuseSession) return {SystemFault::Refused, "denied by policy"};
        return {};
    }
    SystemStatus associate(const std::string& extension, const std::string& commandLine,
                           const std::string&, const std::string&) override {
        requests.push_back("associate " + extension + " " + commandLine);
        return {};
    }
    SystemStatus removeAssociation(const std::string& extension) override {
        requests.push_back("unassociate " + extension);
        if (extension == "none") return {SystemFault::NotFound, "no association"};
        return {};
    }
    std::vector<Text> windowCaptions() override { return {u"端末", u"エディタ - memo.txt"}; }

    std::vector<std::string> requests;
    int polls = 0;
    int runningPolls = 3;  // polls answering "running"; negative: for ever
    int interruptAtPoll = -1;
    volatile int* interrupt = nullptr;
    bool refuseSession = false;
    std::function<void(int)> onPoll;
};

class SystemCommandsTest : public EngineTest {
  protected:
    SystemCommandsTest() {
        auto port = std::make_unique<ScriptedSystem>();
        system_ = port.get();
        engine().platform.system = std::move(port);
    }
    ScriptedSystem& system() { return *system_; }

  private:
    ScriptedSystem* system_ = nullptr;
};

TEST_F(SystemCommandsTest, StartFailuresAreReportedByKind) {
    run({u"「missing」を起動", u"「notes.txt」を起動", u"「broken」を起動"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{201, 209, 999}));
    auto errors = errorBoxes();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_NE(errors[0].text.find(u"missingが見つかりません。"), Text::npos);
    EXPECT_NE(errors[1].text.find(u"notes.txt"), Text::npos);
    EXPECT_NE(errors[2].text.find(u"it broke"), Text::npos);
}

TEST_F(SystemCommandsTest, StartAnswersTheTaskNumberAndWaitPollsUntilTheProgramEnds) {
    run({u"「editor」を起動して待", u"「後」を表示"});
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(engine().answer.text(), u"42");
    EXPECT_EQ(system().polls, 4);  // three times running, then ended
    EXPECT_EQ(messages(), (std::vector<Text>{u"後"}));
}

TEST_F(SystemCommandsTest, AnInterruptEndsTheWaitAndTheRun) {
    volatile int interrupted = 0;
    engine().interruptFlag = &interrupted;
    system().runningPolls = -1;
    system().interruptAtPoll = 5;
    system().interrupt = &interrupted;
    run({u"「editor」を起動して待", u"「後」を表示"});
    EXPECT_EQ(system().polls, 5);
    EXPECT_TRUE(messages().empty());
    engine().interruptFlag = nullptr;
}

TEST_F(SystemCommandsTest, TheMessageChannelRunsWhileWaitingAndItsProcedureMayEndTheWait) {
    char pattern[] = "/tmp/qel-wait-channel-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    // The channel's folder lives in a private one, as in the runtime folder.
    engine().platform.channel = std::make_unique<RuntimeDirChannel>(folder + "/channels");
    RuntimeDirChannel sender(folder + "/channels");
    system().runningPolls = -1;
    system().onPoll = [&](int poll) {
        std::string id;
        if (poll == 3) sender.post(u"部屋", u"やあ", 12345.0, id);
        if (poll > 1000) engine().stopRequested = true;  // a safety net, never reached
    };
    run({u"手順は　受信", u"  「受信:［プログラム間メッセージ］」を表示", u"  終了", u"終わり",
         u"通信を受信へ「部屋」で開始", u"「editor」を起動して待", u"「ここには来ない」を表示"});
    EXPECT_EQ(messages(), std::vector<Text>{u"受信:やあ"});
    EXPECT_LT(system().polls, 10);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

TEST_F(SystemCommandsTest, SystemProtectionRefusesProgramsSessionsAndRemovingAssociations) {
    forbid({false, false, true, false, false});
    run({u"「editor」を起動", u"「editor」を起動して待", u"ウィンドウズを再起動",
         u"ウィンドウズを終了", u"「txt」を「gedit」へ関連づけ"});
    StatementRecord record = engine().ParseLine(u"「txt」の関連付けを削除");
    cmdDeleteAssociation(record, engine());
    EXPECT_EQ(errorNumbers(), (std::vector<int>{99, 99, 99, 99, 99}));
    // Only the association (registry class) went through.
    EXPECT_EQ(system().requests, (std::vector<std::string>{"associate txt gedit"}));
}

TEST_F(SystemCommandsTest, RegistryProtectionRefusesAssociationsOnly) {
    forbid({true, false, false, false, false});
    run({u"「txt」を「gedit」へ関連づけ", u"「editor」を起動"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{99}));
    EXPECT_EQ(system().requests, (std::vector<std::string>{"start editor"}));
}

TEST_F(SystemCommandsTest, ARefusedSessionEndIsReportedNotPassedOver) {
    system().refuseSession = true;
    run({u"ウィンドウズをログオフ", u"ウィンドウズを終了"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{999, 999}));
    ASSERT_EQ(errorBoxes().size(), 2u);
    EXPECT_NE(errorBoxes()[0].text.find(u"denied by policy"), Text::npos);
    EXPECT_EQ(system().requests, (std::vector<std::string>{"session 2", "session 0"}));
}

TEST_F(SystemCommandsTest, DeletingAnAssociationNamesTheExtensionOnly) {
    run({u"拡張子＝「.md」"});
    for (TextView line : {TextView(u"「txt」の関連付けを削除"), TextView(u"拡張子の関連づけを削除"),
                          TextView(u"「none」の関連付けを削除")}) {
        StatementRecord record = engine().ParseLine(line);
        cmdDeleteAssociation(record, engine());
    }
    EXPECT_EQ(system().requests,
              (std::vector<std::string>{"unassociate txt", "unassociate md", "unassociate none"}));
    EXPECT_EQ(errorNumbers(), (std::vector<int>{30}));
}

TEST_F(SystemCommandsTest, RunningProgramsAndWindowCaptions) {
    run({u"起動中プログラム一覧を表示", u"起動中(「memo.txt」)を表示", u"起動中(「電卓」)を表示",
         u"「editor」を起動", u"起動中(それ)を表示", u"起動中(0)を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"端末,エディタ - memo.txt", u"1", u"0", u"1", u"0"}));
}

TEST_F(SystemCommandsTest, WithoutASystemPortRequestsAreRefused) {
    engine().platform.system.reset();
    run({u"「editor」を起動", u"ウィンドウズを再起動", u"「[」＆環境変数(「HOME」)＆「]」を表示"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{999, 999}));
    EXPECT_EQ(messages(), (std::vector<Text>{u"[]"}));
}

}  // namespace
}  // namespace qel::testing
