// Scripts that run long without finishing a frame: one message after three
// seconds naming where they are, the service hook meanwhile, and Ctrl+C.
// The clock is the test's own, advanced on every look.
#include <stdexcept>

#include "compiler/snippet.h"
#include "compiler_fixture.h"
#include "vm/interpreter.h"
#include "vm/long_run.h"
#include "vm/process.h"

namespace ruvel::test {
namespace {

class LongRunTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    TLongRunWatch& w = LongRunWatch();
    w.Reset();
    w.now = [this] { return clock += step; };
    w.service = [this] { ++services; };
    w.exit = [this](int code) {
      exitCode = code;
      throw std::runtime_error("ended");
    };
  }
  void TearDown() override {
    TLongRunWatch& w = LongRunWatch();
    w.Reset();
    w.now = nullptr;
    w.service = nullptr;
    w.exit = nullptr;
    CompilerTest::TearDown();
  }
  int64_t clock = 0;
  int64_t step = 1;
  int services = 0;
  int exitCode = -1;
};

TEST_F(LongRunTest, AProcessThatNeverSuspendsIsNamedOnceAfterThreeSeconds) {
  TRTTI* cls = MustCompile("Spin", "extends Object;\r\nfunction draw() { while (1) { x = x + 1; } }\r\n");
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "draw");
  step = 100;  // each look at the clock is 100 ms later
  // Every run is cut off by its budget, as the frame loop's would be.
  for (int frame = 0; frame < 60; ++frame) {
    ruvel::Run(p, 0);
    ASSERT_FALSE(p->halted);
  }
  EXPECT_TRUE(VM().preempted);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(ToUtf8(sink.shown[0]).find("秒以上フレームを終えていません: Spin.draw"), std::string::npos)
      << ToUtf8(sink.shown[0]);
  EXPECT_GT(services, 50);
  TProcess::Free(p);
}

// The three seconds pass inside a run's last slice (a long native call,
// say) and the process ends in it: its frame is gone when the message is
// made, which still names where the run began.
TEST_F(LongRunTest, ARunThatEndsInItsLongSliceIsStillNamed) {
  TRTTI* cls = MustCompile("Late", "extends Object;\r\nfunction main() { x = 0; while (x < 100) { x = x + 1; } }\r\n");
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "main");
  LongRunWatch().now = [p] { return p->halted ? int64_t(5000) : int64_t(0); };
  ruvel::Run(p, 0);
  ASSERT_TRUE(p->halted);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(ToUtf8(sink.shown[0]).find("秒以上フレームを終えていません: Late.main"), std::string::npos)
      << ToUtf8(sink.shown[0]);
  TProcess::Free(p);
}

TEST_F(LongRunTest, ProcessesThatSuspendAreNeverReported) {
  TRTTI* cls = MustCompile("Polite", "extends Object;\r\nfunction main() { while (1) { x = x + 1; suspend(); } }\r\n");
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "main");
  step = 20;  // each run takes two looks of 20 ms; 100 runs take 4 seconds
  for (int frame = 0; frame < 100; ++frame) ruvel::Run(p, 0);
  EXPECT_GE(clock, 4000);
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_FALSE(LongRunWatch().Stalling());
  EXPECT_EQ(services, 0);
  TProcess::Free(p);
}

TEST_F(LongRunTest, AFinishedFrameStartsTheCountAgain) {
  TLongRunWatch& w = LongRunWatch();
  step = 0;
  w.Enter();
  clock = 2900;
  w.Poll();
  w.Leave(false);  // cut off: the stretch goes on
  EXPECT_TRUE(sink.shown.empty());
  w.Enter();
  clock = 3000;
  w.Poll();
  EXPECT_EQ(sink.shown.size(), 1u);
  clock = 9000;
  w.Poll();
  EXPECT_EQ(sink.shown.size(), 1u);  // once per stretch
  w.Leave(true);
  EXPECT_FALSE(w.Stalling());
  EXPECT_FALSE(w.Reported());
  w.Enter();
  clock = 11999;
  w.Poll();
  w.Leave(false);
  EXPECT_EQ(sink.shown.size(), 1u);
  w.Enter();
  clock = 12000;
  w.Poll();
  w.Leave(false);
  EXPECT_EQ(sink.shown.size(), 2u);
}

// Ctrl+C inside an endless snippet (the page script's onGenerate, or the
// top level of a --script run) ends it with exit code 2.
TEST_F(LongRunTest, CtrlCEndsAnEndlessSnippetWithCodeTwo) {
  step = 10;
  int polls = 0;
  LongRunWatch().now = [&] {
    if (++polls == 500) TLongRunWatch::RequestInterrupt();
    return clock += step;
  };
  int result = EvaluateSnippet("extends Object;\r\nx = 0;\r\nwhile (1) { x = x + 1; }\r\n", true);
  EXPECT_EQ(exitCode, 2);
  EXPECT_EQ(result, 2);  // the exit hook's exception ended the process
  EXPECT_FALSE(TLongRunWatch::InterruptRequested());
  // The long-run message came first: 500 looks of 10 ms are 5 seconds.
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(ToUtf8(TLongRunWatch::InterruptMessage("A.b")), "中断しました: A.b");
}

}  // namespace
}  // namespace ruvel::test
