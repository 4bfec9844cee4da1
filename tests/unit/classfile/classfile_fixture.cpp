#include "classfile_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "resources/resource_tree.h"

namespace ruvel::test {

void NativeTwice(Value* self, int32_t argc, int32_t) {
  ValueSetInt(*self, argc >= 1 ? ValueToInt(self[-1]) * 2 : -1);
}

namespace {

TRTTI* CompiledClass(TResourceList* list, const std::string& name, TRTTI* parent, std::vector<std::string> members) {
  auto* cls = new TRTTI(name, "");
  cls->Parent = parent;
  cls->InheritMethods();
  cls->InheritMembers();
  for (auto& m : members) cls->MemberIndexOrAdd(m);
  cls->Compiled = true;
  list->AddChild(cls);
  return cls;
}

TResourceList* NewList(TResourceList* parent, const std::string& name) {
  auto* list = new TResourceList();
  list->name = name;
  parent->AddChild(list);
  return list;
}

TNormalFunction* AddCode(TRTTI* cls, TNormalFunction* f, Emitter& code, std::vector<std::string> params,
                         std::vector<std::string> locals) {
  f->Params = std::move(params);
  f->Locals = std::move(locals);
  f->Code = code.Done(cls);
  cls->AddOrOverrideMethod(f);
  return f;
}

}  // namespace

void ClassFileTest::SetUp() {
  oldSink = SetSink(&sink);
  char tmpl[] = "/tmp/ruvel_classfile_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  tempDir = tmpl;
  prog = tempDir + "/prog";
  std::filesystem::create_directories(prog);
  oldProgramDir = ProgramDir();
  SetProgramDir(prog);

  root = new TResourceList();
  root->name = "root";
  VM().root = root;
  VM().stepBudget = kUnlimitedBudget;
  TResourceList* lang = NewList(NewList(root, "classes"), "lang");
  usr = NewList(root, "usr");
  globals = NewList(root, "usrglobal");
  objectClass = CompiledClass(lang, "Object", nullptr, {});
  stringClass = CompiledClass(lang, "String", objectClass, {"_body"});
  arrayClass = CompiledClass(lang, "Array", objectClass, {"_x"});
  VM().objectClass = objectClass;
  VM().stringClass = stringClass;
  VM().arrayClass = arrayClass;
  VM().arrayXIndex = 0;

  // Object: constructor() returns this; describe() returns 7.
  Emitter ctor;
  ctor.Op(Op_PushThis).Op(Op_Ret);
  AddCode(objectClass, new TConstructor(objectClass, Intern("constructor")), ctor, {}, {});
  Emitter describe;
  describe.PushInt(7).Op(Op_Ret);
  AddCode(objectClass, new TNormalFunction(objectClass, Intern("describe")), describe, {}, {});
}

void ClassFileTest::TearDown() {
  root->ClearValues();
  VM().root = nullptr;
  delete root;
  VM().objectClass = VM().stringClass = VM().arrayClass = nullptr;
  VM().arrayXIndex = -1;
  VM().current = nullptr;
  VM().scratch = MakeNull();
  SetProgramDir(oldProgramDir);
  std::error_code ec;
  std::filesystem::remove_all(tempDir, ec);
  SetSink(oldSink);
}

std::string ClassFileTest::WriteSource(const std::string& rel, const std::string& text) {
  std::string path = prog + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteFile(path, text);
  return path;
}

std::string ClassFileTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void ClassFileTest::WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TRTTI* ClassFileTest::NewClass(const std::string& name, const std::string& src) {
  auto* cls = new TRTTI(name, src);
  usr->AddChild(cls);
  return cls;
}

void ClassFileTest::Discard(TRTTI* cls) { delete usr->Detach(cls); }

void ClassFileTest::DropGlobal(const std::string& name) {
  if (TResource* g = globals->Child(name)) globals->Remove(g);
}

TGlobalValue* ClassFileTest::Global(const std::string& name) {
  return dynamic_cast<TGlobalValue*>(FindResource(name));
}

int32_t ClassFileTest::Run(TRTTI* cls, const std::string& method) {
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, method);
  ruvel::Run(p, 0);
  int32_t r = p->result && p->result->tag == kInt ? p->result->i : -999;
  TProcess::Free(p);
  return r;
}

TRTTI* ClassFileTest::BuildGame(const std::string& src) {
  TRTTI* game = NewClass("Game", src);
  game->Parent = objectClass;
  game->InheritMethods();
  game->InheritMembers();
  uint32_t x = static_cast<uint32_t>(game->MemberIndexOrAdd("x"));
  game->MemberIndexOrAdd("y");
  auto* twice = new TNativeFunction(game, Intern("twice"), NativeTwice);
  game->AddMethod(twice);
  TFunction* objDescribe = objectClass->FindMethodByName("describe");
  TFunction* objCtor = objectClass->ConstructorOf();

  Emitter describe;
  describe.Op(Op_PushThis).Rec(Op_SuperCall, "describe").Op(Op_SuperCall, {0, objDescribe->handle});
  describe.PushInt(10).Op(Op_Add).Op(Op_Ret);
  AddCode(game, new TNormalFunction(game, Intern("describe")), describe, {}, {});

  // this.x = a (fused PushThis + SMemberValPtr: the member entry stands at
  // the second word); super.constructor(); return this.
  Emitter ctor;
  ctor.Rec(Op_Point, "30").Op(Op_Point, {game->handle, 30, 0});
  ctor.Rec(Op_SMemberValPtr, "x", 4).Op(Op_PushThis_SMemberValPtr, {Op_SMemberValPtr, x});
  ctor.Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Subst).Op(Op_Pop);
  ctor.Op(Op_PushThis).Rec(Op_SuperCall, "constructor").Op(Op_SuperCall, {0, objCtor->handle}).Op(Op_Pop);
  ctor.Op(Op_PushThis).Op(Op_Ret);
  AddCode(game, new TConstructor(game, Intern("constructor")), ctor, {"a"}, {});

  TGlobalValue* score = Global("$score");
  uint32_t describeIndex = static_cast<uint32_t>(game->MethodIndex("describe"));
  Emitter m;
  m.Rec(Op_Point, "100").Op(Op_Point, {game->handle, 100, 0});
  m.Op(Op_LocalValPtr, {0}).PushNull().PushInt(5);
  m.Rec(Op_Constructor, "usr.Game").Op(Op_Constructor, {1, game->handle}).Op(Op_Subst).Op(Op_Pop);
  m.Rec(Op_Point, "140").Op(Op_Point, {game->handle, 140, 0});
  m.Rec(Op_Push, "$score").Op(Op_Push, {kRef, score->handle}).PushInt(1000).Op(Op_Subst).Op(Op_Pop);
  m.Op(Op_LocalValPtr_Deref, {0, 0});
  m.Rec(Op_DMemberValPtr, "x").Op(Op_DMemberValPtr_Deref, {static_cast<uint32_t>(Intern("x")), 0, 0});
  m.Op(Op_LocalValPtr_Deref, {0, 0});
  m.Rec(Op_DCall, "describe").Op(Op_DCall, {0, static_cast<uint32_t>(Intern("describe")), 0}).Op(Op_Add);
  m.Op(Op_LocalValPtr_Deref, {0, 0});
  m.Rec(Op_SCall, "describe").Op(Op_SCall, {0, describeIndex}).Op(Op_Add);
  m.Op(Op_PushThis).PushInt(21).Rec(Op_NativeCall, "twice").Op(Op_NativeCall, {1, twice->handle}).Op(Op_Add);
  m.Op(Op_LocalValPtr_Deref, {0, 0});
  m.Rec(Op_Is, "classes.lang.Object").Op(Op_Is, {objectClass->handle}).Op(Op_Add);
  m.Rec(Op_Push, "$score").Op(Op_Push, {kRef, score->handle}).Op(Op_Deref).Op(Op_Add);
  m.Rec(Op_Push, "").PushInt(3).Op(Op_Add);
  m.Op(Op_Ret);
  AddCode(game, new TNormalFunction(game, Intern("main")), m, {}, {"obj"});

  Emitter body;
  body.Op(Op_PushThis).Rec(Op_SCall, "main").Op(Op_SCall, {0, static_cast<uint32_t>(game->MethodIndex("main"))});
  body.Op(Op_Ret);
  game->ClassCode = body.Done(game);
  game->Compiled = true;
  return game;
}

std::vector<std::string> ClassFileTest::MethodNames(const TRTTI* cls) {
  std::vector<std::string> names;
  for (TFunction* f : cls->Methods) names.push_back(std::string(f->KindText()) + ":" + f->GetName());
  return names;
}

std::vector<std::string> ClassFileTest::MemberNames(const TRTTI* cls) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < cls->Members.Count(); ++i) names.push_back(SymbolName(cls->Members.IdAt(i)));
  return names;
}

bool ClassFileTest::IsEmpty(const TRTTI* cls) {
  return !cls->Compiled && cls->Methods.empty() && cls->Members.Count() == 0 && !cls->ClassCode;
}

}  // namespace ruvel::test
