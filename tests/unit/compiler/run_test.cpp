// End to end: classes compiled from source text run through snippets and
// processes to a result; snippet bookkeeping; globals for the host; the
// multi-snippet script.
#include <filesystem>
#include <fstream>

#include "compiler/multi_eval.h"
#include "compiler/snippet.h"
#include "compiler_fixture.h"
#include "platform/error.h"
#include "resources/resource_global.h"
#include "resources/resource_tree.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/process.h"

namespace ruvel::test {

class RunTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    MustCompile("Point",
                "extends Object;\r\n"
                "constructor Point(x0, y0) { x = x0; y = y0; }\r\n"
                "function sum() { return x + y; }\r\n"
                "function scaled(k) { var r; r = new Point(x * k, y * k); return r; }\r\n");
    MustCompile("Base",
                "extends Object;\r\n"
                "constructor Base(v) { val = v; }\r\n"
                "function get() { return val; }\r\n"
                "function name() { return \"base\"; }\r\n"
                "function describe() { return name() + \":\" + get(); }\r\n");
    MustCompile("Derived",
                "extends t.Base;\r\n"
                "constructor Derived() { super(10); }\r\n"
                "function get() { return super.get() + 1; }\r\n"
                "function name() { return \"derived\"; }\r\n");
    MustCompile("Calc",
                "extends Object;\r\n"
                "function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }\r\n"
                "function gcd(a, b) { var t; while (b != 0) { t = a % b; a = b; b = t; } return a; }\r\n");
  }
};

TEST_F(RunTest, SnippetValueEvaluatesAnExpression) {
  Value* v = SnippetValue("1+2");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->tag, kInt);
  EXPECT_EQ(v->i, 3);
  v = SnippetValue("7 / 2");
  EXPECT_EQ(v->tag, kFloat);
  EXPECT_FLOAT_EQ(v->f, 3.5f);
  EXPECT_TRUE(errors.empty());
}

TEST_F(RunTest, ObjectsMethodsAndConstructors) {
  EXPECT_EQ(EvalGlobal("extends Object; p = new Point(3, 4); $r = p.scaled(2).sum();", "$r"), "14");
  EXPECT_EQ(EvalGlobal("extends Object; p = new Point(3, 4); $r = p.x * 10 + p.y;", "$r"), "34");
  EXPECT_EQ(EvalGlobal("extends Object; p = new Point(1, 2); p.x = 5; $r = p.sum() + (p is Point) + (p is Array);",
                       "$r"),
            "8");
  EXPECT_TRUE(errors.empty());
}

TEST_F(RunTest, InheritanceOverridesAndSuperCalls) {
  // get() overrides by index, so the base's describe reaches the override
  // through its static call; super.get() reaches the base's own.
  EXPECT_EQ(EvalGlobal("extends Object; d = new Derived(); $r = d.describe();", "$r"), "derived:11");
  EXPECT_EQ(EvalGlobal("extends Object; b = new Base(4); $r = b.describe();", "$r"), "base:4");
  EXPECT_TRUE(errors.empty());
}

TEST_F(RunTest, LoopsRecursionAndArrays) {
  EXPECT_EQ(EvalGlobal("extends Object; c = new Calc(); $r = c.fact(6) + c.gcd(84, 36) * 1000;", "$r"), "12720");
  EXPECT_EQ(EvalGlobal("extends Object;\r\n"
                       "a = new Array();\r\n"
                       "for (i = 0; i < 6; i++) a.add(i * i);\r\n"
                       "s = 0;\r\n"
                       "for (v in a) { if (v > 9) break; s += v; }\r\n"
                       "n = 0;\r\n"
                       "while (1) { n++; if (n >= a.size()) break; }\r\n"
                       "$r = s * 100 + n;",
                       "$r"),
            "1406");
  EXPECT_TRUE(errors.empty());
}

TEST_F(RunTest, ShortCircuitAndComparisonsLeaveTheirValues) {
  EXPECT_EQ(EvalGlobal("$r = 0 || 2;", "$r"), "2");
  EXPECT_EQ(EvalGlobal("$r = 3 && 0;", "$r"), "0");
  EXPECT_EQ(EvalGlobal("$r = null || 5;", "$r"), "5");
  EXPECT_EQ(EvalGlobal("$r = 1 < 2 < 3;", "$r"), "1");
  EXPECT_EQ(EvalGlobal("$r = !0 + -(-4);", "$r"), "5");
  // Compound assignments and x++ give the new value where it is used.
  EXPECT_EQ(EvalGlobal("extends Object; y = 5; $r = y++;", "$r"), "6");
  EXPECT_EQ(EvalGlobal("extends Object; y = 0; $r = 0; if (y++) $r = y * 10; $r += 1;", "$r"), "11");
  EXPECT_EQ(EvalGlobal("extends Object; n = 0; while (n++ < 3) $r = n;", "$r"), "2");
  // The right side of && is not evaluated when the left is false.
  EXPECT_EQ(EvalGlobal("extends Object; x = 0; $r = 0 && (x = 1); $r = x;", "$r"), "0");
}

TEST_F(RunTest, StringsWithEscapes) {
  EXPECT_EQ(EvalGlobal("$r = \"a\\\"b\" + 1 + \"\\tc\";", "$r"), "a\"b1\tc");
  EXPECT_EQ(EvalGlobal("extends Object; s = \"\x95\\\"; $r = s.length();", "$r"), "2");
}

TEST_F(RunTest, SnippetResults) {
  const int32_t before = EvalCache().counter;
  // A run-time error ends the snippet with 2 and is shown.
  int r = -1;
  EvalGlobal("$r = 5; x = 1 / 0; $r = 6;", "$r", &r);
  EXPECT_EQ(r, 2);
  EXPECT_EQ(ValueToText(*GlobalValuePtr("$r")), "5");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("ゼロによる除算"));
  errors.clear();

  // A syntax error: 1, the class is freed, the counter still advances.
  EXPECT_EQ(EvaluateSnippet("$r = ;", true), 1);
  EXPECT_EQ(EvalCache().counter, before + 2);
  EXPECT_EQ(FindResource("eval" + std::to_string(before + 1)), nullptr);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("文法エラー:"));
  errors.clear();
  EXPECT_EQ(EvaluateSnippet("$r = ;", false), 1);
  EXPECT_TRUE(errors.empty());

  // A compile error: 1, reported with the snippet class's name.
  EXPECT_EQ(EvaluateSnippet("x = new Nope();", true), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, "eval" + std::to_string(before + 3) + ":Nope" + J("は定義されていません"));

  // A snippet that finishes leaves nothing behind.
  const long instances = VM().stats.liveInstances;
  const long functions = VM().stats.liveFunctions;
  EXPECT_EQ(EvaluateSnippet("function f() { return 1; } x = f();", true), 0);
  EXPECT_EQ(VM().stats.liveInstances, instances);
  EXPECT_EQ(VM().stats.liveFunctions, functions);
}

TEST_F(RunTest, ASnippetThatKeepsItselfIsNotFreed) {
  const size_t kept = EvalCache().kept.size();
  EXPECT_EQ(EvaluateSnippet("extends Object; function hello() { return 42; } $keep = this;", true), 0);
  EXPECT_EQ(EvalCache().kept.size(), kept + 1);
  // The object is still usable afterwards.
  EXPECT_EQ(EvalGlobal("$r = $keep.hello();", "$r"), "42");
  SetGlobal("$keep", MakeInt(0));
}

TEST_F(RunTest, GlobalsForTheHost) {
  SetGlobal("$in", MakeInt(41));
  EXPECT_EQ(EvalGlobal("$out = $in + 1;", "$out"), "42");
  // Only "$" names are globals, whatever else the tree holds.
  auto* param = new TfParam("in", "1");
  root->AddChild(param);
  EXPECT_EQ(GlobalValuePtr("in"), nullptr);
  EXPECT_NE(GlobalValuePtr("$in"), nullptr);
  EXPECT_EQ(GlobalValuePtr(""), nullptr);
  SetGlobal("nothing", MakeInt(1));  // no slot: nothing happens
  // A global declared in the tree is prepared through the installed evaluator.
  auto* declared = new TGlobalValue("$start", "\"go\"");
  root->Child("usrglobal")->AddChild(declared);
  TInitContext ctx;
  declared->PrepareStep(ctx);
  EXPECT_EQ(ValueToText(declared->value), "go");
}

TEST_F(RunTest, ClassesCompiledFromSourceRunAsProcesses) {
  TRTTI* counter = MustCompile("Counter",
                               "extends Object;\r\n"
                               "function run(limit) { var i; for (i = 0; i < limit; i++) { total += i; suspend(); } "
                               "return total; }\r\n"
                               "total = 0;\r\n");
  Instance* inst = counter->CreateInstance();
  std::vector<Value> args = {MakeInt(4)};
  TProcess* p = TProcess::Create(inst, &args, "run");
  int runs = 0;
  while (!p->halted && runs < 100) {
    ruvel::Run(p, 0);
    ++runs;
  }
  ASSERT_TRUE(p->halted);
  EXPECT_EQ(runs, 5);  // suspended four times, then returned
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(ValueToText(*p->result), "6");
  TProcess::Free(p);
}

TEST_F(RunTest, RunTimeErrorsPointAtTheStatement) {
  TRTTI* cls = MustCompile("Faulty", "extends Object;\r\nfunction f() { x = 1;\r\n y = 1 / 0; }\r\n");
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "f");
  ruvel::Run(p, 0);
  EXPECT_EQ(p->state, 2);
  TProcess::Free(p);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("ゼロによる除算"));
  // The trace names the ";" of the failing statement.
  ASSERT_EQ(errors[0].trace.size(), 1u);
  EXPECT_EQ(errors[0].trace[0].position, 50);
}

TEST(MultiEvaluator, CollectsSnippetsWithCheckpoints) {
  TMultiEvaluator m;
  m.Add("$a = 1;");
  m.Add("$b = 2;");
  ASSERT_EQ(m.Lines().size(), 3u);
  EXPECT_EQ(m.Lines()[0], "extends Object; $_exec_checkPoint=-1;");
  EXPECT_EQ(m.Lines()[1], "$a = 1;\r\n$_exec_checkPoint=1;");
  EXPECT_EQ(m.Lines()[2], "$b = 2;\r\n$_exec_checkPoint=2;");

  std::filesystem::path file = std::filesystem::temp_directory_path() / "ruvel_multi_eval_test.ruvel";
  m.SaveToFile(file.string());
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "extends Object; $_exec_checkPoint=-1;\r\n$a = 1;\r\n$_exec_checkPoint=1;\r\n$b = 2;\r\n"
            "$_exec_checkPoint=2;\r\n");
  std::filesystem::remove(file);
  EXPECT_THROW(m.SaveToFile("/nonexistent-dir/x/y.ruvel"), EIOError);
}

TEST_F(RunTest, MultiEvaluatorCheckpointCountsFinishedSnippets) {
  TMultiEvaluator m;
  m.Add("$a = 1;");
  m.Add("$b = 1 / 0;");
  m.Add("$c = 1;");
  int r = -1;
  EXPECT_EQ(EvalGlobal(m.Text(), "$_exec_checkPoint", &r), "1");
  EXPECT_EQ(r, 2);
}

}  // namespace ruvel::test
