// The ranking opener: parameters, the address it builds, the "http://"
// check and the six-a-minute budget, on a fake clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp932.h"
#include "pages/page_hash.h"
#include "platform/message_sink.h"
#include "screen/dialog_natives.h"
#include "screen/ranking.h"

namespace ruvel {
namespace {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void Log(const std::string&) override {}
  std::vector<std::string> messages;
};

class RankingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = SetSink(&sink);
    r.now = [this] { return clockMs; };
    r.opener = [this](const std::string& url) {
      opened.push_back(url);
      return browserOpens;
    };
    r.projectIntegrity = [] { return 11; };
    r.kernelIntegrity = [] { return 22; };
  }
  void TearDown() override { SetSink(previous); }

  TRanking r;
  CaptureSink sink;
  MessageSink* previous = nullptr;
  double clockMs = 1000.0;
  std::vector<std::string> opened;
  bool browserOpens = true;
};

TEST_F(RankingTest, UrlListsParametersInOrderWithTheIdLast) {
  r.SetParam("name", "bob");
  r.SetParam("score", "10");
  r.SetParam("name", "amy");  // replaced in its place
  std::string id = std::to_string(r.Identification());
  EXPECT_EQ(r.BuildUrl("http://h/r.cgi"), "http://h/r.cgi?name=amy&score=10&ID=" + id);
  EXPECT_GE(r.Identification(), 0);

  // The number depends on the parameters and on both integrity values.
  int32_t before = r.Identification();
  r.kernelIntegrity = [] { return 23; };
  EXPECT_NE(r.Identification(), before);
  r.kernelIntegrity = [] { return 22; };
  EXPECT_EQ(r.Identification(), before);
  r.SetParam("score", "11");
  EXPECT_NE(r.Identification(), before);

  r.ClearParams();
  EXPECT_EQ(r.BuildUrl("http://h/"), "http://h/?ID=" + std::to_string(r.Identification()));
}

TEST_F(RankingTest, AddressMustStartWithHttpOrHttpsAndParametersStayUntilOpened) {
  r.SetParam("s", "1");
  EXPECT_FALSE(r.OpenBrowser("ftp://h/"));
  EXPECT_FALSE(r.OpenBrowser("HTTP://h/"));
  EXPECT_FALSE(r.OpenBrowser(""));
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[0], J("URLはhttp://で始めてください"));
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(r.Budget(), 6) << "a refused address uses no budget";
  EXPECT_EQ(r.Params().size(), 1u);
  EXPECT_TRUE(r.OpenBrowser("https://h/"));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].rfind("https://h/?s=1&ID=", 0), 0u);
  EXPECT_TRUE(r.Params().empty()) << "an opening empties the parameters";
}

// Names and values reach the server intact whatever they hold: UTF-8,
// percent-encoded; the number is computed over the decoded UTF-8 text.
TEST_F(RankingTest, NamesAndValuesArePercentEncodedUtf8AndSignedDecoded) {
  r.SetParam(J("名前"), J("あい う&x=1"));
  r.SetParam("score", "1200");
  const std::string url = r.BuildUrl("http://h/r");
  EXPECT_EQ(url.substr(0, url.find("ID=")),
            "http://h/r?%E5%90%8D%E5%89%8D=%E3%81%82%E3%81%84%20%E3%81%86%26x%3D1&score=1200&");
  EXPECT_EQ(r.Identification(), HashBytes("名前=あい う&x=1&score=1200&11:22"));
  EXPECT_EQ(PercentEncode("AZaz09-._~ /?#%+"), "AZaz09-._~%20%2F%3F%23%25%2B");
}

// A browser that cannot open the page (none installed, a blocked pop-up)
// keeps the parameters for the next try and uses no budget.
TEST_F(RankingTest, AFailedOpeningKeepsParametersAndBudget) {
  r.SetParam("score", "1200");
  browserOpens = false;
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(r.OpenBrowser("http://h/"));
  EXPECT_EQ(r.Budget(), 6);
  EXPECT_EQ(r.Params().size(), 1u);
  browserOpens = true;
  EXPECT_TRUE(r.OpenBrowser("http://h/"));
  ASSERT_EQ(opened.size(), 9u);
  EXPECT_EQ(opened.back().rfind("http://h/?score=1200&ID=", 0), 0u);
  EXPECT_TRUE(r.Params().empty());
  EXPECT_EQ(r.Budget(), 5);
}

TEST_F(RankingTest, SevenOpeningsWithinTenSecondsOpenSix) {
  for (int i = 0; i < 7; ++i) {
    r.SetParam("n", std::to_string(i));
    r.OpenBrowser("http://h/");
    clockMs += 1400;
  }
  EXPECT_EQ(opened.size(), 6u);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], J("ブラウザは1分間に6回しか開けません"));
  EXPECT_EQ(r.Params().size(), 1u) << "the refused opening keeps its parameter";

  // Still exhausted just under a minute after the last opening...
  clockMs = 1000 + 5 * 1400 + 59000;
  EXPECT_FALSE(r.OpenBrowser("http://h/"));
  // ...and refilled once more than a minute has passed.
  clockMs = 1000 + 5 * 1400 + 60001;
  EXPECT_TRUE(r.OpenBrowser("http://h/"));
  EXPECT_EQ(r.Budget(), 5);
}

TEST_F(RankingTest, BudgetRefillsWhenTheGapCoversTheOpeningsUsed) {
  r.OpenBrowser("http://h/");  // budget 5: one used
  clockMs += 10001;            // a sixth of a minute covers one opening
  r.OpenBrowser("http://h/");
  EXPECT_EQ(r.Budget(), 5);
  clockMs += 9000;  // too short: no refill
  r.OpenBrowser("http://h/");
  EXPECT_EQ(r.Budget(), 4);
}

TEST(RankingNatives, ArgumentCountsAndTheIgnoredFirstArgument) {
  using namespace dialog_natives;
  auto call = [](NativeHandler h, std::vector<Value> args) {
    std::vector<Value> slots(args.size() + 1, MakeNull());
    int32_t n = static_cast<int32_t>(args.size());
    for (int32_t k = 1; k <= n; ++k) slots[n - k] = args[k - 1];
    h(&slots[n], n, 0);
  };
  TRanking& r = Ranking();
  r.ClearParams();
  call(RankingSetParam, {MakeInt(0), MakeInt(5)});  // too few
  EXPECT_TRUE(r.Params().empty());
  call(RankingSetParam, {MakeInt(99), MakeInt(5), MakeInt(6)});
  ASSERT_EQ(r.Params().size(), 1u);
  EXPECT_EQ(r.Params()[0].first, "5");
  EXPECT_EQ(r.Params()[0].second, "6");
  call(RankingClearParam, {});  // needs its one argument
  EXPECT_EQ(r.Params().size(), 1u);
  call(RankingClearParam, {MakeNull()});
  EXPECT_TRUE(r.Params().empty());
}

}  // namespace
}  // namespace ruvel
