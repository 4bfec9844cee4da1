// The shared VM fixture is compiled into this test program as well.
#include "vm/vm_fixture.cpp"

#include "natives_fixture.h"

#include "natives/natives_core.h"

namespace ruvel::test {

int NativesTest::destructorRuns = 0;

namespace {
void CountDestructor(Value*, int32_t, int32_t) { ++NativesTest::destructorRuns; }
}  // namespace

void NativesTest::SetUp() {
  VMTest::SetUp();
  // Strings free their bodies when destroyed, as the kernel's String does.
  TNativeFunction* freeBody = AddNative(stringClass, "_free_body", NativeStringFreeBody);
  CodeBuilder d;
  d.Op(Op_PushThis).Op(Op_PushThis_SMemberValPtr_Deref, {0, 0, 0}).Op(Op_NativeCall, {1, freeBody->handle}).Op(Op_Ret);
  AddFunction(stringClass, FunctionKind::kDestructor, "free", d);
  Random().Reset();
  Collector().objectList.clear();
  Collector().showDebugger = nullptr;
  VM().checkMode = false;
  VM().rootProcess = nullptr;
  destructorRuns = 0;
}

void NativesTest::TearDown() {
  if (VM().rootProcess) TProcess::Free(VM().rootProcess);
  VM().rootProcess = nullptr;
  VM().checkMode = false;
  Collector().showDebugger = nullptr;
  VMTest::TearDown();
}

Value NativesTest::Call(NativeHandler h, const Value& receiver, std::initializer_list<Value> args) {
  std::vector<Value> slots(args.size() + 1, MakeNull());
  Value* self = &slots[args.size()];
  *self = receiver;
  Retain(*self);
  int32_t k = 1;
  for (const Value& v : args) {
    self[-k] = v;
    Retain(self[-k]);
    ++k;
  }
  int32_t argc = static_cast<int32_t>(args.size());
  auto releaseArgs = [&] {
    for (int32_t j = 1; j <= argc; ++j) {
      Value old = self[-j];
      self[-j] = MakeNull();
      Release(old);
    }
  };
  try {
    h(self, argc, 0);
  } catch (...) {
    releaseArgs();
    Release(*self);
    throw;
  }
  releaseArgs();
  held.push_back(*self);
  return *self;
}

Value NativesTest::Str(const std::string& text) {
  Value v = MakeObject(NewScriptString(text));
  Retain(v);
  held.push_back(v);
  return v;
}

TGlobalValue* NativesTest::AddGlobal(const std::string& name) {
  auto* g = new TGlobalValue(name, "");
  root->AddChild(g);
  return g;
}

TRTTI* NativesTest::MakeCountingClass(const std::string& name, std::vector<std::string> members) {
  TRTTI* cls = MakeClass(name, std::move(members), objectClass);
  TNativeFunction* count = AddNative(cls, "countDestructor", CountDestructor);
  CodeBuilder d;
  d.Op(Op_PushThis).Op(Op_NativeCall, {0, count->handle}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kDestructor, "destructor", d);
  return cls;
}

}  // namespace ruvel::test
