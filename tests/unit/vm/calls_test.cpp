// Member access, the five kinds of call, for-in loops, reports, fatal
// errors, budgets and preemption.
#include "vm_fixture.h"

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel::test {

namespace {
int g_nativeCalls = 0;
int g_nativeArgc = -1;
// Returns the sum of its two int arguments into the receiver slot.
void NativeSum(Value* self, int32_t argc, int32_t) {
  ++g_nativeCalls;
  g_nativeArgc = argc;
  if (argc < 2) return;
  ValueSetInt(*self, ValueToInt(self[-1]) + ValueToInt(self[-2]));
}
void NativeYield(Value*, int32_t, int32_t) { VM().current->Yield(); }
void NativeThrow(Value*, int32_t, int32_t) { throw EVMError("boom"); }
}  // namespace

class CallsTest : public VMTest {};

TEST_F(CallsTest, MemberAccessByIndexAndByNameUsesTheCacheWord) {
  TRTTI* point = MakeClass("Point", {"x", "y"}, objectClass);
  int32_t ySym = Intern("Y");  // names ignore letter case
  // this.x = 3 (by index, fused); then read y by name twice through an object.
  CodeBuilder c;
  c.Op(Op_PushThis_SMemberValPtr, {0, 0}).PushInt(3).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_PushThis).Op(Op_DMemberValPtr, {static_cast<uint32_t>(ySym), 0}).PushInt(4).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_PushThis).Op(Op_DMemberValPtr_Deref, {static_cast<uint32_t>(ySym), 0, 0});
  c.Op(Op_PushThis_SMemberValPtr_Deref, {0, 0, 0}).Op(Op_Add).Op(Op_Ret);
  point->ClassCode = c.Finish(point);
  Instance* inst = point->CreateInstance();
  TProcess* p = TProcess::Create(inst, nullptr, "");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 7);
  // The cache words of the code that ran now hold the member index of y;
  // the specified code keeps its words.
  EXPECT_EQ(point->ClassCode->RunStart()[11], 1u);
  EXPECT_EQ(point->ClassCode->code[11], 0u);
  EXPECT_EQ(inst->members()[1].i, 4);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(CallsTest, MissingMembersAreReportedOnceAndYieldErrorZero) {
  // A loop reading a member of null three times reports only once.
  int32_t sym = Intern("hp");
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {0}).PushInt(0).Op(Op_Subst).Op(Op_Pop);
  c.Bind(0);
  c.Op(Op_LocalValPtr_Deref, {0, 0}).PushInt(3).Op(Op_LT).Jump(Op_JumpZero, 1);
  c.PushNull().Op(Op_DMemberValPtr_Deref, {static_cast<uint32_t>(sym), 0, 0}).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {0}).PushInt(1).Op(Op_AddSubst).Op(Op_Pop);
  c.Jump(Op_Jump, 0);
  c.Bind(1);
  c.Op(Op_PushThis).Op(Op_DMemberValPtr_Deref, {static_cast<uint32_t>(sym), 0, 0}).Op(Op_Ret);
  TRTTI* cls = MakeClass("Looper", {}, objectClass);
  AddFunction(cls, FunctionKind::kNormal, "run", c, {}, {"i"});
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "run");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("nullはオブジェクトではないため、メンバ変数hpを参照できません"));
  EXPECT_EQ(sink.shown[1], Utf8ToCp932("変数hpは定義されていません"));
  EXPECT_EQ(p->result->tag, kError);
  EXPECT_EQ(p->state, 0);
}

TEST_F(CallsTest, EveryKindOfCall) {
  TRTTI* base = MakeClass("Base", {"v"}, objectClass);
  // Base.get(a) returns a * 10; Base.constructor(a) sets v = a.
  CodeBuilder get;
  get.Op(Op_ArgValPtr_Deref, {0, 0}).PushInt(10).Op(Op_Mul).Op(Op_Ret);
  TNormalFunction* baseGet = AddFunction(base, FunctionKind::kNormal, "get", get, {"a"});
  CodeBuilder ctor;
  ctor.Op(Op_PushThis_SMemberValPtr, {0, 0}).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Subst).Op(Op_Pop);
  ctor.Op(Op_PushThis).Op(Op_Ret);
  AddFunction(base, FunctionKind::kConstructor, "constructor", ctor, {"a"});
  AddNative(base, "sum", NativeSum);
  TRTTI* derived = MakeClass("Derived", {}, base);
  // Derived.get(a) overrides: super.get(a) + 1.
  CodeBuilder dget;
  dget.Op(Op_PushThis).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_SuperCall, {1, baseGet->handle});
  dget.PushInt(1).Op(Op_Add).Op(Op_Ret);
  AddFunction(derived, FunctionKind::kNormal, "get", dget, {"a"});
  EXPECT_EQ(derived->MethodIndex("get"), base->MethodIndex("get"));

  // new Derived(5) via Constructor (inherited constructor), then
  // obj.get(2) by DCall, obj.get(3) by SCall, native sum(obj.v, 4).
  int32_t getSym = Intern("get");
  uint32_t getIndex = static_cast<uint32_t>(derived->MethodIndex("get"));
  TFunction* sum = derived->FindMethodByName("sum");
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {0}).PushNull().PushInt(5).Op(Op_Constructor, {1, derived->handle}).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr_Deref, {0, 0}).PushInt(2).Op(Op_DCall, {1, static_cast<uint32_t>(getSym), 0});
  c.Op(Op_LocalValPtr_Deref, {0, 0}).PushInt(3).Op(Op_SCall, {1, getIndex}).Op(Op_Add);
  c.Op(Op_PushThis).Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_DMemberValPtr_Deref, {static_cast<uint32_t>(Intern("v")), 0, 0});
  c.PushInt(4).Op(Op_NativeCall, {2, sum->handle}).Op(Op_Add).Op(Op_Ret);
  TRTTI* runner = MakeClass("Runner", {}, base);
  AddFunction(runner, FunctionKind::kNormal, "main", c, {}, {"obj"});
  g_nativeCalls = 0;
  TProcess* p = TProcess::Create(runner->CreateInstance(), nullptr, "main");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr) << (sink.shown.empty() ? "" : sink.shown[0]);
  // (2*10+1) + (3*10+1) + (5+4)
  EXPECT_EQ(p->result->i, 61);
  EXPECT_EQ(g_nativeCalls, 1);
  EXPECT_EQ(g_nativeArgc, 2);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(CallsTest, MissingMethodGoesThroughTheErrorHook) {
  // Object._errorHook returns 99; calling an unknown method reports once.
  CodeBuilder hook;
  hook.PushInt(99).Op(Op_Ret);
  AddFunction(objectClass, FunctionKind::kNormal, "_errorHook", hook);
  TRTTI* cls = MakeClass("Caller", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_PushThis).PushInt(1).Op(Op_DCall, {1, static_cast<uint32_t>(Intern("nothing")), 0});
  c.PushNull().Op(Op_DCall, {0, static_cast<uint32_t>(Intern("foo")), 0}).Op(Op_Add).Op(Op_Ret);
  cls->ClassCode = c.Finish(cls);
  cls->InheritMethods();
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 198);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("メソッドnothingは定義されていません"));
  EXPECT_EQ(sink.shown[1], Utf8ToCp932("nullはオブジェクトではないため、メソッドfooを呼び出せません"));
}

TEST_F(CallsTest, FatalErrorsEndOnlyTheirProcess) {
  TRTTI* cls = MakeClass("Faulty", {}, objectClass);
  AddNative(cls, "thrower", NativeThrow);
  AddNative(cls, "unbound", nullptr);
  TRTTI* noCtor = MakeClass("NoCtor", {}, objectClass);
  struct Case {
    std::function<void(CodeBuilder&)> body;
    const char* message;
  } cases[] = {
      {[&](CodeBuilder& c) { c.Op(Op_PushThis).PushString("arg").Op(Op_NativeCall, {1, cls->FindMethodByName("thrower")->handle}); },
       "boom"},
      {[&](CodeBuilder& c) { c.Op(Op_PushThis).Op(Op_NativeCall, {0, cls->FindMethodByName("unbound")->handle}); },
       "native関数が実装されていません"},
      {[&](CodeBuilder& c) { c.Op(Op_PushThis).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("thrower")), 0}); },
       "Native関数throwerは呼び出せません"},
      {[&](CodeBuilder& c) { c.PushNull().Op(Op_Constructor, {0, noCtor->handle}); }, "クラスNoCtorにはコンストラクタがありません"},
      {[&](CodeBuilder& c) { c.PushInt(3).Op(Op_SCall, {0, 0}); }, "3はオブジェクトではないため、メソッドを呼び出せません"},
      {[&](CodeBuilder& c) { c.PushInt(2).PushInt(1).Op(Op_InitForIn); }, "inの後ろの値が配列でありません"},
  };
  long stringsBefore = VM().stats.liveTfStrings;
  for (auto& k : cases) {
    sink.shown.clear();
    CodeBuilder c;
    k.body(c);
    c.Op(Op_Ret);
    cls->ClassCode = c.Finish(cls);
    TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "");
    processes.push_back(p);
    ruvel::Run(p, 0);
    ASSERT_EQ(sink.shown.size(), 1u) << k.message;
    EXPECT_EQ(sink.shown[0], Utf8ToCp932(k.message));
    EXPECT_EQ(p->state, 2);
    EXPECT_TRUE(p->halted && p->released);
    // A killed process runs no more.
    ruvel::Run(p, 0);
    EXPECT_EQ(sink.shown.size(), 1u);
  }
  // The argument string of the failed native call was released: its
  // record can be reused (refcount 0), nothing stays counted.
  EXPECT_TRUE(stringClass->LiveInstances().empty());
  (void)stringsBefore;
}

TEST_F(CallsTest, DeepRecursionOverflowsCleanly) {
  TRTTI* cls = MakeClass("Rec", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_PushThis).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("down")), 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "down", c, {}, {"a", "b"});
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "down");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("スタックがあふれました"));
  EXPECT_EQ(p->state, 2);
  // Every receiver pushed on the way down was released again.
  EXPECT_TRUE(cls->LiveInstances().empty());
  // Pushing past the stack inside one frame is caught too.
  CodeBuilder d;
  d.Bind(0).PushInt(1).Jump(Op_Jump, 0);
  sink.shown.clear();
  TProcess* q = nullptr;
  RunCode(d, 0, &q);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("スタックがあふれました"));
}

TEST_F(CallsTest, ForInVisitsCellsAddedDuringTheLoop) {
  // for (x in arr) { sum += x; if (x == 1) arr.push(10) }  -- the push is
  // done by a native that appends to the list.
  static TValueList* list = nullptr;
  Value arr = NewArray({MakeInt(1), MakeInt(2)});
  list = static_cast<TValueList*>(arr.obj->members()[0].host);
  TRTTI* cls = MakeClass("Iter", {}, objectClass);
  AddNative(cls, "grow", [](Value*, int32_t, int32_t) {
    if (list->cells.size() < 3) list->Add(MakeInt(10));
  });
  auto* arrSlot = new Value(arr);
  uint32_t slotHandle = VM().handles.Add(arrSlot, HandleKind::kValueSlot);
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {1}).PushInt(0).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {0}).Op(Op_Push_Deref, {0, slotHandle, 0}).Op(Op_InitForIn);
  c.Bind(0).Jump(Op_DoForIn, 1);
  c.Op(Op_LocalValPtr, {1}).Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_AddSubst).Op(Op_Pop);
  c.Op(Op_PushThis).Op(Op_NativeCall, {0, cls->FindMethodByName("grow")->handle}).Op(Op_Pop);
  c.Jump(Op_Jump, 0);
  c.Bind(1).Op(Op_ClearForIn);
  c.Op(Op_LocalValPtr_Deref, {1, 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "run", c, {}, {"x", "sum"});
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "run");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr) << (sink.shown.empty() ? "" : sink.shown[0]);
  EXPECT_EQ(p->result->i, 13);
  VM().handles.Remove(slotHandle);
  delete arrSlot;
}

TEST_F(CallsTest, BudgetPreemptionAndYield) {
  CodeBuilder c;
  c.Bind(0).Jump(Op_Jump, 0);
  VM().preempted = false;
  TProcess* p = nullptr;
  RunCode(c, 10, &p);
  EXPECT_FALSE(p->halted);
  EXPECT_EQ(p->sliceLength, 10);
  EXPECT_TRUE(VM().preempted);

  // A native "suspend" ends the run after the current instruction; the
  // next run continues where it stopped.
  TRTTI* cls = MakeClass("Yielder", {}, objectClass);
  AddNative(cls, "suspend", NativeYield);
  CodeBuilder d;
  d.Op(Op_PushThis).Op(Op_NativeCall, {0, cls->FindMethodByName("suspend")->handle}).Op(Op_Pop);
  d.PushInt(42).Op(Op_Ret);
  cls->ClassCode = d.Finish(cls);
  TProcess* q = TProcess::Create(cls->CreateInstance(), nullptr, "");
  processes.push_back(q);
  VM().preempted = false;
  ruvel::Run(q, 0);
  EXPECT_TRUE(q->yieldFlag);
  EXPECT_FALSE(q->halted);
  EXPECT_EQ(q->sliceLength, 2);
  EXPECT_FALSE(VM().preempted);
  ruvel::Run(q, 0);
  EXPECT_TRUE(q->halted);
  EXPECT_EQ(q->result->i, 42);
  // Kill twice releases once.
  q->Kill();
  q->Kill();
  EXPECT_TRUE(q->released);
}

TEST_F(CallsTest, ProcessLayoutWithArguments) {
  TRTTI* cls = MakeClass("Three", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_ArgValPtr_Deref, {2, 0}).Op(Op_ArgValPtr_Deref, {3, 0}).Op(Op_Add).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "f", c, {"a", "b", "c"}, {"l"});
  std::vector<Value> args = {MakeInt(1), MakeInt(2), MakeInt(3)};
  TProcess* p = TProcess::Create(cls->CreateInstance(), &args, "f");
  processes.push_back(p);
  Value* recv = p->stack + (kStackSlots - 1);
  EXPECT_EQ(p->receiver, recv);
  EXPECT_EQ(recv[-1].i, 1);  // first argument just below the receiver
  EXPECT_EQ(p->fp, recv - 3 - kFrameSlots);
  EXPECT_EQ(p->sp, p->fp);   // one local
  ruvel::Run(p, 0);
  // Argument 3 is beyond the count: it reads null.
  EXPECT_EQ(p->result->i, 3);
  EXPECT_THROW(TProcess::Create(cls->CreateInstance(), nullptr, "nosuch"), EVMError);
}

}  // namespace ruvel::test

namespace ruvel::test {

TEST_F(CallsTest, MalformedCodeIsRejectedBeforeItRuns) {
  TRTTI* cls = MakeClass("Broken", {}, objectClass);
  std::vector<std::vector<uint32_t>> bad = {
      {99, Op_Ret},                            // invalid opcode
      {Op_Push, kInt},                         // operand past the end
      {Op_Jump, 2, Op_Ret},                    // jump into an operand word
      {Op_Jump, static_cast<uint32_t>(-8), Op_Ret},  // jump before the start
      {Op_PushThis},                           // runs off the end
      // Taking slots the code never pushed: what a bare "super" compiled to
      // (nothing) before "if", "-", a call argument and a for-in.
      {Op_Point, 0, 0, 0, Op_JumpZero, 8, Op_Push, kInt, 1, Op_Pop, Op_Halt},
      {Op_Neg, Op_Pop, Op_Halt},
      {Op_PushThis, Op_NativeCall, 1, 0, Op_Pop, Op_Halt},
      {Op_Push, kInt, 1, Op_InitForIn, Op_DoForIn, 8, Op_Jump, static_cast<uint32_t>(-4), Op_ClearForIn, Op_Halt},
      // Only the path through the jump pops too much.
      {Op_Push, kInt, 1, Op_Push, kInt, 0, Op_JumpZero, 20, Op_Push, kInt, 2, Op_Pop, Op_Pop, Op_Halt},
  };
  for (auto& words : bad) {
    auto info = std::make_unique<TCompiledInfo>();
    info->code = words;
    info->cls = cls;
    cls->ClassCode = std::move(info);
    EXPECT_THROW(TProcess::Create(cls->CreateInstance(), nullptr, ""), EVMError) << OpcodeName(words[0]);
  }
  // Paths that meet with different depths are fine as long as none takes
  // more than it pushed, and so is a loop that keeps pushing (the run-time
  // stack check stops it).
  for (std::vector<uint32_t> words :
       {std::vector<uint32_t>{Op_Push, kInt, 1, Op_Push, kInt, 0, Op_JumpZero, 20, Op_Push, kInt, 2, Op_Pop, Op_Halt},
        std::vector<uint32_t>{Op_Push, kInt, 1, Op_Jump, static_cast<uint32_t>(-12)}}) {
    auto info = std::make_unique<TCompiledInfo>();
    info->code = words;
    info->cls = cls;
    cls->ClassCode = std::move(info);
    TProcess* ok = nullptr;
    EXPECT_NO_THROW(ok = TProcess::Create(cls->CreateInstance(), nullptr, ""));
    if (ok) processes.push_back(ok);
  }
  // A called method with broken code ends the caller's process.
  auto* f = new TNormalFunction(cls, Intern("broken"));
  f->Code = std::make_unique<TCompiledInfo>();
  f->Code->code = {Op_Jump, 6, Op_Ret};
  cls->AddMethod(f);
  CodeBuilder c;
  c.Op(Op_PushThis).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("broken")), 0}).Op(Op_Ret);
  cls->ClassCode = c.Finish(cls);
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "");
  processes.push_back(p);
  ruvel::Run(p, 0);
  EXPECT_EQ(p->state, 2);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("異常な命令が入っています"));
}

}  // namespace ruvel::test
