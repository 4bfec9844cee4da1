// The debugger engine on classes compiled from source and run as
// processes: breakpoints stop on their line with the values by name,
// steps land on the expected lines, conditions, break on error, the
// breakpoint file, and statement traps that neither change how many
// instructions a budget runs nor stay in the code once unneeded.
#include <filesystem>
#include <fstream>
#include <functional>

#include "compiler/compiler_fixture.h"
#include "debugger/debug_engine.h"
#include "devui/source_panes.h"
#include "runtime/function.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/statement_traps.h"

namespace ruvel::test {

namespace {

const char kFile[] = "/project/classes/Calc.ruvel";
const char kSource[] =
    "extends Object;\r\n"                 // 1
    "function add(a, b) {\r\n"            // 2
    "  var s;\r\n"                        // 3
    "  s = a + b;\r\n"                    // 4
    "  return s;\r\n"                     // 5
    "}\r\n"                               // 6
    "function main() {\r\n"               // 7
    "  var total;\r\n"                    // 8
    "  var i;\r\n"                        // 9
    "  total = 0;\r\n"                    // 10
    "  i = 0;\r\n"                        // 11
    "  while (i < 3) {\r\n"               // 12
    "    total = add(total, i);\r\n"      // 13
    "    i = i + 1;\r\n"                  // 14
    "  }\r\n"                             // 15
    "  $result = total;\r\n"              // 16
    "  return total;\r\n"                 // 17
    "}\r\n"                               // 18
    "function fail() {\r\n"               // 19
    "  var n;\r\n"                        // 20
    "  n = 5;\r\n"                        // 21
    "  n.foo();\r\n"                      // 22
    "}\r\n"                               // 23
    "function check() {\r\n"              // 24
    "  var r;\r\n"                        // 25
    "  r = 0;\r\n"                        // 26
    "  if (add(1, 2) > 2) r = 1;\r\n"     // 27
    "  r = r + 1;\r\n"                    // 28
    "  return r;\r\n"                     // 29
    "}\r\n"                               // 30
    "function objects() {\r\n"            // 31
    "  var list;\r\n"                     // 32
    "  list = new Array();\r\n"           // 33
    "  list.add(7).add(\"seven\");\r\n"   // 34
    "  kept = new Calc();\r\n"            // 35
    "  kept.kept = list;\r\n"             // 36
    "  list = 0;\r\n"                     // 37
    "}\r\n";                              // 38

// What a test saw at one stop.
struct Seen {
  TStopReason reason;
  std::string message;
  std::vector<TFrameInfo> stack;
  std::map<std::string, std::string> locals;
  std::string evaluated;
};

class DebugEngineTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    DebugEngine().Reset();
    calc = MustCompile("Calc", kSource);
    calc->sourcePath = kFile;
    DebugEngine().hooks.waitWhileStopped = [this] {
      TDebugEngine& e = DebugEngine();
      Seen s;
      s.reason = e.LastStop().reason;
      s.message = e.LastStop().message;
      s.stack = e.StackTrace(e.LastStop().processId);
      if (!s.stack.empty()) {
        for (const auto& scope : e.Scopes(s.stack[0].id)) {
          if (scope.name != "引数とローカル変数") continue;
          for (const auto& v : e.Variables(scope.variablesRef)) s.locals[v.name] = v.value;
        }
      }
      if (!evaluate.empty()) {
        TVariableInfo r;
        std::string error;
        s.evaluated = e.Evaluate(evaluate, 0, r, error) ? r.value : "error: " + error;
      }
      seen.push_back(s);
      if (next.empty() || seen.size() > 20) {
        e.Continue();
      } else {
        next.front()(e);
        next.erase(next.begin());
      }
      return true;
    };
  }
  void TearDown() override {
    DebugEngine().Reset();
    CompilerTest::TearDown();
  }

  // Runs a method of a new Calc to its end.
  void RunMethod(const std::string& method) {
    Instance* inst = NewInstance(calc);
    ++inst->refcount;
    TProcess* p = TProcess::Create(inst, nullptr, method);
    for (int i = 0; i < 100 && !p->halted; ++i) ruvel::Run(p, kUnlimitedBudget);
    EXPECT_TRUE(p->halted);
    TProcess::Free(p);
  }
  static int Line(const Seen& s) { return s.stack.empty() ? 0 : s.stack[0].line; }

  TRTTI* calc = nullptr;
  std::vector<Seen> seen;
  std::vector<std::function<void(TDebugEngine&)>> next;
  std::string evaluate;
};

TEST_F(DebugEngineTest, BreakpointStopsOnItsLineWithValuesByName) {
  auto set = DebugEngine().SetBreakpoints(kFile, {{4, ""}, {7, ""}, {40, ""}});
  ASSERT_EQ(set.size(), 3u);
  EXPECT_TRUE(set[0].verified);
  EXPECT_EQ(set[0].actualLine, 4);
  EXPECT_TRUE(set[1].verified);  // no statement on the method's own line: the next one
  EXPECT_GT(set[1].actualLine, 7);
  EXPECT_FALSE(set[2].verified);
  DebugEngine().SetBreakpoints(kFile, {{4, ""}});
  evaluate = "a + b * 10";
  RunMethod("main");
  ASSERT_EQ(seen.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const Seen& s = seen[static_cast<size_t>(k)];
    EXPECT_EQ(s.reason, TStopReason::kBreakpoint);
    ASSERT_GE(s.stack.size(), 2u);
    EXPECT_EQ(s.stack[0].line, 4);
    EXPECT_EQ(s.stack[0].column, 3);
    EXPECT_EQ(s.stack[0].method, "add");
    EXPECT_EQ(s.stack[0].className, "Calc");
    EXPECT_EQ(s.stack[0].file, kFile);
    EXPECT_EQ(s.stack[1].line, 13);
    EXPECT_EQ(s.stack[1].method, "main");
  }
  // total = add(total, i) for i = 0, 1, 2: a is the running total.
  EXPECT_EQ(seen[0].locals, (std::map<std::string, std::string>{{"a", "0"}, {"b", "0"}, {"s", "null"}}));
  EXPECT_EQ(seen[1].locals, (std::map<std::string, std::string>{{"a", "0"}, {"b", "1"}, {"s", "null"}}));
  EXPECT_EQ(seen[2].locals, (std::map<std::string, std::string>{{"a", "1"}, {"b", "2"}, {"s", "null"}}));
  EXPECT_EQ(seen[2].evaluated, "21");
  EXPECT_EQ(EvalGlobal("extends Object; $r = $result;", "$r"), "3");
}

TEST_F(DebugEngineTest, StepsLandOnTheExpectedLines) {
  DebugEngine().SetBreakpoints(kFile, {{13, ""}});
  next = {
      [](TDebugEngine& e) { e.StepInto(); },  // into add: line 4
      [](TDebugEngine& e) { e.StepOut(); },   // back in main after the call: line 14
      [](TDebugEngine& e) { e.StepOver(); },  // the loop again: line 13, also a breakpoint
      [](TDebugEngine& e) { e.StepOver(); },  // over the call: line 14
      [](TDebugEngine& e) {
        e.SetBreakpoints(kFile, {});
        e.StepInto();  // line 13
      },
      [](TDebugEngine& e) { e.StepInto(); },  // line 4
  };
  RunMethod("main");
  std::vector<int> lines;
  std::vector<int> depths;
  for (const Seen& s : seen) {
    lines.push_back(Line(s));
    depths.push_back(static_cast<int>(s.stack.size()));
  }
  EXPECT_EQ(lines, (std::vector<int>{13, 4, 14, 13, 14, 13, 4}));
  EXPECT_EQ(depths, (std::vector<int>{1, 2, 1, 1, 1, 1, 2}));
  EXPECT_EQ(seen[0].reason, TStopReason::kBreakpoint);
  EXPECT_EQ(seen[1].reason, TStopReason::kStep);
}

TEST_F(DebugEngineTest, ACallInAConditionIsNoStatementOfItsOwn) {
  // The call's mark in the code carries the position of the statement
  // before; it must neither stop there again nor count as that line.
  DebugEngine().SetBreakpoints(kFile, {{26, ""}});
  next = {
      [](TDebugEngine& e) { e.StepInto(); },  // into add: line 4
      [](TDebugEngine& e) { e.StepOut(); },   // r = 1
      [](TDebugEngine& e) { e.StepOver(); },  // r = r + 1
  };
  RunMethod("check");
  std::vector<int> lines;
  for (const Seen& s : seen) lines.push_back(Line(s));
  EXPECT_EQ(lines, (std::vector<int>{26, 4, 27, 28}));
}

TEST_F(DebugEngineTest, ObjectsOpenToTheirMembersAndArraysToTheirElements) {
  DebugEngine().SetBreakpoints(kFile, {{37, ""}});
  std::vector<std::string> tree;
  next = {[&](TDebugEngine& e) {
    // this -> kept (a Calc) -> kept (the array) -> its elements.
    auto stack = e.StackTrace(e.LastStop().processId);
    auto scopes = e.Scopes(stack.at(0).id);
    ASSERT_EQ(scopes.size(), 3u);
    std::function<void(int, const std::string&)> walk = [&](int ref, const std::string& path) {
      for (const auto& v : e.Variables(ref)) {
        if (v.name != "kept" && v.name[0] != '[' && v.name != "list") continue;
        tree.push_back(path + v.name + "=" + v.value.substr(0, v.value.find('#')) + ":" + v.type);
        if (v.variablesRef > 0 && path.size() < 20) walk(v.variablesRef, path + v.name + ".");
      }
    };
    walk(scopes[0].variablesRef, "");
    walk(scopes[1].variablesRef, "this.");
    e.Continue();
  }};
  RunMethod("objects");
  EXPECT_EQ(tree, (std::vector<std::string>{"list=Array:Array", "list.[0]=7:int", "list.[1]=\"seven\":string",
                                            "this.kept=Calc:Calc", "this.kept.kept=Array:Array",
                                            "this.kept.kept.[0]=7:int", "this.kept.kept.[1]=\"seven\":string"}));
}

TEST_F(DebugEngineTest, ConditionalBreakpointStopsOnlyWhenTrue) {
  DebugEngine().SetBreakpoints(kFile, {{4, "b == 2"}});
  RunMethod("main");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].locals["b"], "2");
  EXPECT_EQ(seen[0].locals["a"], "1");
}

TEST_F(DebugEngineTest, BreakOnErrorGivesTheMessageLineAndLocals) {
  DebugEngine().SetBreakOnError(true);
  EXPECT_FALSE(VM().statementTraps);  // errors need no traps
  RunMethod("fail");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].reason, TStopReason::kException);
  EXPECT_NE(seen[0].message.find("foo"), std::string::npos) << seen[0].message;
  EXPECT_EQ(Line(seen[0]), 22);
  EXPECT_EQ(seen[0].locals["n"], "5");
  EXPECT_FALSE(errors.empty());  // then shown, and the process ends as before
}

TEST_F(DebugEngineTest, AReportedErrorStopsOnceAndTheProcessGoesOn) {
  // A member that does not exist is reported, and the statement goes on.
  TRTTI* soft = MustCompile("Soft",
                            "extends Object;\r\n"
                            "function main() {\r\n"
                            "  var o;\r\n"
                            "  o = new Soft();\r\n"
                            "  o = o.missing;\r\n"
                            "  o = 7;\r\n"
                            "}\r\n");
  soft->sourcePath = "/project/classes/Soft.ruvel";
  DebugEngine().SetBreakOnError(true);
  next.push_back([](TDebugEngine& e) { e.StepOver(); });
  calc = soft;
  RunMethod("main");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].reason, TStopReason::kException);
  EXPECT_NE(seen[0].message.find("missing"), std::string::npos) << seen[0].message;
  EXPECT_EQ(Line(seen[0]), 5);
  EXPECT_EQ(seen[1].reason, TStopReason::kStep);
  EXPECT_EQ(Line(seen[1]), 6);
}

TEST_F(DebugEngineTest, TrapsKeepTheBudgetAndGoAwayAgain) {
  const TCompiledInfo& main = MethodCode(calc, "main");
  // The address and locals after exactly n instructions.
  auto after = [&](int32_t n) {
    Instance* inst = NewInstance(calc);
    ++inst->refcount;
    TProcess* p = TProcess::Create(inst, nullptr, "main");
    ruvel::Run(p, n);
    FrameData* fd = FrameOf(p->fp);
    auto* f = static_cast<TNormalFunction*>(fd->func);
    std::string state = f->GetName() + "@" + std::to_string(f->Code->AddressOf(p->ip));
    for (int32_t k = 0; k < f->LocalCount(); ++k) state += " " + ValueToText(p->fp[-k]);
    TProcess::Free(p);
    return state;
  };
  std::vector<std::string> plain;
  for (int32_t n : {7, 23, 40, 61}) plain.push_back(after(n));
  EXPECT_GT(main.FusedGroups(), 0);
  DebugEngine().SetBreakpoints(kFile, {{22, ""}});  // never reached by main
  EXPECT_TRUE(VM().statementTraps);
  EXPECT_EQ(main.FusedGroups(), 0);
  std::vector<std::string> trapped;
  for (int32_t n : {7, 23, 40, 61}) trapped.push_back(after(n));
  EXPECT_EQ(trapped, plain);
  EXPECT_TRUE(seen.empty());
  DebugEngine().SetBreakpoints(kFile, {});
  EXPECT_FALSE(VM().statementTraps);
  EXPECT_GT(main.FusedGroups(), 0);
  RunMethod("main");
  EXPECT_EQ(EvalGlobal("extends Object; $r = $result;", "$r"), "3");
}

TEST_F(DebugEngineTest, BreakpointsPersistPerProject) {
  auto dir = std::filesystem::temp_directory_path() / ("ruvel_bp_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  DebugEngine().LoadProject(dir.string());
  DebugEngine().SetBreakpoints(kFile, {{5, ""}, {13, "i > 1"}});
  DebugEngine().Reset();
  EXPECT_TRUE(DebugEngine().Breakpoints().empty());
  DebugEngine().LoadProject(dir.string());
  auto list = DebugEngine().Breakpoints();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].line, 5);
  EXPECT_TRUE(list[0].verified);
  EXPECT_EQ(list[1].condition, "i > 1");
  EXPECT_TRUE(DebugEngine().HasBreakpoint(kFile, 13));
  DebugEngine().ToggleBreakpoint(kFile, 13);
  EXPECT_FALSE(DebugEngine().HasBreakpoint(kFile, 13));
  std::filesystem::remove_all(dir);
}

TEST_F(DebugEngineTest, PanesFollowTheFrameAndRereadTheFile) {
  auto path = std::filesystem::temp_directory_path() / ("ruvel_panes_" + std::to_string(::getpid()) + ".ruvel");
  { std::ofstream(path, std::ios::binary) << kSource; }
  const std::string file = path.string();
  calc->sourcePath = file;
  TSourcePanes& panes = SourcePanes();
  panes.Reset();
  DebugEngine().SetBreakpoints(file, {{4, ""}});
  DebugEngine().watches = {"b + 100"};
  std::vector<std::string> shown;
  next = {[&](TDebugEngine& e) {
    panes.OnStopped();
    shown.push_back(std::to_string(panes.currentLine) + " " + panes.lines[3] + " " + std::to_string(panes.lines.size()));
    shown.push_back(panes.watchValues.at(0).second);
    panes.SelectFrame(1);  // the caller
    shown.push_back(std::to_string(panes.currentLine));
    for (const auto& v : panes.Children(panes.scopes.at(0).variablesRef)) shown.push_back(v.name + "=" + v.value);
    shown.push_back(panes.watchValues.at(0).second);  // no b in main
    // The file changes on disk: a line is deleted.
    std::string edited = kSource;
    edited.erase(edited.find("  var s;\r\n"), 10);
    { std::ofstream(path, std::ios::binary) << edited; }
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
    shown.push_back(panes.ReloadIfChanged() ? "reread" : "kept");
    shown.push_back(std::to_string(panes.lines.size()) + " " + panes.lines[2]);
    panes.ToggleLine(9);
    shown.push_back(panes.HasBreakpoint(10) ? "bp 10" : "no bp");
    e.SetBreakpoints(file, {});
    e.Continue();
    panes.OnContinued();
  }};
  RunMethod("main");
  EXPECT_EQ(shown, (std::vector<std::string>{"4   s = a + b; 38", "100", "13", "total=0", "i=0",
                                             "bは定義されていません", "reread",
                                             "37   s = a + b;", "bp 10"}));
  panes.Reset();
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace ruvel::test
