#include "compiler/link.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "resources/resource_global.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/opcodes.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {

// "値" + name + "が見つかりません" and its kin; what stands before the name
// comes as CP932 text.
[[noreturn]] void Missing(const std::string& what, const std::string& name) {
  throw ECmpError(what + name + J("が見つかりません"));
}

[[noreturn]] void Corrupt(const TRTTI* cls) {
  throw EIOError(J("クラスファイル") + (cls ? cls->name : std::string()) + J("は壊れています。"));
}

// The word index of operand k (1 or 2) of the instruction at byte address
// a, checked against the code so a forged address cannot write outside it.
size_t OperandWord(const TCompiledInfo& info, int32_t a, int k, const TRTTI* cls) {
  if (a < 0 || a % 4 != 0) Corrupt(cls);
  size_t w = static_cast<size_t>(a / 4) + static_cast<size_t>(k);
  if (w >= info.code.size()) Corrupt(cls);
  return w;
}

// The class a dotted name stands for, or none.
TRTTI* ClassNamed(const std::string& name) { return FindClass(name); }

// The function a super call with this name reaches in the parent.
TFunction* SuperTarget(TRTTI* cls, const std::string& name) {
  TRTTI* parent = cls ? cls->Parent : nullptr;
  if (!parent) return nullptr;
  if (name == "constructor") return parent->ConstructorOf();
  if (name == "destructor") return parent->DestructorOf();
  return parent->FindMethodByName(name);
}

}  // namespace

void LinkCompiledInfo(TCompiledInfo& info, TRTTI* cls) {
  info.cls = cls;
  std::vector<uint32_t>& code = info.code;
  for (const TCInfoElem& e : info.symbols.elems) {
    const std::string& name = e.name;
    switch (e.op) {
      case Op_Push: {
        if (name.empty()) break;  // constants carry nothing to link
        // Only a global value has a value slot that code may reference.
        auto* g = dynamic_cast<TGlobalValue*>(FindResource(name));
        if (!g) Missing(J("値"), name);
        for (int32_t a : e.addresses) {
          size_t w1 = OperandWord(info, a, 1, cls);
          size_t w2 = OperandWord(info, a, 2, cls);
          code[w1] = (code[w1] & ~0xffu) | kRef;
          code[w2] = g->handle;
        }
        break;
      }
      case Op_SMemberValPtr: {
        int32_t idx = cls ? cls->MemberIndexOrAdd(name) : -1;
        if (idx < 0) Missing(J("変数"), name);
        for (int32_t a : e.addresses) code[OperandWord(info, a, 1, cls)] = static_cast<uint32_t>(idx);
        break;
      }
      case Op_DMemberValPtr: {
        uint32_t id = static_cast<uint32_t>(Intern(name));
        for (int32_t a : e.addresses) code[OperandWord(info, a, 1, cls)] = id;
        break;
      }
      case Op_DCall: {
        uint32_t id = static_cast<uint32_t>(Intern(name));
        for (int32_t a : e.addresses) code[OperandWord(info, a, 2, cls)] = id;
        break;
      }
      case Op_SCall: {
        int32_t idx = cls ? cls->MethodIndex(name) : -1;
        if (idx < 0) Missing(J("メソッド"), name);
        for (int32_t a : e.addresses) code[OperandWord(info, a, 2, cls)] = static_cast<uint32_t>(idx);
        break;
      }
      case Op_SuperCall: {
        TFunction* f = SuperTarget(cls, name);
        if (!f) Missing(J("メソッドsuper."), name);
        for (int32_t a : e.addresses) code[OperandWord(info, a, 2, cls)] = f->handle;
        break;
      }
      case Op_NativeCall: {
        TFunction* f = cls ? cls->FindMethodByName(name) : nullptr;
        if (!f) Missing(J("nativeメソッド"), name);
        for (int32_t a : e.addresses) code[OperandWord(info, a, 2, cls)] = f->handle;
        break;
      }
      case Op_Constructor:
      case Op_Is: {
        TRTTI* target = ClassNamed(name);
        if (!target) Missing(J("クラス"), name);
        int k = e.op == Op_Constructor ? 2 : 1;
        for (int32_t a : e.addresses) code[OperandWord(info, a, k, cls)] = target->handle;
        break;
      }
      default:
        break;  // other instructions name nothing of the running program
    }
  }
  // A position mark names its class by handle, which is only valid in the
  // run that wrote it; point it at the class it now belongs to.
  if (cls) {
    for (const auto& point : info.symbols.points) {
      int32_t a = point.second;
      if (a < 0 || a % 4 != 0) continue;
      size_t w = static_cast<size_t>(a / 4);
      if (w + 1 < code.size() && code[w] == Op_Point) code[w + 1] = cls->handle;
    }
  }
}

}  // namespace ruvel
