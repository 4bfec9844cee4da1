// Dotted chains (a.b.c, this.x, super.f(), $g.x, f(1).g): how each element
// is found (local, argument, global, this, member) and which call
// instruction a call becomes. Only the last element of an assignment
// target leaves a reference; every earlier element leaves a value.
#include "compiler/codegen.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "resources/resource.h"
#include "resources/resource_global.h"
#include "runtime/rtti.h"

namespace ruvel {

int32_t TContext::Visit(G_LVal& node) {
  const bool saved = lvalue;
  chain = kChainStart;
  const int n = node.ElementCount();
  for (int k = 0; k < n; ++k) {
    lvalue = saved && k == n - 1;
    node.Element(k).Generate(*this);
  }
  lvalue = saved;
  if (chain == kChainResource) Fail(J("リソースは直接参照できません"));
  // A bare "super" names no value: it is only a call's receiver
  // ("super(...)", "super.f(...)"). Used as a value or an assignment
  // target it would leave nothing on the stack, so it is refused as a
  // syntax error at its token.
  if (chain == kChainSuper) {
    currentPosition = superStart;
    throw ECmpError(J("文法エラー:") + cls->sourcePath);
  }
  return 0;
}

int32_t TContext::Visit(G_LValE& node) {
  const std::string name = node.Name().Text();
  if (node.HasCall()) {
    ChainCall(node, name);
    return 0;
  }
  if (chain == kChainStart) superStart = node.Name().Start();
  ChainName(name);
  if (chain == kChainResource && resolved && resolved->ValuePtr()) {
    auto* global = dynamic_cast<TGlobalValue*>(resolved);
    // Operands name value slots by handle; only globals own one.
    if (!global) Fail(J("リソースは直接参照できません"));
    W().PushGlobal(global->handle, global->name);
    chain = kChainValue;
  }
  if (!lvalue && chain == kChainValue) W().Op(Op_Deref);
  return 0;
}

void TContext::ChainName(const std::string& name) {
  switch (chain) {
    case kChainStart: {
      if (name == "super") {
        chain = kChainSuper;
        return;
      }
      chain = kChainValue;
      if (function) {
        int32_t i = function->LocalIndex(name);
        if (i >= 0) {
          W().Local(i);
          return;
        }
        i = function->ParamIndex(name);
        if (i >= 0) {
          W().Arg(i);
          return;
        }
      }
      TResource* found = root ? root->Resolve(name) : nullptr;
      if (dynamic_cast<TGlobalValue*>(found)) {
        resolved = found;
        chain = kChainResource;
        return;
      }
      if (name == "this") {
        W().Op(Op_PushThis);
        chain = kChainThis;
        return;
      }
      // Any other name is a member of this class, created on first use.
      W().Op(Op_PushThis);
      W().StaticMember(cls->MemberIndexOrAdd(name), name);
      return;
    }
    case kChainThis:
      W().StaticMember(cls->MemberIndexOrAdd(name), name);
      chain = kChainValue;
      return;
    case kChainValue:
      // Members of other objects are found by name at run time.
      if (name != "this") W().DynamicMember(name);
      return;
    case kChainSuper:
      Fail("super." + name + J(" : super.の後ろにはメソッド呼び出ししか記述できません"));
    case kChainResource: {
      TResource* child = resolved ? resolved->Child(name) : nullptr;
      if (!child) Fail(cls->DisplayName() + ":" + name + J("は未定義です"));
      resolved = child;
      return;
    }
    default:
      return;
  }
}

int32_t TContext::Arguments(G_LValE& node) { return node.Args().Generate(*this); }

void TContext::ChainCall(G_LValE& node, const std::string& name) {
  if (lvalue) Fail(J("代入式の左辺がメソッド呼び出しです"));
  switch (chain) {
    case kChainValue: {
      int32_t argc = Arguments(node);
      W().Mark(currentPosition);
      W().DynamicCall(argc, name);
      break;
    }
    case kChainStart:
    case kChainThis: {
      // After "this" the pushed this is already the receiver slot.
      const bool pushThis = chain == kChainStart;
      if (name == "super") {
        TFunction* ctor = cls->Parent ? cls->Parent->ConstructorOf() : nullptr;
        if (!ctor) Fail(J("メソッドsuper.constructorは未定義です"));
        if (pushThis) W().Op(Op_PushThis);
        int32_t argc = Arguments(node);
        W().Mark(currentPosition);
        W().SuperCall(argc, *ctor, "constructor");
        break;
      }
      TFunction* f = cls->FindMethodByName(name);
      if (!f) Fail(J("メソッド") + name + J("は未定義です"));
      if (pushThis) W().Op(Op_PushThis);
      int32_t argc = Arguments(node);
      W().Mark(currentPosition);
      if (f->Kind() == FunctionKind::kNative) W().NativeCall(argc, *f, name);
      else W().StaticCall(argc, cls->MethodIndex(name), name);
      break;
    }
    case kChainSuper: {
      TFunction* f = cls->Parent ? cls->Parent->FindMethodByName(name) : nullptr;
      if (!f) Fail(J("メソッドsuper.") + name + J("は未定義です"));
      if (f->Kind() == FunctionKind::kNative) Fail(J("メソッドsuper.") + name + J("はNativeのため、呼び出せません"));
      W().Op(Op_PushThis);
      int32_t argc = Arguments(node);
      W().Mark(currentPosition);
      W().SuperCall(argc, *f, name);
      break;
    }
    case kChainResource:
    default:
      // A global's value is pushed as soon as it is reached, so no call
      // can follow it in this state; refuse it rather than emit nothing.
      Fail(J("リソースは直接参照できません"));
  }
  chain = kChainValue;
}

}  // namespace ruvel
