#include "compiler/hot_swap.h"

#include <memory>

#include "compiler/class_file.h"
#include "compiler/compile_driver.h"
#include "compiler/link.h"
#include "platform/error.h"
#include "runtime/alias.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// The first difference between the running class and its new version that
// in-place swapping cannot bridge, or "" when they match.
std::string Difference(const TRTTI& running, const TRTTI& fresh) {
  if (running.Parent != fresh.Parent) return "parent";
  if (running.Members.Count() != fresh.Members.Count()) return "members";
  for (int32_t i = 0; i < running.Members.Count(); ++i) {
    if (running.Members.IdAt(i) != fresh.Members.IdAt(i)) return "members";
  }
  if (running.Methods.size() != fresh.Methods.size()) return "methods";
  for (size_t i = 0; i < running.Methods.size(); ++i) {
    const TFunction* a = running.Methods[i];
    const TFunction* b = fresh.Methods[i];
    if (a->NameId != b->NameId || a->Kind() != b->Kind()) return "method " + a->GetName();
    bool ownA = a->Owner == &running;
    bool ownB = b->Owner == &fresh;
    if (ownA != ownB) return "method " + a->GetName();
    if (!ownA || a->Kind() == FunctionKind::kNative) continue;
    auto* na = static_cast<const TNormalFunction*>(a);
    auto* nb = static_cast<const TNormalFunction*>(b);
    if (na->Params.size() != nb->Params.size()) return "parameters of " + a->GetName();
    if (!nb->Code) return "method " + a->GetName();
  }
  if (!fresh.ClassCode) return "class code";
  return {};
}

// The scratch record: same name and source path as the running class and
// the same place in the tree (for the compiler's lookups), never entered
// into the tree or the alias table.
std::unique_ptr<TRTTI> ScratchOf(const TRTTI& running) {
  bool aliases = VM().aliasRegistration;
  VM().aliasRegistration = false;
  auto fresh = std::make_unique<TRTTI>(running.name, running.sourcePath);
  VM().aliasRegistration = aliases;
  fresh->parent = running.parent;
  return fresh;
}

}  // namespace

HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, std::string& why) {
  why.clear();
  std::unique_ptr<TRTTI> fresh = ScratchOf(cls);
  if (CompileSource(*fresh, source, cls.sourcePath, true) != 0) return HotSwapResult::kCompileError;
  if (!cls.Compiled || !fresh->Compiled) {
    why = "not compiled";
    return HotSwapResult::kIncompatible;
  }
  why = Difference(cls, *fresh);
  if (!why.empty()) return HotSwapResult::kIncompatible;

  // Link every new block against the running class before any is
  // installed, so that a link failure leaves the old code whole.
  try {
    for (TFunction* f : fresh->Methods) {
      if (f->Owner != fresh.get() || f->Kind() == FunctionKind::kNative) continue;
      LinkCompiledInfo(*static_cast<TNormalFunction*>(f)->Code, &cls);
    }
    LinkCompiledInfo(*fresh->ClassCode, &cls);
  } catch (const ERuvel& e) {
    why = e.Message();
    return HotSwapResult::kIncompatible;
  }

  for (size_t i = 0; i < cls.Methods.size(); ++i) {
    TFunction* f = cls.Methods[i];
    if (f->Owner != &cls || f->Kind() == FunctionKind::kNative) continue;
    auto* running = static_cast<TNormalFunction*>(f);
    auto* next = static_cast<TNormalFunction*>(fresh->Methods[i]);
    running->ReplaceCode(std::move(next->Code));
    running->Params = next->Params;
    running->Locals = next->Locals;
  }
  if (cls.ClassCode) cls.RetiredClassCode.push_back(std::move(cls.ClassCode));
  cls.ClassCode = std::move(fresh->ClassCode);
  fresh.reset();

  if (!cls.sourcePath.empty()) {
    try {
      SaveClassFile(cls, ClassFilePath(cls));
    } catch (const ERuvel& e) {
      Log(e.Message());
    }
  }
  return HotSwapResult::kSwapped;
}

}  // namespace ruvel
