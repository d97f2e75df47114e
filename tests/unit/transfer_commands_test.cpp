// The transfer commands over a transfer port of the test's own: what they
// ask the port for, how the body reader reports progress and honours a stop,
// and how failures are reported.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qel {
namespace {

// Plays back the progress steps it is given, then answers with `result`.
class FakeTransfer : public TransferPort {
  public:
    struct Step {
        std::uint64_t done;
        std::optional<std::uint64_t> length;
    };

    TransferResult perform(const TransferRequest& request, TransferObserver& observer) override {
        requests.push_back(request);
        for (const Step& step : steps) {
            observer.bodyProgress(step.done, step.length);
            if (!observer.keepGoing()) {
                TransferResult stopped;
                stopped.fault = TransferFault::Aborted;
                return stopped;
            }
        }
        return result;
    }

    std::vector<Step> steps;
    TransferResult result;
    std::vector<TransferRequest> requests;
};

class TransferCommandsTest : public testing::EngineTest {
  protected:
    TransferCommandsTest() {
        auto fake = std::make_unique<FakeTransfer>();
        fake_ = fake.get();
        qel().platform().transfer = std::move(fake);
    }
    FakeTransfer& fake() { return *fake_; }

  private:
    FakeTransfer* fake_ = nullptr;
};

TEST_F(TransferCommandsTest, ProgressOnlyForBodiesOfKnownLength) {
    fake().steps = {{100, std::nullopt}, {200, std::nullopt}, {0, 400}, {100, 400}, {400, 400}};
    fake().result.body = "body";
    run({u"処理状況は、進み", u"X は ＨＴＴＰでダウンロード(「h/p」)", u"Xを表示",
         u"手順は　進み（率、済、全体）", u"「［率］/［済］/［全体］」を表示", u"終わり"});
    // 0 % is what the notifier last held, so the first step is not repeated.
    EXPECT_EQ(messages(), (std::vector<Text>{u"25/100/400", u"100/400/400", u"body"}));
    ASSERT_EQ(fake().requests.size(), 1u);
    EXPECT_EQ(fake().requests[0].method, TransferRequest::Method::Get);
    EXPECT_EQ(fake().requests[0].url, "http://h/p");
    EXPECT_EQ(fake().requests[0].agent, "qel_unit_tests");
}

TEST_F(TransferCommandsTest, AStopInTheProgressProcedureEndsTheTransferQuietly) {
    fake().steps = {{10, 100}, {20, 100}, {100, 100}};
    run({u"処理状況は、止める", u"「http://h/f」を「f.bin」へダウンロード", u"「後なのに」を表示",
         u"手順は　止める（率、済、全体）", u"「［率］」を表示", u"終了", u"終わり"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"10"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(TransferCommandsTest, RequestsCarryWhatTheScriptWrote) {
    run({u"「h/dir/a b.txt」を「保存先.txt」へ「ＦＴＰ、qel、secret」でダウンロード",
         u"「up.txt」を「h/in/」へアップロード",
         u"Y は ＨＴＴＰでダウンロード(「h:8080/form」を「a=1、b=日本」で「r.txt」として)",
         u"Yを表示"});
    ASSERT_EQ(fake().requests.size(), 2u);  // up.txt does not exist: nothing is sent
    const TransferRequest& get = fake().requests[0];
    EXPECT_EQ(get.url, "ftp://h/dir/a%20b.txt");
    EXPECT_EQ(get.localPath, "保存先.txt");
    EXPECT_EQ(get.user, "qel");
    EXPECT_EQ(get.password, "secret");
    const TransferRequest& post = fake().requests[1];
    EXPECT_EQ(post.method, TransferRequest::Method::Post);
    EXPECT_EQ(post.url, "http://h:8080/form");
    EXPECT_EQ(post.body, "a=1&b=\x93\xFA\x96\x7B");
    EXPECT_EQ(post.localPath, "r.txt");
    EXPECT_EQ(messages(), (std::vector<Text>{u"r.txt"}));
    EXPECT_EQ(errorNumbers(), (std::vector<int>{201}));
}

TEST_F(TransferCommandsTest, FailuresAreReportedByKind) {
    fake().result.fault = TransferFault::Refused;
    fake().result.status = 404;
    run({u"「h/x」を「x.txt」へダウンロード", u"X は ＨＴＴＰでダウンロード(「h/x」)",
         u"「ftp://u:pw@h/x」を「x.txt」へダウンロード"});
    fake().result.fault = TransferFault::LoginDenied;
    run({u"「ftp://u:pw@h/x」を「x.txt」へダウンロード", u"「x」を「ftp://h/」へアップロード"});
    fake().result.fault = TransferFault::Broken;
    run({u"X は ＨＴＴＰでダウンロード(「h/x」)"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{703, 204, 703, 701, 201, 999}));
    // The password never shows.
    for (const auto& box : errorBoxes()) EXPECT_EQ(box.text.find(u"pw"), Text::npos);
}

TEST_F(TransferCommandsTest, WithoutATransferPortNothingIsReached) {
    qel().platform().transfer.reset();
    run({u"「h/x」を「x.txt」へダウンロード"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{703}));
}

}  // namespace
}  // namespace qel
