// Process natives on hand-built bytecode: stack layout, suspend, halted,
// kill, free, the current process and preemption.
#include "natives_fixture.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "natives/natives_process.h"
#include "vm/host_registry.h"

namespace ruvel::test {

class ProcessNativesTest : public NativesTest {
 protected:
  // Receiver of direct calls: a result left unset reads -99.
  const Value kNone = MakeInt(-99);
  // A class whose method "work" suspends once and then returns 7.
  TRTTI* MakeWorker() {
    TRTTI* cls = MakeClass("Worker", {"hold"}, objectClass);
    TNativeFunction* suspend = AddNative(cls, "suspend", NativeSuspend);
    CodeBuilder c;
    c.Op(Op_PushThis).Op(Op_NativeCall, {0, suspend->handle}).Op(Op_Pop);
    c.PushInt(7).Op(Op_Ret);
    AddFunction(cls, FunctionKind::kNormal, "work", c);
    return cls;
  }
  Value NewObject(TRTTI* cls) {
    Value v = MakeObject(cls->CreateInstance());
    Retain(v);
    held.push_back(v);
    return v;
  }
};

TEST_F(ProcessNativesTest, ArgumentsLieBelowTheReceiverAndTheFrameBelowThem) {
  TRTTI* cls = MakeClass("Three", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_ArgValPtr_Deref, {2, 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "m", c, {"a", "b", "c"}, {"x", "y"});
  Value obj = NewObject(cls);
  std::vector<Value> args = {MakeInt(1), MakeInt(2), MakeInt(3)};
  TProcess* p = TProcess::Create(obj.obj, &args, "m");
  processes.push_back(p);
  Value* recv = p->stack + kStackSlots - 1;
  EXPECT_EQ(p->receiver, recv);
  EXPECT_EQ(recv->obj, obj.obj);
  EXPECT_EQ(recv[-1].i, 1);
  EXPECT_EQ(recv[-3].i, 3);
  // The frame's five slots end just below the last argument.
  EXPECT_EQ(p->fp + kFrameSlots, recv - 3);
  EXPECT_EQ(FrameOf(p->fp)->argc, 3);
  EXPECT_EQ(FrameOf(p->fp)->savedFp, nullptr);
  // Two locals: the stack pointer sits on local 1.
  EXPECT_EQ(p->sp, p->fp - 1);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 3);
}

TEST_F(ProcessNativesTest, SuspendHaltedAndTheResultSlot) {
  TRTTI* cls = MakeWorker();
  Value obj = NewObject(cls);
  Value proc = Call(NativeProcessInit, kNone, {obj, Str("work")});
  ASSERT_EQ(proc.tag, kHost);
  auto* p = dynamic_cast<TProcess*>(proc.host);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(obj.obj->refcount, 2);  // held here and by the receiver slot

  Call(NativeProcessExec, kNone, {proc});
  Value halted = Call(NativeProcessHalted, kNone, {proc});
  EXPECT_EQ(halted.tag, kFloat);
  EXPECT_EQ(halted.f, 0.0f);
  EXPECT_FALSE(VM().preempted);

  Call(NativeProcessExec, kNone, {proc});
  EXPECT_EQ(Call(NativeProcessHalted, kNone, {proc}).f, 1.0f);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 7);
  // A finished process does not run again.
  Call(NativeProcessExec, kNone, {proc});
  EXPECT_EQ(p->result->i, 7);

  long before = VM().stats.liveProcesses;
  Call(NativeProcessFree, kNone, {proc});
  EXPECT_EQ(VM().stats.liveProcesses, before - 1);
  EXPECT_EQ(obj.obj->refcount, 1);
  // The kept host value no longer names a process: every native ignores it.
  EXPECT_FALSE(IsLiveHost(proc.host));
  Value r = Call(NativeProcessHalted, kNone, {proc});
  EXPECT_EQ(r.i, -99);
  Call(NativeProcessExec, kNone, {proc});
  Call(NativeProcessKill, kNone, {proc});
  Call(NativeProcessFree, kNone, {proc});
  EXPECT_EQ(VM().stats.liveProcesses, before - 1);
}

TEST_F(ProcessNativesTest, KillReleasesTheStackOnce) {
  TRTTI* cls = MakeWorker();
  Value obj = NewObject(cls);
  Value other = NewObject(cls);
  std::vector<Value> args = {other};
  TProcess* p = TProcess::Create(obj.obj, &args, "work");
  processes.push_back(p);
  Value proc = MakeHost(p);
  EXPECT_EQ(other.obj->refcount, 2);
  Call(NativeProcessExec, kNone, {proc});
  Call(NativeProcessKill, kNone, {proc});
  EXPECT_TRUE(p->halted);
  EXPECT_TRUE(p->released);
  EXPECT_EQ(other.obj->refcount, 1);
  EXPECT_EQ(obj.obj->refcount, 1);
  Call(NativeProcessKill, kNone, {proc});
  EXPECT_EQ(other.obj->refcount, 1);
  EXPECT_EQ(obj.obj->refcount, 1);
  EXPECT_TRUE(sink.shown.empty());
  // A killed process never runs again.
  Call(NativeProcessExec, kNone, {proc});
  EXPECT_EQ(p->result, nullptr);
}

TEST_F(ProcessNativesTest, SuspendNativeOfTheProcessClassYieldsItsProcess) {
  TRTTI* cls = MakeWorker();
  Value obj = NewObject(cls);
  Value proc = Call(NativeProcessInit, kNone, {obj, Str("work")});
  auto* p = dynamic_cast<TProcess*>(proc.host);
  p->remaining = 5;
  p->sliceLength = 9;
  Call(NativeProcessSuspend, kNone, {proc});
  EXPECT_TRUE(p->yieldFlag);
  EXPECT_EQ(p->remaining, 0);
  EXPECT_EQ(p->sliceLength, 4);
  Call(NativeProcessFree, kNone, {proc});
}

TEST_F(ProcessNativesTest, EndlessLoopIsCutAfterTheFullBudget) {
  TRTTI* cls = MakeClass("Spinner", {}, objectClass);
  CodeBuilder c;
  c.Bind(0).Jump(Op_Jump, 0);
  AddFunction(cls, FunctionKind::kNormal, "spin", c);
  Value obj = NewObject(cls);
  Value proc = Call(NativeProcessInit, kNone, {obj, Str("spin")});
  auto* p = dynamic_cast<TProcess*>(proc.host);
  VM().preempted = false;
  Call(NativeProcessExec, kNone, {proc});
  EXPECT_TRUE(VM().preempted);
  EXPECT_EQ(p->sliceLength, kUnlimitedBudget);
  EXPECT_EQ(Call(NativeProcessHalted, kNone, {proc}).f, 0.0f);
  Call(NativeProcessFree, kNone, {proc});
}

TEST_F(ProcessNativesTest, InitWithoutMethodRunsClassCodeAndRejectsUnknownNames) {
  TRTTI* cls = MakeClass("Body", {}, objectClass);
  CodeBuilder c;
  c.PushInt(11).Op(Op_Ret);
  cls->ClassCode = c.Finish(cls);
  Value obj = NewObject(cls);
  Value proc = Call(NativeProcessInit, kNone, {obj});
  auto* p = dynamic_cast<TProcess*>(proc.host);
  ASSERT_NE(p, nullptr);
  Call(NativeProcessExec, kNone, {proc});
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 11);
  Call(NativeProcessFree, kNone, {proc});

  try {
    Call(NativeProcessInit, kNone, {obj, Str("nothing")});
    ADD_FAILURE() << "no error";
  } catch (const EVMError& e) {
    EXPECT_EQ(e.Message(), Utf8ToCp932("メソッドnothingは未定義です"));
  }
  // Without arguments or without an object nothing is made.
  long before = VM().stats.liveProcesses;
  EXPECT_EQ(Call(NativeProcessInit, kNone, {}).i, -99);
  EXPECT_EQ(Call(NativeProcessInit, kNone, {MakeInt(3)}).i, -99);
  EXPECT_EQ(VM().stats.liveProcesses, before);
  // Host values of other kinds are refused by every process native.
  TValueList list;
  Call(NativeProcessExec, kNone, {MakeHost(&list)});
  Call(NativeProcessFree, kNone, {MakeHost(&list)});
  Call(NativeProcessKill, kNone, {MakeInt(5)});
  EXPECT_EQ(Call(NativeProcessHalted, kNone, {MakeNull()}).i, -99);
}

namespace {
TProcess* g_seen = nullptr;
std::string g_func;
int g_pauses = 0;
void SeeCurrent(Value* self, int32_t argc, int32_t) {
  NativeCurrentProcess(self, argc, 0);
  g_seen = self->tag == kHost ? dynamic_cast<TProcess*>(self->host) : nullptr;
  Value name = MakeNull();
  NativeCurrentFunc(&name, 0, 0);
  g_func = ValueToText(name);
  ValueSetNull(name);
}
}  // namespace

TEST_F(ProcessNativesTest, CurrentProcessCurrentFuncAndBreakExec) {
  TRTTI* cls = MakeClass("Probe", {}, objectClass);
  TNativeFunction* see = AddNative(cls, "see", SeeCurrent);
  TNativeFunction* brk = AddNative(cls, "breakExec", NativeBreakExec);
  CodeBuilder c;
  c.Op(Op_PushThis).Op(Op_NativeCall, {0, see->handle}).Op(Op_Pop);
  c.Op(Op_PushThis).Op(Op_NativeCall, {0, brk->handle}).Op(Op_Pop);
  c.PushInt(1).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "probeMethod", c);
  VM().debuggerPause = [] {
    ++g_pauses;
    VM().stepBudget = kUnlimitedBudget;
  };
  g_seen = nullptr;
  g_pauses = 0;
  Value obj = NewObject(cls);
  TProcess* p = TProcess::Create(obj.obj, nullptr, "probeMethod");
  processes.push_back(p);
  VM().preempted = false;
  ruvel::Run(p, 0);
  EXPECT_EQ(g_seen, p);
  EXPECT_EQ(g_func, "probeMethod");
  // breakExec spent the slice: the debugger pause came and the run ended
  // before the method did.
  EXPECT_EQ(g_pauses, 1);
  EXPECT_EQ(p->result, nullptr);
  EXPECT_TRUE(VM().preempted);
  ruvel::Run(p, 0);
  VM().debuggerPause = nullptr;
  EXPECT_EQ(g_pauses, 1);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->i, 1);
  EXPECT_EQ(VM().current, nullptr);
  // Outside any run there is no current process: nothing is returned.
  EXPECT_EQ(Call(NativeCurrentProcess, kNone).i, -99);
  EXPECT_EQ(Call(NativeCurrentFunc, kNone).i, -99);
  Call(NativeSuspend, kNone);
}

TEST_F(ProcessNativesTest, ProcessMarkCountsTheStackValues) {
  TRTTI* cls = MakeWorker();
  Value obj = NewObject(cls);
  Value other = NewObject(cls);
  std::vector<Value> args = {other, other};
  TProcess* p = TProcess::Create(obj.obj, &args, "work");
  processes.push_back(p);
  Call(NativeProcessMark, kNone, {MakeHost(p)});
  EXPECT_EQ(other.obj->marks, 2);
  EXPECT_EQ(obj.obj->marks, 1);
  other.obj->marks = 0;
  obj.obj->marks = 0;
  // A released stack is not marked.
  p->Kill();
  Call(NativeProcessMark, kNone, {MakeHost(p)});
  EXPECT_EQ(other.obj->marks, 0);
}

}  // namespace ruvel::test
