// The frame loop driven by a manual clock and a fake root-process runner.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/surface.h"
#include "resources/resource_tree.h"
#include "screen/host_state.h"
#include "screen/script_globals.h"
#include "screen_fixture.h"
#include "shell/frame_loop.h"

namespace ruvel::test {
namespace {

class FrameLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto tree = std::make_unique<TResourceList>();
    auto* globals = new TResourceList();
    globals->name = "usrglobal";
    tree->AddChild(globals);
    SetRoot(std::move(tree));
    HostState() = THostState();
    previousSink = SetSink(&sink);
    VM().evaluateSnippet = [this](const std::string& s) {
      snippets.push_back(s);
      return 0;
    };
    loop = std::make_unique<TFrameLoop>(clock);
    loop->autoExec = true;
    TFrameLoopHooks& h = loop->hooks;
    h.rootProcess = [this] { return root; };
    h.runRoot = [this](TProcess* p, int32_t budget) {
      EXPECT_EQ(p, root);
      EXPECT_EQ(budget, 123456);
      doDraw.push_back(GlobalInt("$_doDraw"));
      drawingFrame.push_back(HostState().drawingFrame);
      if (onStep) onStep(static_cast<int>(doDraw.size()));
    };
    h.stepFinished = [this](TProcess*) {
      if (unfinishedSteps == 0) return true;
      --unfinishedSteps;
      return false;
    };
    h.tell = [this](const std::string& text) { told.push_back(text); };
    h.clearSprites = [this] { clears.push_back(static_cast<int>(doDraw.size())); };
    h.draw = [this] { ++draws; };
    h.drawingDisabled = [this] { return disabled; };
    h.disableDrawing = [this] { disabled = true; };
    h.sleep = [this](int ms) { sleeps.push_back(ms); };
    h.pageSwitchPending = [this] { return pending; };
    h.performPageSwitch = [this] {
      if (pending) ++switches;
      pending = false;
    };
    h.showLoadingWindow = [this](const std::string& caption) { loadingShown.push_back(caption); };
  }
  void TearDown() override {
    VM().evaluateSnippet = nullptr;
    SetSink(previousSink);
    FreeRoot();
    HostState() = THostState();
  }
  void Call(double atMs) {
    clock.now = atMs;
    loop->Main();
  }

  TManualClock clock;
  std::unique_ptr<TFrameLoop> loop;
  TProcess* root = reinterpret_cast<TProcess*>(&rootStandIn);
  int rootStandIn = 0;
  std::vector<int32_t> doDraw;
  std::vector<bool> drawingFrame;
  std::vector<int> clears;
  std::vector<int> sleeps;
  std::vector<std::string> loadingShown;
  std::vector<std::string> snippets;
  std::function<void(int)> onStep;
  int draws = 0;
  int unfinishedSteps = 0;  // budgets the next steps run out of before their suspend()
  std::vector<std::string> told;
  int switches = 0;
  bool pending = false;
  bool disabled = false;
  CaptureSink sink;
  MessageSink* previousSink = nullptr;
};

TEST_F(FrameLoopTest, AStallOfOneSecondRunsExactlySevenStepsAndDrawsOnce) {
  Call(1000.0);
  EXPECT_EQ(loop->lastSteps, 7);
  EXPECT_EQ(doDraw, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(drawingFrame, (std::vector<bool>{false, false, false, false, false, false, true}));
  EXPECT_EQ(clears, (std::vector<int>{6})) << "the list is emptied just before the last step";
  EXPECT_EQ(draws, 1);
  EXPECT_EQ(loop->drawCount, 1);
  EXPECT_EQ(loop->history[0], char('0' + 58));
  EXPECT_EQ(loop->historyPos, 2);
  // The other 51 steps are forgotten: the base moved by all 58.
  EXPECT_DOUBLE_EQ(loop->timeBase, 58 * 17.0);
  EXPECT_EQ(sleeps, (std::vector<int>{0}));
}

// Only the step that ends a frame runs on past its budget, until it is
// complete: the frame never shows part of its sprites. Said once.
TEST_F(FrameLoopTest, TheDrawingStepRunsOnUntilCompleteAndIsNamedOnce) {
  unfinishedSteps = 2;
  Call(34.0);
  EXPECT_EQ(doDraw, (std::vector<int32_t>{0, 1, 1, 1})) << "two budgets more for the drawing step";
  EXPECT_EQ(loop->lastSteps, 2);
  EXPECT_EQ(clears, (std::vector<int>{1})) << "emptied once, before the drawing step";
  EXPECT_EQ(draws, 1);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(J("命令数の上限")), std::string::npos);
  doDraw.clear();
  unfinishedSteps = 100;
  Call(51.0);
  EXPECT_EQ(doDraw.size(), size_t(TFrameLoop::kMaxDrawBudgets)) << "an endless step still ends the frame";
  EXPECT_EQ(draws, 2);
  EXPECT_EQ(told.size(), 1u);
}

TEST_F(FrameLoopTest, ACallWithin17msRunsNothingAndKeepsTheFraction) {
  Call(34.0);
  ASSERT_EQ(doDraw.size(), 2u);
  doDraw.clear();
  Call(50.0);
  EXPECT_EQ(loop->lastSteps, 0);
  EXPECT_TRUE(doDraw.empty());
  EXPECT_EQ(draws, 1);
  EXPECT_EQ(loop->history.substr(0, 2), std::string("2") + "0");
  EXPECT_FALSE(HostState().drawingFrame);
  Call(51.0);  // 17 ms after the accounted 34
  EXPECT_EQ(loop->lastSteps, 1);
  EXPECT_EQ(draws, 2);
  EXPECT_DOUBLE_EQ(loop->timeBase, 51.0);
}

TEST_F(FrameLoopTest, HistoryIsARingOfTen) {
  for (int i = 1; i <= 12; ++i) Call(17.0 * i);
  EXPECT_EQ(loop->history, "1111111111");
  EXPECT_EQ(loop->historyPos, 3);
  Call(17.0 * 12 + 3 * 17.0);
  EXPECT_EQ(loop->history, "1131111111");
}

TEST_F(FrameLoopTest, APageSwitchEndsTheFrameAfterItsStep) {
  onStep = [this](int step) {
    if (step == 2) pending = true;
  };
  Call(4 * 17.0);
  EXPECT_EQ(doDraw.size(), 2u);
  EXPECT_EQ(draws, 0);
  EXPECT_EQ(switches, 1) << "performed at the end of the same call";
  EXPECT_FALSE(pending);
}

TEST_F(FrameLoopTest, NothingRunsWithoutAutomaticExecutionOrRoot) {
  loop->autoExec = false;
  Call(500.0);
  EXPECT_TRUE(doDraw.empty());
  EXPECT_DOUBLE_EQ(loop->timeBase, 500.0) << "the time base follows now";
  EXPECT_EQ(snippets, (std::vector<std::string>{"if($frameManager) $frameManager.doPause();"}));
  EXPECT_EQ(draws, 1) << "pausing draws the frame once";
  Call(600.0);
  EXPECT_EQ(snippets.size(), 1u) << "paused once, not per call";
  loop->autoExec = true;
  Call(617.0);
  EXPECT_EQ(doDraw.size(), 1u) << "no catch-up for the paused time";
  EXPECT_EQ(snippets.back(), "if($frameManager) $frameManager.doPauseEnd();");
  root = nullptr;
  Call(1000.0);
  EXPECT_EQ(doDraw.size(), 1u);
}

TEST_F(FrameLoopTest, DeactivationPausesOnceAndResumesOnce) {
  std::string pauseParam = "1";
  HostState().projectParam = [&](const std::string& n) { return n == "deactivation_pause" ? pauseParam : ""; };
  Call(17.0);
  ASSERT_EQ(doDraw.size(), 1u);
  HostState().appActive = false;
  Call(34.0);
  Call(51.0);
  Call(68.0);
  EXPECT_EQ(doDraw.size(), 1u);
  int pauses = 0;
  for (auto& s : snippets) pauses += s.find("doPause()") != std::string::npos;
  EXPECT_EQ(pauses, 1);
  HostState().appActive = true;
  Call(85.0);
  Call(102.0);
  int resumes = 0;
  for (auto& s : snippets) resumes += s.find("doPauseEnd") != std::string::npos;
  EXPECT_EQ(resumes, 1);
  EXPECT_EQ(doDraw.size(), 3u);
}

TEST_F(FrameLoopTest, AnInactiveWindowSleepsWhenItDoesNotPause) {
  HostState().appActive = false;  // "deactivation_pause" unset: keeps running
  Call(17.0);
  EXPECT_EQ(doDraw.size(), 1u);
  EXPECT_EQ(sleeps, (std::vector<int>{100, 0}));
}

TEST_F(FrameLoopTest, ErrorsAreShownWithThePrefixAndTheLoopGoesOn) {
  onStep = [](int) { throw EVMError("boom"); };
  Call(17.0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], J("実行時エラー:") + "boom");
  EXPECT_TRUE(loop->errorSeen);
  EXPECT_FALSE(loop->inFrame);
  EXPECT_EQ(loadingShown.size(), 1u);
  EXPECT_EQ(draws, 0);
  onStep = nullptr;
  Call(34.0);
  EXPECT_EQ(draws, 1);
}

TEST_F(FrameLoopTest, DrawingFaultsDisableDrawingAndAreOnlyLogged) {
  loop->hooks.draw = [] { throw EDrawError("lost"); };
  Call(17.0);
  EXPECT_TRUE(sink.messages.empty());
  ASSERT_EQ(sink.logs.size(), 1u);
  EXPECT_EQ(sink.logs[0], J("実行時エラー:") + "lost");
  EXPECT_TRUE(disabled);
  Call(34.0);
  EXPECT_EQ(doDraw.size(), 2u);
  EXPECT_EQ(sink.logs.size(), 1u) << "drawing stays off until a paint";
}

TEST_F(FrameLoopTest, ACallDuringAFrameDoesNothing) {
  bool nested = false;
  onStep = [&](int) { nested = loop->Main(); };
  Call(17.0);
  EXPECT_TRUE(nested);
  EXPECT_EQ(doDraw.size(), 1u);
  EXPECT_EQ(switches, 0);
}

TEST_F(FrameLoopTest, TheFixedClockRunsOneStepPerCall) {
  TFixedStepClock fixed;
  TFrameLoop fixedLoop(fixed);
  fixedLoop.hooks = loop->hooks;
  fixedLoop.autoExec = true;
  for (int i = 0; i < 5; ++i) fixedLoop.Main();
  EXPECT_EQ(doDraw, (std::vector<int32_t>{1, 1, 1, 1, 1}));
  EXPECT_EQ(fixedLoop.drawCount, 5);
  EXPECT_EQ(fixedLoop.history.substr(0, 5), "11111");
}

}  // namespace
}  // namespace ruvel::test
