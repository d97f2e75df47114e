// The message channel between scripts (開始 … 通信, 送信, プログラム間メッセージ,
// the polls of 休憩 and 待機) and its files, with several engines in one
// process sharing a temporary folder; and the key commands on a recording
// key sender.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine_fixture.h"
#include "library/registry/library_state.h"
#include "library/system/send_keys.h"
#include "platform/linux/runtime_channel.h"
#include "platform/linux/system_clock.h"
#include "script_lines.h"
#include "temp_folder.h"

namespace qel {
namespace {

using testing::TempFolder;

using testing::CapturingHost;

class RecordingKeys : public KeySender {
  public:
    KeyStatus activate(std::optional<std::int64_t> taskNumber, TextView caption) override {
        activations.push_back({taskNumber, Text(caption)});
        return activateResult;
    }
    KeyStatus send(const std::vector<KeyStroke>& strokes) override {
        sent.push_back(strokes);
        return sendResult;
    }
    std::vector<std::pair<std::optional<std::int64_t>, Text>> activations;
    std::vector<std::vector<KeyStroke>> sent;
    KeyStatus activateResult, sendResult;
};

// One script engine, as one running qelscript would be.
class Script {
  public:
    explicit Script(const std::string& channelFolder) {
        ConsoleOptions options;
        options.virtualClock = true;
        auto host = std::make_unique<CapturingHost>(options, out_, err_, in_);
        host_ = host.get();
        auto keys = std::make_unique<RecordingKeys>();
        keys_ = keys.get();
        Platform platform;
        platform.ui = std::move(host);
        platform.files = std::make_unique<PosixFileSystem>();
        if (!channelFolder.empty())
            platform.channel = std::make_unique<RuntimeDirChannel>(channelFolder);
        platform.keys = std::move(keys);
        host_->useVirtualClock(platform, std::make_unique<SystemClock>());
        qel_ = std::make_unique<Qel>(std::move(platform));
        host_->engine = &qel_->engine();
        qel_->engine().runEnvironment = RunEnvironment::ScriptFile;
    }

    // Runs the lines keeping the run open (as an editor runs a script), so
    // the channel stays as the lines left it; end() ends the run. Later
    // lines go through say(), which runs them inside the same program (its
    // procedures stay callable).
    void say(std::initializer_list<TextView> lines) {
        for (TextView line : lines) qel_->RunComnd(line);
    }
    void run(std::initializer_list<TextView> lines) {
        qel_->Run(scriptOf(lines), u"test.qel", true);
    }
    void end() { qel_->DoStop(); }

    std::vector<Text> messages() const {
        std::vector<Text> out;
        for (const auto& box : host_->boxes) {
            if (box.purpose == BoxPurpose::Message) out.push_back(box.text);
        }
        return out;
    }
    std::vector<int> errors() const {
        std::vector<int> out;
        for (const auto& box : host_->boxes) {
            if (box.purpose == BoxPurpose::Error) out.push_back(box.errorNumber);
        }
        return out;
    }
    void clear() { host_->boxes.clear(); }
    Engine& engine() { return qel_->engine(); }
    RecordingKeys& keys() { return *keys_; }

  private:
    std::ostringstream out_, err_;
    std::istringstream in_;
    CapturingHost* host_ = nullptr;
    RecordingKeys* keys_ = nullptr;
    std::unique_ptr<Qel> qel_;
};

// A script that receives on channel 「部屋」 and shows what arrives.
constexpr TextView kReceiver =
    u"手順は　受信\r\n  「受信:［プログラム間メッセージ］」を表示\r\n終わり";

class MessageChannelTest : public ::testing::Test {
  protected:
    std::string folder() const { return temp_.path + "/channels"; }
    TempFolder temp_;
};

TEST_F(MessageChannelTest, SendingNeedsAnOpenChannelAndAShortMessage) {
    Script a(folder());
    a.run({u"「早すぎる」を送信"});
    EXPECT_EQ(a.errors(), std::vector<int>{931});  // the channel is not open

    RuntimeDirChannel files(folder());
    a.clear();
    // 300 bytes in code page 932: refused out loud, and nothing replaces
    // the message before it.
    a.run({u"通信を受信へ「部屋」で開始", u"「前」を送信", u"「［繰り返せ(150,「あ」)］」を送信"});
    EXPECT_EQ(a.errors(), std::vector<int>{92});
    ASSERT_TRUE(files.read(u"部屋"));
    EXPECT_EQ(files.read(u"部屋")->text, u"前");

    // 255 bytes exactly go; a NUL character ends the message.
    a.clear();
    a.run({u"「［繰り返せ(127,「あ」)］x」を送信"});
    EXPECT_TRUE(a.errors().empty());
    EXPECT_EQ(files.read(u"部屋")->text.size(), 128u);
    a.run({u"「前［キャラクタ(0)］後」を送信"});
    EXPECT_EQ(files.read(u"部屋")->text, u"前");
    // Characters the old code page lacks arrive as they were sent.
    a.run({u"「😀 ½」を送信"});
    EXPECT_EQ(files.read(u"部屋")->text, u"😀 ½");
}

TEST_F(MessageChannelTest, EveryReceiverSeesEachMessageOnceAndTheSenderItsOwn) {
    Script a(folder()), b(folder()), c(folder());
    for (Script* s : {&a, &b, &c}) s->run({kReceiver, u"通信を受信へ「部屋」で開始"});
    a.say({u"「一」を送信"});
    b.say({u"休憩", u"休憩"});
    c.say({u"休憩"});
    a.say({u"休憩", u"休憩"});
    EXPECT_EQ(b.messages(), std::vector<Text>{u"受信:一"});
    EXPECT_EQ(c.messages(), std::vector<Text>{u"受信:一"});
    EXPECT_EQ(a.messages(), std::vector<Text>{u"受信:一"});

    // A newer message replaces one not yet read; two sent within the same
    // millisecond (the clock stands still here) are still two messages.
    a.say({u"「二」を送信", u"「三」を送信"});
    b.say({u"休憩"});
    a.say({u"「四」を送信"});
    b.say({u"休憩", u"「最後は［プログラム間メッセージ］」を表示"});
    EXPECT_EQ(b.messages(), (std::vector<Text>{u"受信:一", u"受信:三", u"受信:四", u"最後は四"}));
}

TEST_F(MessageChannelTest, ChannelsAreSeparateAndTheirNamesIgnoreLatinCase) {
    Script a(folder()), b(folder()), c(folder());
    a.run({u"通信を受信へ「Chat」で開始", u"「やあ」を送信"});
    b.run({kReceiver, u"通信を受信へ「cHAT」で開始", u"休憩"});
    c.run({kReceiver, u"通信を受信へ「別の部屋」で開始", u"休憩"});
    EXPECT_EQ(b.messages(), std::vector<Text>{u"受信:やあ"});
    EXPECT_TRUE(c.messages().empty());
    // Other words than 通信 open nothing.
    Script d(folder());
    d.run({u"電話を受信へ「Chat」で開始", u"「x」を送信"});
    EXPECT_EQ(d.errors(), std::vector<int>{931});  // the channel is not open
}

TEST_F(MessageChannelTest, TheEndOfARunTakesBackOnlyItsOwnMessage) {
    RuntimeDirChannel files(folder());
    {
        Script a(folder());
        a.run({u"通信を受信へ「部屋」で開始", u"「aの」を送信"});
        a.end();
        EXPECT_FALSE(files.read(u"部屋"));
        // The ended run's channel is closed.
        EXPECT_FALSE(libraryState(a.engine()).channel.on);
    }
    Script a(folder()), b(folder());
    a.run({u"通信を受信へ「部屋」で開始", u"「aの」を送信"});
    b.run({u"通信を受信へ「部屋」で開始", u"「bの」を送信"});
    a.end();
    ASSERT_TRUE(files.read(u"部屋"));
    EXPECT_EQ(files.read(u"部屋")->text, u"bの");
    // Moving to another channel takes back the message left on the first.
    b.say({u"通信を受信へ「隣」で開始"});
    EXPECT_FALSE(files.read(u"部屋"));
}

TEST_F(MessageChannelTest, IdleWaitRunsTheChannelUntilStoppedAndEndsWhenNothingCanHappen) {
    Script a(folder()), b(folder());
    b.run({u"「先」を表示", u"待機", u"「後」を表示"});
    EXPECT_EQ(b.messages(), (std::vector<Text>{u"先", u"後"}));

    a.run({u"通信を受信へ「部屋」で開始", u"「終わり」を送信"});
    Script c(folder());
    c.run({u"手順は　受信", u"  「受信:［プログラム間メッセージ］」を表示", u"  終了", u"終わり",
           u"通信を受信へ「部屋」で開始", u"待機", u"「ここには来ない」を表示"});
    EXPECT_EQ(c.messages(), std::vector<Text>{u"受信:終わり"});

    // With a channel open and nothing arriving, the wait goes on until the
    // run is stopped (here by the statement budget, as an interrupt would).
    Script d(folder());
    d.engine().statementBudget = 500;
    d.run({u"通信を受信へ「誰もいない」で開始", u"待機", u"「ここには来ない」を表示"});
    EXPECT_EQ(d.engine().statementBudget, 0);
    EXPECT_TRUE(d.messages().empty());
}

TEST_F(MessageChannelTest, DamagedOrForeignEntriesReadAsNoMessage) {
    RuntimeDirChannel files(folder());
    std::string id;
    ASSERT_TRUE(files.post(u"部屋", u"正しい", 5, id));
    const std::string path = files.entryPath(u"部屋");
    std::string good;
    {
        std::ifstream in(path, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_TRUE(decodeChannelEntry(good, u"部屋"));
    EXPECT_EQ(decodeChannelEntry(good, u"部屋")->id, id);

    const std::vector<std::string> damaged = {
        "",
        "garbage",
        good.substr(0, good.size() - 1),  // cut short
        good + "x",                       // trailing bytes
        good.substr(0, 12),               // header only
        "QELMSG1 1-2-3 5 9 3\n部屋abc",   // length of another name
        "QELMSG1 1-2-3 5 6 3\n部屋ab\0",  // NUL inside
        "QELMSG1 1-2-3 5 6 99999999999999999999\n部屋",
        "QELMSG1 x;rm 5 6 3\n部屋abc",
        std::string("QELMSG1 1-2-3 5 6 2\n部屋\xff\xfe", 26),
    };
    for (const std::string& bytes : damaged) {
        EXPECT_FALSE(decodeChannelEntry(bytes, u"部屋")) << bytes;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_FALSE(files.read(u"部屋")) << bytes;
    }
    // A huge file, a folder and a link where the entry should be.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(1 << 20, 'Q');
    EXPECT_FALSE(files.read(u"部屋"));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(files.read(u"部屋"));
    EXPECT_FALSE(files.post(u"部屋", u"x", 0, id));
    std::filesystem::remove(path);
    std::filesystem::create_symlink("/etc/passwd", path);
    EXPECT_FALSE(files.read(u"部屋"));

    // A script polling a damaged channel simply sees nothing.
    std::filesystem::remove(path);
    std::ofstream(path, std::ios::binary) << "QELMSG1 1-2";
    Script b(folder());
    b.run({kReceiver, u"通信を受信へ「部屋」で開始", u"休憩", u"休憩"});
    EXPECT_TRUE(b.messages().empty());
    EXPECT_TRUE(b.errors().empty());
}

TEST_F(MessageChannelTest, TheFolderIsPrivateAndMadeWhenFirstNeeded) {
    // Missing: made, mode 0700, on the first message.
    RuntimeDirChannel files(temp_.path + "/runtime/qelscript/channels");
    std::string id;
    EXPECT_FALSE(files.read(u"x"));
    std::filesystem::create_directory(temp_.path + "/runtime");
    ASSERT_TRUE(files.post(u"x", u"y", 0, id));
    struct stat info {};
    ASSERT_EQ(stat((temp_.path + "/runtime/qelscript/channels").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A folder others may write into is refused, with the reason.
    const std::string open = temp_.path + "/open";
    std::filesystem::create_directories(open + "/channels");
    chmod((open + "/channels").c_str(), 0777);
    RuntimeDirChannel shared(open + "/channels");
    FileStatus status = shared.post(u"x", u"y", 0, id);
    EXPECT_FALSE(status);
    EXPECT_NE(status.message.find("other users"), std::string::npos) << status.message;

    // A file where the folder should be, and a folder that cannot be made.
    std::ofstream(temp_.path + "/file") << "x";
    EXPECT_FALSE(RuntimeDirChannel(temp_.path + "/file/channels").post(u"x", u"y", 0, id));
    EXPECT_FALSE(RuntimeDirChannel("/proc/qel-no-such/channels").post(u"x", u"y", 0, id));

    // A script told so, instead of a message silently lost.
    Script a("/proc/qel-no-such/channels");
    a.run({u"通信を受信へ「部屋」で開始", u"「x」を送信"});
    EXPECT_EQ(a.errors(), std::vector<int>{92});
    Script none("");
    none.run({u"通信を受信へ「部屋」で開始", u"「x」を送信", u"休憩", u"待機"});
    EXPECT_EQ(none.errors(), std::vector<int>{92});
}

TEST_F(MessageChannelTest, AnyChannelNameMakesOneSafeFileName) {
    RuntimeDirChannel files(folder());
    const Text longName(500, u'長');
    const std::vector<Text> names = {u"",    u"../../etc", u"a/b",         u"%2F",
                                     u"a b", longName,     longName + u"x"};
    std::string id;
    for (const Text& name : names) {
        std::string path = files.entryPath(name);
        EXPECT_EQ(path.rfind(folder() + "/ch-", 0), 0u) << path;
        EXPECT_EQ(path.find('/', folder().size() + 1), std::string::npos) << path;
        EXPECT_LT(path.size() - folder().size(), 200u);
        ASSERT_TRUE(files.post(name, u"に" + name, 0, id));
    }
    for (const Text& name : names) {
        ASSERT_TRUE(files.read(name)) << text::toUtf8(name);
        EXPECT_EQ(files.read(name)->text, u"に" + name);
    }
    // No temporary files are left behind.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) {
        EXPECT_EQ(entry.path().filename().string().rfind("ch-", 0), 0u);
        ++entries;
    }
    EXPECT_EQ(entries, int(names.size()));
}

// ---- 入力 and 入力２ -----------------------------------------------------------

TEST(KeyCommands, KeysGoToTheWindowNamedByCaptionOrTaskNumber) {
    Script s("");
    s.run({u"「ab{ENTER}」を「メモ帳」に入力", u"W は 4321", u"「+x」をWに入力", u"「y」を入力"});
    EXPECT_TRUE(s.errors().empty());
    auto& keys = s.keys();
    ASSERT_EQ(keys.activations.size(), 2u);
    EXPECT_FALSE(keys.activations[0].first);
    EXPECT_EQ(keys.activations[0].second, u"メモ帳");
    EXPECT_EQ(keys.activations[1].first, std::optional<std::int64_t>(4321));
    ASSERT_EQ(keys.sent.size(), 3u);
    EXPECT_EQ(keys.sent[0].size(), 3u);
    EXPECT_EQ(keys.sent[0][2].key, Key::Enter);
    EXPECT_TRUE(keys.sent[1][0].shift);
}

TEST(KeyCommands, MistakesMissingWindowsAndMissingDisplaysAreReported) {
    Script s("");
    s.run({u"「ab{ENTR}」を「メモ帳」に入力"});
    EXPECT_EQ(s.errors(), std::vector<int>{93});
    EXPECT_TRUE(s.keys().activations.empty()) << "nothing happens before the keys are understood";
    EXPECT_TRUE(s.keys().sent.empty());

    s.keys().activateResult = {KeyFault::NoWindow, "メモ帳"};
    s.run({u"「a」を「メモ帳」に入力", u"「a」を-5に入力"});
    EXPECT_EQ(s.errors(), (std::vector<int>{93, 94, 94}));
    EXPECT_EQ(s.keys().activations[1].first, std::optional<std::int64_t>(-1));
    EXPECT_TRUE(s.keys().sent.empty());

    s.keys().sendResult = {KeyFault::NoDisplay, "no display"};
    s.run({u"「a」を入力", u"「A」を入力２"});
    EXPECT_EQ(s.errors(), (std::vector<int>{93, 94, 94, 93, 93}));
    EXPECT_NE(s.engine().errors.lastErrorMessage.find(u"no display"), Text::npos);

    Script none("");
    Engine& e = none.engine();
    e.platform.keys.reset();
    none.run({u"「a」を入力"});
    EXPECT_EQ(none.errors(), std::vector<int>{93});
}

TEST(KeyCommands, RawKeysPressEachCodeAsAKeyWithAPause) {
    Script s("");
    double before = s.engine().clock().monotonicMs();
    s.run({u"「Ap漢 」を入力２"});
    EXPECT_TRUE(s.errors().empty());
    const auto& sent = s.keys().sent;
    // 漢 has a two-byte code: no key.
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0][0].character, U'a');
    EXPECT_EQ(sent[1][0].key, Key::F1);
    EXPECT_EQ(sent[2][0].character, U' ');
    EXPECT_GE(s.engine().clock().monotonicMs() - before, 150.0);
}

}  // namespace
}  // namespace qel
