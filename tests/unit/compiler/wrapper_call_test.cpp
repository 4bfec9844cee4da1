// Calls of methods that only wrap a native (add, get, set of a list;
// vm/fast_natives.h) complete without a frame. Against the same code run
// without that shortcut: every step budget stops at the same place, the
// results and reference counts agree, errors and their traces are those
// of the native called normally, and replaced code is what runs.
#include "compiler/hot_swap.h"
#include "compiler_fixture.h"
#include "natives/natives_core.h"
#include "runtime/function.h"
#include "vm/interpreter.h"
#include "vm/process.h"

namespace ruvel::test {

namespace {

const char kListSource[] =
    "extends Object;\r\n"
    "native native_init;\r\n"
    "native native_add;\r\n"
    "native native_get;\r\n"
    "native native_set;\r\n"
    "constructor W() { _x = native_init(); }\r\n"
    "function add(v) { native_add(_x, v); return this; }\r\n"
    "function get(i) { return native_get(_x, i); }\r\n"
    "function set(i, v) { native_set(_x, i, v); return v; }\r\n";

const char kUserSource[] =
    "extends Object;\r\n"
    "function run(w, o) {\r\n"
    "  var i, s, t;\r\n"
    "  for (i = 0; i < 4; i++) w.add(i * 3);\r\n"
    "  t = w.add(o).add(o);\r\n"
    "  s = w.set(1, o);\r\n"
    "  for (i = 0; i < 4; i++) s = w.get(i);\r\n"
    "  return s;\r\n"
    "}\r\n"
    "function sum(w) {\r\n"
    "  return w.get(0) + w.get(2) + w.get(3);\r\n"
    "}\r\n"
    "function bad(w, i) { return w.get(i); }\r\n"
    "function deep(w, n) { var a, b, c; a = w.set(0, n); return deep(w, n + 1); }\r\n"
    "function pad(w, n, k) { if (k > 0) return pad(w, n, k - 1); return deep(w, n); }\r\n";

}  // namespace

class WrapperCallTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    list = MustCompile("W", kListSource);
    list->BindNative("native_init", NativeArrayInit);
    list->BindNative("native_add", NativeArrayAdd);
    list->BindNative("native_get", NativeArrayGet);
    list->BindNative("native_set", NativeArraySet);
    user = MustCompile("U", kUserSource);
  }
  void TearDown() override {
    VM().fuseCode = true;
    for (TProcess* p : processes) TProcess::Free(p);
    CompilerTest::TearDown();
  }

  // Verifies every method of both classes again, with or without the
  // translation that finds wrappers.
  void Translate(bool on) {
    VM().fuseCode = on;
    for (TRTTI* cls : {list, user}) {
      for (TFunction* f : cls->Methods) {
        if (f->Owner != cls || f->Kind() == FunctionKind::kNative) continue;
        auto* nf = static_cast<TNormalFunction*>(f);
        nf->Code->CodeChanged();
        nf->Code->EnsureVerified(nf->LocalCount());
      }
    }
  }

  TProcess* Start(const std::string& method, std::vector<Value> args) {
    TProcess* p = TProcess::Create(user->CreateInstance(), &args, method);
    processes.push_back(p);
    return p;
  }

  // Where a process stands: the method and address it is at, the stack
  // depth and the instructions its last run took (or its result).
  static std::string Where(TProcess* p) {
    if (p->halted) return "halted " + (p->result ? ValueToText(*p->result) : std::string("none"));
    TFunction* f = FrameOf(p->fp)->func;
    auto* nf = static_cast<TNormalFunction*>(f);
    return f->GetName() + ":" + std::to_string(nf->Code->AddressOf(p->ip)) + " depth " +
           std::to_string(p->stack + kStackSlots - p->sp) + " slice " + std::to_string(p->sliceLength);
  }

  Value NewList() {
    Instance* w = list->CreateInstance();
    TProcess* c = TProcess::Create(w, nullptr, "constructor");
    ruvel::Run(c, 0);
    TProcess::Free(c);
    return MakeObject(w);
  }

  TRTTI* list = nullptr;
  TRTTI* user = nullptr;
  std::vector<TProcess*> processes;
};

TEST_F(WrapperCallTest, TheBodiesAreFoundAndEveryBudgetStopsWhereTheInstructionsStop) {
  Translate(true);
  auto wrapper = [&](const char* m) { return static_cast<TNormalFunction*>(list->FindMethodByName(m))->Code->wrapper; };
  EXPECT_EQ(wrapper("add").tail, NativeWrapper::kThis);
  EXPECT_EQ(wrapper("add").steps, 7);
  EXPECT_EQ(wrapper("get").tail, NativeWrapper::kResult);
  EXPECT_EQ(wrapper("get").steps, 5);
  EXPECT_EQ(wrapper("set").tail, NativeWrapper::kArg);
  EXPECT_EQ(wrapper("set").retArg, 1u);
  EXPECT_EQ(wrapper("set").steps, 8);
  EXPECT_EQ(static_cast<TNormalFunction*>(user->FindMethodByName("run"))->Code->wrapper.tail, NativeWrapper::kNone);

  auto trace = [&](bool on, int32_t budget) {
    Translate(on);
    Instance* o = objectClass->CreateInstance();
    TProcess* p = Start("run", {NewList(), MakeObject(o)});
    std::vector<std::string> stops;
    for (int guard = 0; !p->halted && guard < 1000; ++guard) {
      ruvel::Run(p, budget);
      stops.push_back(Where(p));
    }
    stops.push_back("count " + std::to_string(o->refcount));
    return stops;
  };
  const std::vector<std::string> single = trace(false, 1);
  ASSERT_GT(single.size(), 100u);
  EXPECT_EQ(single.back(), "count 3");  // cells 1, 4 and 5 hold o
  EXPECT_EQ(single[single.size() - 2], "halted 9");
  for (int32_t budget = 1; budget <= 25; ++budget) {
    ASSERT_EQ(trace(true, budget), trace(false, budget)) << "budget " << budget;
  }
  EXPECT_EQ(trace(true, 0), trace(false, 0));
}

TEST_F(WrapperCallTest, ResultsCountsAndErrorsAreThoseOfTheNormalCall) {
  auto run = [&](bool on, const std::string& method, std::vector<Value> args) {
    Translate(on);
    errors.clear();
    TProcess* p = Start(method, args);
    ruvel::Run(p, 0);
    std::string text = p->halted && p->state != 2 && p->result ? ValueToText(*p->result) : "stopped";
    for (const auto& e : errors) {
      text += " | " + Cp932ToUtf8(e.message);
      for (const auto& t : e.trace) text += " @" + std::to_string(t.position);
    }
    return text;
  };
  Value w = NewList();
  Retain(w);
  Instance* o = objectClass->CreateInstance();
  EXPECT_EQ(run(false, "run", {w, MakeObject(o)}), "9");
  EXPECT_EQ(run(false, "sum", {w}), "15");
  const int32_t counted = o->refcount;
  EXPECT_EQ(run(true, "sum", {w}), "15");
  EXPECT_EQ(o->refcount, counted);
  // Outside the list, with a float index and with a missing index the fast
  // form refuses and the native answers as it always does.
  const std::string outside = run(false, "bad", {w, MakeInt(9)});
  EXPECT_NE(outside.find("リストのインデックスが範囲を超えています (9)"), std::string::npos) << outside;
  EXPECT_EQ(run(true, "bad", {w, MakeInt(9)}), outside);
  EXPECT_EQ(run(true, "bad", {w, MakeInt(-1)}), run(false, "bad", {w, MakeInt(-1)}));
  EXPECT_EQ(run(true, "bad", {w, MakeFloat(2.5f)}), "6");
  EXPECT_EQ(run(true, "bad", {w}), run(false, "bad", {w}));
  // Calls that go deeper until the stack overflows: a call of set that
  // would not fit overflows as it does without the shortcut. A level of pad takes 9 slots and one of deep 11, so the padding levels
  // k = 0..10 make the stack run out at every place in deep's body; the
  // last set that ran shows in cell 0.
  auto overflow = [&](bool on, int32_t k) {
    std::string text = run(on, "pad", {w, MakeInt(0), MakeInt(k)});
    return text + " cell " + run(on, "bad", {w, MakeInt(0)});
  };
  for (int32_t k = 0; k <= 10; ++k) {
    const std::string plain = overflow(false, k);
    EXPECT_NE(plain.find("スタックがあふれました"), std::string::npos) << plain;
    EXPECT_EQ(overflow(true, k), plain) << k;
  }
  // A receiver whose list was replaced by a number: the natives do nothing.
  Instance* broken = list->CreateInstance();
  EXPECT_EQ(run(true, "bad", {MakeObject(broken), MakeInt(0)}), run(false, "bad", {MakeObject(broken), MakeInt(0)}));
  Release(w);
}

TEST_F(WrapperCallTest, ReplacedCodeIsWhatRuns) {
  Value w = NewList();
  Retain(w);
  auto sum = [&]() {
    TProcess* p = Start("sum", {w});
    ruvel::Run(p, 0);
    return p->result ? ValueToText(*p->result) : std::string("none");
  };
  TProcess* fill = Start("run", {w, MakeInt(1)});
  ruvel::Run(fill, 0);
  EXPECT_EQ(sum(), "15");  // cells 0, o, 6, 9, o, o: 0 + 6 + 9
  std::string why;
  std::string changed = kListSource;
  changed.replace(changed.find("return native_get(_x, i);"), 25, "return 100 + i;          ");
  ASSERT_EQ(HotSwapClass(*list, changed, why), HotSwapResult::kSwapped) << why;
  EXPECT_EQ(static_cast<TNormalFunction*>(list->FindMethodByName("get"))->Code->wrapper.tail, NativeWrapper::kNone);
  EXPECT_EQ(sum(), "305");
  Release(w);
}

}  // namespace ruvel::test
