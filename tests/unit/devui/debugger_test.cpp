// The debugger against real processes on hand-built bytecode: the pause
// entered from breakExec() and from a spent step budget, step / run /
// run to / stop, the listing from the current instruction, the stack dump
// and the headless refresh.
// The shared VM fixture is compiled into this test program as well.
#include "vm/vm_fixture.cpp"

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

#include "devui/debugger_model.h"
#include "devui/profiler.h"
#include "devui/source_view.h"
#include "devui/stack_dump.h"
#include "pages/page.h"
#include "platform/cp932.h"
#include "natives/natives_process.h"
#include "resources/resource_tree.h"

namespace ruvel::test {

class DebuggerTest : public VMTest {
 protected:
  void SetUp() override {
    VMTest::SetUp();
    Debugger().Reset();
    VM().debuggerPause = [] { Debugger().Pause(); };
    Collector().objectList.clear();
    VM().rootProcess = nullptr;
  }
  void TearDown() override {
    Debugger().Reset();
    VM().debuggerPause = nullptr;
    VM().rootProcess = nullptr;
    VMTest::TearDown();
  }

  // Method "work": breakExec(); 10; 20; return 7. Addresses: PushThis 0,
  // NativeCall 4, Pop 16, Push 10 at 20, Pop 32, Push 20 at 36, Pop 48,
  // Push 7 at 52, Ret 64.
  TProcess* MakeWorker() {
    TRTTI* cls = MakeClass("Dbg", {"m"}, objectClass);
    TNativeFunction* brk = AddNative(cls, "breakExec", NativeBreakExec);
    CodeBuilder c;
    c.Op(Op_PushThis).Op(Op_NativeCall, {0, brk->handle}).Op(Op_Pop);
    c.PushInt(10).Op(Op_Pop).PushInt(20).Op(Op_Pop).PushInt(7).Op(Op_Ret);
    AddFunction(cls, FunctionKind::kNormal, "work", c);
    Value obj = MakeObject(cls->CreateInstance());
    Retain(obj);
    held.push_back(obj);
    TProcess* p = TProcess::Create(obj.obj, nullptr, "work");
    processes.push_back(p);
    return p;
  }

  // Each round of messages while paused runs the next action; the
  // listing's first line is recorded at every round.
  void Script(std::vector<std::function<void()>> actions) {
    rounds = 0;
    heads.clear();
    Debugger().hooks.waitForInput = [this, actions] {
      TDebugger& d = Debugger();
      heads.push_back(d.listOpr.empty() ? std::string() : d.listOpr[0].substr(0, 9));
      captions.push_back(d.caption);
      if (rounds < actions.size()) actions[rounds]();
      ++rounds;
      return rounds < 50;  // a runaway pause ends as if the program closed
    };
  }

  size_t rounds = 0;
  std::vector<std::string> heads;
  std::vector<std::string> captions;
};

TEST_F(DebuggerTest, BreakExecPausesWithTheListingAtTheNextInstruction) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  bool pausedInside = false;
  Script({[&] {
    pausedInside = d.paused && d.HoldsExecution();
    d.RunAll();
  }});
  ruvel::Run(p, 0);
  EXPECT_TRUE(pausedInside);
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0], "00000010:");
  EXPECT_EQ(captions[0], J("停止中"));
  EXPECT_EQ(d.listFunc, std::vector<std::string>{"- Main -"});
  ASSERT_FALSE(d.listStack.empty());
  EXPECT_EQ(d.listStack[0], "stacks");
  EXPECT_EQ(d.listStack.back().rfind("proc.sp =", 0), 0u);
  // After the pause the caption is cleared and execution is held no more.
  EXPECT_FALSE(d.paused);
  EXPECT_TRUE(d.caption.empty());
  // The break spent the slice: the rest runs in the next Run, unpaused.
  ruvel::Run(p, 0);
  EXPECT_TRUE(p->halted);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 7);
  EXPECT_EQ(d.pauses, 1);
}

TEST_F(DebuggerTest, EachStepRunsOneInstructionAndListsFromTheNext) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  std::vector<std::string> stackAfterPush;
  Script({[&] { d.Step(); }, [&] { d.Step(); },
          [&] {
            stackAfterPush = d.listStack;
            d.Step();
          },
          [&] { d.RunAll(); }});
  ruvel::Run(p, 0);
  // Pop at 16, Push 10 at 20, Pop at 32 (the 10 on the stack), Push 20 at 36.
  EXPECT_EQ(heads, (std::vector<std::string>{"00000010:", "00000014:", "00000020:", "00000024:"}));
  EXPECT_NE(std::find(stackAfterPush.begin(), stackAfterPush.end(), "10"), stackAfterPush.end());
  EXPECT_EQ(d.pauses, 4);
  ruvel::Run(p, 0);
  ASSERT_TRUE(p->halted);
  EXPECT_EQ(p->result->i, 7);
}

TEST_F(DebuggerTest, StopHaltsWithoutRunningAnotherInstruction) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  Script({[&] { d.Stop(); }});
  ruvel::Run(p, 0);
  EXPECT_EQ(rounds, 1u);
  EXPECT_TRUE(p->halted);
  // Still on the Pop after the break, no result written.
  EXPECT_EQ(CurrentAddress(p), 16);
  EXPECT_EQ(p->result, nullptr);
  // Stop leaves single-stepping on.
  EXPECT_EQ(VM().stepBudget, 1);
}

TEST_F(DebuggerTest, RunToStopsAtTheChosenAddressOnly) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  Script({[&] {
            // Selecting the listing line of Push 7 fills the address.
            for (size_t i = 0; i < d.listOpr.size(); ++i) {
              if (d.listOpr[i].rfind("00000034:", 0) == 0) d.SelectListingLine(i);
            }
            d.RunToAddress();
          },
          [&] { d.RunAll(); }});
  EXPECT_EQ(d.eBreak, "$0000ffff");
  ruvel::Run(p, 0);
  EXPECT_EQ(d.eBreak, "$00000034");
  EXPECT_EQ(d.edit1.rfind("00000034:Push 7", 0), 0u);
  // Shown twice: at the break, then at address 0x34, nowhere between.
  EXPECT_EQ(heads, (std::vector<std::string>{"00000010:", "00000034:"}));
  EXPECT_EQ(d.runTo, -1);
}

TEST_F(DebuggerTest, StepWithoutPauseRunsTheRootProcessOneInstruction) {
  TProcess* p = MakeWorker();
  VM().rootProcess = p;
  TDebugger& d = Debugger();
  Script({[&] { d.Stop(); }});
  d.Step();
  // PushThis ran; the pause showed the native call next.
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0], "00000004:");
  EXPECT_TRUE(p->halted);
}

TEST_F(DebuggerTest, TheOpenCommandIsRefusedWhileExecutionIsHeld) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  PageHooks().debuggerHolding = [] { return Debugger().HoldsExecution(); };
  bool opened = true;
  Script({[&] {
    std::string file = "/nonexistent/page.cmml";
    opened = OpenPageCommand(file);
    d.RunAll();
  }});
  ruvel::Run(p, 0);
  PageHooks().debuggerHolding = nullptr;
  EXPECT_FALSE(opened);
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(sink.shown.back(), J("先にデバッグウィンドウの「停止」を押してください"));
}

TEST_F(DebuggerTest, HeadlessBreakWritesTheRefreshOnceAndGoesOn) {
  TProcess* p = MakeWorker();
  TDebugger& d = Debugger();
  d.headless = true;
  std::vector<std::string> lines;
  d.hooks.writeLine = [&](const std::string& l) { lines.push_back(l); };
  ruvel::Run(p, 0);
  ruvel::Run(p, 0);
  EXPECT_TRUE(p->halted);
  EXPECT_EQ(p->result->i, 7);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], J("停止中"));
  EXPECT_EQ(lines[1], "00000010:Pop");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "stacks"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "-----------"), lines.end());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), J("停止中")), 1);
  EXPECT_FALSE(d.paused);
}

TEST_F(DebuggerTest, StackDumpOfAMethodWithTwoArgumentsAndNoLocals) {
  TRTTI* cls = MakeClass("Two", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_ArgValPtr_Deref, {1, 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "two", c, {"a", "b"});
  Value obj = MakeObject(cls->CreateInstance());
  Retain(obj);
  held.push_back(obj);
  std::vector<Value> args = {MakeInt(1), MakeInt(2)};
  TProcess* p = TProcess::Create(obj.obj, &args, "two");
  processes.push_back(p);
  std::string self = "Two@" + std::to_string(obj.obj->handle);
  EXPECT_EQ(StackDump(p), (std::vector<std::string>{"stacks", "args/this 2", "2", "1", self, "-----------", self}));
}

TEST_F(DebuggerTest, StackDumpListsLocalsAndNothingForAReleasedStack) {
  TRTTI* cls = MakeClass("Loc", {}, objectClass);
  CodeBuilder c;
  c.PushInt(5).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "m", c, {"a"}, {"x", "y"});
  Value obj = MakeObject(cls->CreateInstance());
  Retain(obj);
  held.push_back(obj);
  std::vector<Value> args = {MakeInt(9)};
  TProcess* p = TProcess::Create(obj.obj, &args, "m");
  processes.push_back(p);
  std::vector<std::string> dump = StackDump(p);
  std::string self = "Loc@" + std::to_string(obj.obj->handle);
  EXPECT_EQ(dump, (std::vector<std::string>{"stacks", "null", "null", "args/this 1", "9", self, "-----------", self}));
  ruvel::Run(p, 0);
  // The finished process's result sits in the last slot.
  EXPECT_EQ(StackDump(p).back(), "5");
  p->Kill();
  EXPECT_TRUE(StackDump(p).empty());
}

TEST_F(DebuggerTest, ShowCodeListsAMethodFromItsStartWithItsSymbols) {
  MakeWorker();
  TDebugger& d = Debugger();
  d.eClass = "Dbg";
  d.eFunc = "work";
  d.ShowCode();
  ASSERT_EQ(d.listOpr.size(), 9u);
  EXPECT_EQ(d.listOpr[0], "00000000:PushThis");
  EXPECT_EQ(d.listOpr[8], "00000040:Ret");
  // An unknown class changes nothing.
  d.eClass = "NoSuchClass";
  d.listOpr = {"kept"};
  d.ShowCode();
  EXPECT_EQ(d.listOpr, std::vector<std::string>{"kept"});
}

TEST_F(DebuggerTest, RunToAddressesAreHexadecimalAfterADollarSign) {
  EXPECT_EQ(TDebugger::ParseAddress("$0000ffff"), 0xffff);
  EXPECT_EQ(TDebugger::ParseAddress("$34"), 0x34);
  EXPECT_EQ(TDebugger::ParseAddress("52"), 52);
  EXPECT_EQ(TDebugger::ParseAddress("$"), -1);
  EXPECT_EQ(TDebugger::ParseAddress("$xyz"), -1);
  EXPECT_EQ(TDebugger::ParseAddress(""), -1);
  EXPECT_EQ(TDebugger::ParseAddress("-4"), -1);
}

TEST_F(DebuggerTest, GcButtonCollectsACycleAndNeedsARootProcess) {
  TDebugger& d = Debugger();
  EXPECT_FALSE(d.CollectGarbage());
  TRTTI* cls = MakeClass("Node", {"other"}, objectClass);
  Instance* a = cls->CreateInstance();
  Instance* b = cls->CreateInstance();
  Value va = MakeObject(a);
  Value vb = MakeObject(b);
  a->members()[0] = vb;
  Retain(vb);
  b->members()[0] = va;
  Retain(va);
  TProcess* root = MakeWorker();
  VM().rootProcess = root;
  bool shown = false;
  Collector().showDebugger = [&] { shown = true; };
  EXPECT_TRUE(d.CollectGarbage());
  Collector().showDebugger = nullptr;
  EXPECT_EQ(a->refcount, -1);
  EXPECT_EQ(b->refcount, -1);
  EXPECT_FALSE(VM().checkMode);
  EXPECT_EQ(d.listObj, Collector().objectList);
  (void)shown;
}

TEST_F(DebuggerTest, ActivateListsEveryResourceName) {
  MakeWorker();
  TDebugger& d = Debugger();
  d.Activate();
  ASSERT_FALSE(d.lFiles.empty());
  EXPECT_EQ(d.lFiles[0], "<root>");
  EXPECT_NE(std::find(d.lFiles.begin(), d.lFiles.end(), "Dbg"), d.lFiles.end());
}

}  // namespace ruvel::test

namespace ruvel::test {

TEST_F(DebuggerTest, TheObjectViewListsLiveInstancesWithTheirMembers) {
  TRTTI* cls = MakeClass("Pt", {"x", "y"}, objectClass);
  Instance* a = cls->CreateInstance();
  Value va = MakeObject(a);
  Retain(va);
  held.push_back(va);
  a->members()[0] = MakeInt(3);
  a->members()[1] = MakeInt(4);
  cls->CreateInstance();  // refcount 0: not live, not listed
  TDebugger& d = Debugger();
  d.eClass = "Pt";
  d.ShowObjects();
  EXPECT_EQ(d.listObjects, (std::vector<std::string>{"Pt@" + std::to_string(a->handle) + " r=1", "  x=3", "  y=4"}));
  d.eClass = "Missing";
  d.ShowObjects();
  EXPECT_TRUE(d.listObjects.empty());
}

}  // namespace ruvel::test

namespace ruvel::test {

namespace {
int64_t g_fakeNs = 0;
// Every reading of the clock is one microsecond after the last.
int64_t FakeClock() { return g_fakeNs += 1000; }
}  // namespace

TEST_F(DebuggerTest, TheTimeAnalyzerCountsCallsPerMethodBetweenStartAndStop) {
  // leaf() returns 1; mid() calls leaf() twice; the class code calls mid()
  // three times.
  TRTTI* cls = MakeClass("Prof", {}, objectClass);
  CodeBuilder leaf;
  leaf.PushInt(1).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "leaf", leaf);
  CodeBuilder mid;
  for (int i = 0; i < 2; ++i) {
    mid.Op(Op_PushThis).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("leaf")), 0}).Op(Op_Pop);
  }
  mid.PushInt(0).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "mid", mid);
  CodeBuilder body;
  for (int i = 0; i < 3; ++i) {
    body.Op(Op_PushThis).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("mid")), 0}).Op(Op_Pop);
  }
  body.PushInt(0).Op(Op_Ret);
  cls->ClassCode = body.Finish(cls);
  Value obj = MakeObject(cls->CreateInstance());
  Retain(obj);
  held.push_back(obj);

  TDebugger& d = Debugger();
  Profiler().testClock = FakeClock;
  // Calls before Start are not counted.
  TProcess* before = TProcess::Create(obj.obj, nullptr, "mid");
  processes.push_back(before);
  ruvel::Run(before, 0);
  d.StartProfile();
  EXPECT_TRUE(Profiler().Running());
  TProcess* p = TProcess::Create(obj.obj, nullptr, "");
  processes.push_back(p);
  ruvel::Run(p, 0);
  d.StopProfile();
  EXPECT_FALSE(Profiler().Running());
  EXPECT_EQ(VM().profile, nullptr);
  // Calls after Stop are not counted either.
  TProcess* after = TProcess::Create(obj.obj, nullptr, "mid");
  processes.push_back(after);
  ruvel::Run(after, 0);
  Profiler().testClock = nullptr;

  std::map<std::string, TProfileRow> rows;
  for (const TProfileRow& r : d.profileRows) rows[r.name] = r;
  ASSERT_EQ(rows.count("Prof.mid"), 1u);
  ASSERT_EQ(rows.count("Prof.leaf"), 1u);
  EXPECT_EQ(rows["Prof.mid"].calls, 3);
  EXPECT_EQ(rows["Prof.leaf"].calls, 6);
  EXPECT_EQ(rows["Prof.<body>"].calls, 0);
  // Every microsecond between two events belongs to one method: the body
  // is charged from the run's start, each mid from its call to its first
  // leaf call and between and after its leaves, each leaf from its call to
  // its return.
  EXPECT_DOUBLE_EQ(rows["Prof.leaf"].totalMs, 6 * 0.001);
  EXPECT_DOUBLE_EQ(rows["Prof.leaf"].AverageMs(), 0.001);
  EXPECT_DOUBLE_EQ(rows["Prof.mid"].totalMs, 9 * 0.001);
  // Sorted by total time.
  ASSERT_GE(d.profileRows.size(), 2u);
  EXPECT_EQ(d.profileRows[0].name, "Prof.mid");
  EXPECT_EQ(d.profileRows[1].name, "Prof.leaf");
  std::string csv = Profiler().Csv();
  EXPECT_EQ(csv.rfind("name,calls,total_ms,average_ms\nProf.mid,3,0.009,0.0030\nProf.leaf,6,0.006,0.0010\n", 0), 0u);
}

}  // namespace ruvel::test

namespace ruvel::test {

TEST_F(DebuggerTest, SourceLinesOfPositionsAndTheTextAroundALine) {
  EXPECT_EQ(LineOfPosition("a\nbc\nd", 0), 1);
  EXPECT_EQ(LineOfPosition("a\nbc\nd", 3), 2);
  EXPECT_EQ(LineOfPosition("a\nbc\nd", 5), 3);
  EXPECT_EQ(LineOfPosition("a\nbc\nd", -1), 0);
  std::string file = ::testing::TempDir() + "/ruvel_source_view.ruvel";
  {
    std::ofstream out(file, std::ios::binary);
    out << "one\r\ntwo\nthree\nfour\n";
  }
  EXPECT_EQ(SourceAround(file, 2, 1), (std::vector<std::string>{"   1  one", "   2=>two", "   3  three"}));
  EXPECT_EQ(SourceAround(file, 1, 0), std::vector<std::string>{"   1=>one"});
  EXPECT_TRUE(SourceAround(file + ".missing", 1, 3).empty());
  std::remove(file.c_str());
}

TEST_F(DebuggerTest, TheSourceViewFollowsThePauseAndALineBreakpointStopsThere) {
  // The worker's statements: line 1 "breakExec();" from address 0, line 2
  // "10;" from 20, line 3 "20;" from 36, line 4 "return 7;" from 52.
  std::string file = ::testing::TempDir() + "/ruvel_dbg_source.ruvel";
  const std::string text = "breakExec();\n10;\n20;\nreturn 7;\n";
  {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }
  TProcess* p = MakeWorker();
  TRTTI* cls = FindClass("Dbg");
  ASSERT_NE(cls, nullptr);
  cls->sourcePath = file;
  auto* work = static_cast<TNormalFunction*>(cls->FindMethodByName("work"));
  work->Code->symbols.points = {{"0", 0}, {std::to_string(text.find("10")), 20},
                                {std::to_string(text.find("20")), 36}, {std::to_string(text.find("return")), 52}};
  TDebugger& d = Debugger();
  std::vector<std::string> sourceAtBreak;
  bool lineFound = false;
  Script({[&] {
            sourceAtBreak = d.listSource;
            d.eClass = "Dbg";
            d.eLine = "4";
            lineFound = d.RunToLine();
          },
          [&] { d.RunAll(); }});
  ruvel::Run(p, 0);
  std::remove(file.c_str());
  // Paused after breakExec (address 16, still line 1's statement).
  ASSERT_FALSE(sourceAtBreak.empty());
  EXPECT_EQ(sourceAtBreak[0], "   1=>breakExec();");
  EXPECT_TRUE(lineFound);
  // The second pause stands on line 4's first instruction.
  EXPECT_EQ(heads, (std::vector<std::string>{"00000010:", "00000034:"}));
  d.eLine = "9";
  EXPECT_FALSE(d.RunToLine());
}

}  // namespace ruvel::test
