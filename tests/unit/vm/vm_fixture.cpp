#include "vm_fixture.h"

namespace ruvel::test {

void VMTest::SetUp() {
  oldSink = SetSink(&sink);
  root = new TResourceList();
  root->name = "root";
  VM().root = root;
  VM().lastReported.clear();
  VM().stepBudget = kUnlimitedBudget;
  VM().preempted = false;
  objectClass = MakeClass("classes.lang.Object");
  stringClass = MakeClass("classes.lang.String", {"_body"}, objectClass);
  arrayClass = MakeClass("classes.lang.Array", {"_x"}, objectClass);
  VM().objectClass = objectClass;
  VM().stringClass = stringClass;
  VM().arrayClass = arrayClass;
  VM().arrayXIndex = 0;
}

void VMTest::TearDown() {
  for (TProcess* p : processes) TProcess::Free(p);
  for (Value& v : held) {
    try {
      Release(v);
    } catch (...) {
    }
  }
  lists.clear();
  // Drop every script object before the classes go away.
  root->ClearValues();
  VM().root = nullptr;
  delete root;
  VM().objectClass = VM().stringClass = VM().arrayClass = nullptr;
  VM().arrayXIndex = -1;
  VM().current = nullptr;
  VM().stepBudget = kUnlimitedBudget;
  VM().scratch = MakeNull();
  SetSink(oldSink);
}

TRTTI* VMTest::MakeClass(const std::string& name, std::vector<std::string> members, TRTTI* parent) {
  auto* cls = new TRTTI(name, "/virtual/" + name + ".ruvel");
  cls->Parent = parent;
  if (parent) {
    cls->InheritMethods();
    cls->InheritMembers();
  }
  for (auto& m : members) cls->MemberIndexOrAdd(m);
  cls->Compiled = true;
  root->AddChild(cls);
  return cls;
}

TNormalFunction* VMTest::AddFunction(TRTTI* cls, FunctionKind kind, const std::string& name, CodeBuilder& code,
                                     std::vector<std::string> params, std::vector<std::string> locals) {
  TNormalFunction* f;
  int32_t id = Intern(name);
  if (kind == FunctionKind::kConstructor) f = new TConstructor(cls, id);
  else if (kind == FunctionKind::kDestructor) f = new TDestructor(cls, id);
  else f = new TNormalFunction(cls, id);
  f->Params = std::move(params);
  f->Locals = std::move(locals);
  f->Code = code.Finish(cls);
  cls->AddOrOverrideMethod(f);
  return f;
}

TNativeFunction* VMTest::AddNative(TRTTI* cls, const std::string& name, NativeHandler h) {
  auto* f = new TNativeFunction(cls, Intern(name), h);
  cls->AddMethod(f);
  return f;
}

Value VMTest::RunCode(CodeBuilder& code, int32_t budget, TProcess** keep) {
  TRTTI* cls = MakeClass("Snippet" + std::to_string(++classCounter), {}, objectClass);
  cls->ClassCode = code.Finish(cls);
  Instance* inst = cls->CreateInstance();
  TProcess* p = TProcess::Create(inst, nullptr, "");
  processes.push_back(p);
  if (keep) *keep = p;
  ruvel::Run(p, budget);
  Value r = p->result ? *p->result : MakeNull();
  Retain(r);
  held.push_back(r);
  return r;
}

Value VMTest::NewArray(std::vector<Value> cells) {
  Instance* a = arrayClass->CreateInstance();
  auto* list = new TValueList();
  lists.emplace_back(list);
  for (auto& v : cells) list->Add(v);
  a->members()[0] = MakeHost(list);
  Value v = MakeObject(a);
  Retain(v);
  held.push_back(v);
  return v;
}

}  // namespace ruvel::test
