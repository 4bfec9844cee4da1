// The class as a whole and its declarations: the parent clause, the two
// declaration passes, method bodies with their parameters and locals.
#include <utility>

#include "compiler/codegen.h"
#include "compiler/codegen_fusion.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

TContext::TContext(TResource* rootNode, TRTTI& cls_, std::string text)
    : root(rootNode), cls(&cls_), source(std::move(text)) {}

void TContext::Fail(const std::string& text) const { throw ECmpError(cls->name + ":" + text); }

void TContext::GenerateAll(TResList& group) {
  for (int i = 0; i < group.Count(); ++i) {
    if (TResList* node = group.NodeAt(i)) node->Generate(*this);
  }
}

void GenerateClass(TResList& tree, TContext& context) { tree.Generate(context); }

int32_t TContext::Visit(G_Program& node) {
  function = nullptr;
  pass = 1;
  cls->Parent = nullptr;
  if (Visit(node.Extends()) != 0) return 0;  // the parent is not compiled yet
  TResList& declarations = node.Declarations();
  GenerateAll(declarations);
  pass = 2;
  cls->InheritMembers();
  GenerateAll(declarations);

  writer = std::make_unique<TProgWriter>(cls);
  function = nullptr;
  GenerateAll(node.Statements());
  W().PushFloat(0.0f);
  W().Op(Op_Halt);
  cls->ClassCode = writer->Finish();
  writer.reset();
  FuseCode(*cls->ClassCode);
  cls->Compiled = true;
  ++VM().stats.classesCompiled;
  return 0;
}

// Sets the parent and inherits its methods; returns 1 when the parent is
// not compiled yet and the class must wait for it.
int32_t TContext::Visit(G_Extends& node) {
  if (!node.HasParent()) return 0;
  G_ResourceVal& name = node.ParentName();
  name.Generate(*this);
  if (!resolved) Fail(dotted + J("は未定義です"));
  auto* parent = dynamic_cast<TRTTI*>(resolved);
  if (!parent) Fail(dotted + "(" + resolved->TypeName() + ")" + J("はクラスではありません"));
  cls->Parent = parent;
  if (!parent->Compiled) return 1;
  cls->InheritMethods();
  return 0;
}

int32_t TContext::Visit(G_FuncDecl& node) {
  const std::string name = node.Name().Text();
  if (pass == 1) {
    const std::string keyword = node.Keyword().Text();
    int32_t id = Intern(name);
    TNormalFunction* f;
    if (keyword == "constructor") f = new TConstructor(cls, id);
    else if (keyword == "destructor") f = new TDestructor(cls, id);
    else f = new TNormalFunction(cls, id);
    // A second declaration of the same name in this class replaces the
    // first, which no method table holds afterwards and is freed.
    TFunction* replaced = cls->FindMethodByName(name);
    cls->AddOrOverrideMethod(f);
    if (replaced && replaced->Owner == cls && replaced->RefCount <= 0) delete replaced;
    return 0;
  }
  auto* f = dynamic_cast<TNormalFunction*>(cls->FindMethodByName(name));
  if (!f) Fail(J("メソッド") + name + J("は未定義です"));
  function = f;
  f->Params.clear();
  f->Locals.clear();
  writer = std::make_unique<TProgWriter>(cls);
  G_VArgList& params = node.Params();
  for (int k = 0; k < params.NameCount(); ++k) f->Params.push_back(params.NameAt(k).Text());
  node.Body().Generate(*this);
  W().Op(Op_PushThis);
  W().Op(Op_Ret);
  W().Op(Op_Halt);
  f->Code = writer->Finish();
  writer.reset();
  FuseCode(*f->Code);
  function = nullptr;
  return 0;
}

int32_t TContext::Visit(G_NativeDecl& node) {
  if (pass != 1) return 0;
  cls->AddMethod(new TNativeFunction(cls, Intern(node.Name().Text()), &NotImplementedNative));
  return 0;
}

int32_t TContext::Visit(G_VArgList& node) { return node.NameCount(); }

int32_t TContext::Visit(G_VarBlock& node) {
  for (int k = 0; k < node.VarDeclCount(); ++k) node.VarDeclAt(k).Generate(*this);
  GenerateAll(node.Statements());
  return 0;
}

int32_t TContext::Visit(G_VarDecl& node) {
  G_VArgList& names = node.Names();
  if (function) {
    for (int k = 0; k < names.NameCount(); ++k) function->Locals.push_back(names.NameAt(k).Text());
  }
  return names.NameCount();
}

}  // namespace ruvel
