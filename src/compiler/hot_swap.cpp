#include "compiler/hot_swap.h"

#include <memory>
#include <set>
#include <utility>

#include "compiler/class_file.h"
#include "compiler/compile_driver.h"
#include "compiler/link.h"
#include "compiler/member_layout.h"
#include "compiler/method_tables.h"
#include "platform/error.h"
#include "runtime/alias.h"
#include "runtime/rtti.h"
#include "vm/frame_restart.h"
#include "vm/opcodes.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

TFunction* MethodNamed(const TRTTI& cls, int32_t nameId) {
  for (TFunction* f : cls.Methods) {
    if (f->NameId == nameId) return f;
  }
  return nullptr;
}

// The first difference between the running class and its new version that
// in-place swapping cannot bridge, or "" when there is none: another
// parent, a method removed or of another kind, an own method given up for
// the parent's, a native added or removed, a different number of
// parameters.
std::string Difference(const TRTTI& running, const TRTTI& fresh) {
  if (running.Parent != fresh.Parent) return "parent";
  for (const TFunction* a : running.Methods) {
    const TFunction* b = MethodNamed(fresh, a->NameId);
    if (!b || a->Kind() != b->Kind()) return "method " + a->GetName();
    bool ownA = a->Owner == &running;
    bool ownB = b->Owner == &fresh;
    if (ownA && !ownB) return "method " + a->GetName();
    if (a->Kind() == FunctionKind::kNative) {
      if (ownA != ownB) return "method " + a->GetName();
      continue;
    }
    if (!ownB) continue;
    auto* nb = static_cast<const TNormalFunction*>(b);
    if (ownA && static_cast<const TNormalFunction*>(a)->Params.size() != nb->Params.size()) {
      return "parameters of " + a->GetName();
    }
    if (!nb->Code) return "method " + a->GetName();
  }
  for (const TFunction* b : fresh.Methods) {
    if (MethodNamed(running, b->NameId)) continue;
    if (b->Kind() == FunctionKind::kNative || !static_cast<const TNormalFunction*>(b)->Code) return "method " + b->GetName();
  }
  if (!fresh.ClassCode) return "class code";
  return {};
}

// True when fresh has methods the running class lacks, or overrides one
// it only inherited (every running method is in fresh: see Difference).
bool MethodsAdded(const TRTTI& running, const TRTTI& fresh) {
  if (fresh.Methods.size() != running.Methods.size()) return true;
  for (const TFunction* a : running.Methods) {
    if (a->Owner != &running && MethodNamed(fresh, a->NameId)->Owner == &fresh) return true;
  }
  return false;
}

bool SameMembers(const TRapidStringList& a, const TRapidStringList& b) {
  if (a.Count() != b.Count()) return false;
  for (int32_t i = 0; i < a.Count(); ++i) {
    if (a.IdAt(i) != b.IdAt(i)) return false;
  }
  return true;
}

// The code words with the position operands of the position marks blanked
// (they follow the text, not what the code does).
std::vector<uint32_t> WithoutPositions(const TCompiledInfo& info) {
  std::vector<uint32_t> words = info.code;
  for (const auto& point : info.symbols.points) {
    int32_t a = point.second;
    if (a < 0 || a % 4 != 0) continue;
    size_t w = static_cast<size_t>(a / 4);
    if (w + 3 < words.size() && words[w] == Op_Point) words[w + 2] = words[w + 3] = 0;
  }
  return words;
}

// True when a and b do the same, only from other places in the text.
bool SameButPositions(const TNormalFunction& running, const TNormalFunction& next) {
  if (!running.Code || !next.Code || running.Locals != next.Locals || running.Params != next.Params) return false;
  return running.Code->code.size() == next.Code->code.size() &&
         WithoutPositions(*running.Code) == WithoutPositions(*next.Code);
}

// A fresh block with the words and symbols of code, to be linked anew.
std::unique_ptr<TCompiledInfo> CopyOf(const TCompiledInfo& code) {
  auto copy = std::make_unique<TCompiledInfo>();
  copy->symbols = code.symbols;
  copy->code = code.code;
  copy->cls = code.cls;
  return copy;
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

// Subclass code linked again for moved members, installed only where its
// words changed.
struct TRelinked {
  TRTTI* cls;
  TNormalFunction* method;  // none: the class's own code
  std::unique_ptr<TCompiledInfo> code;
};

void Relink(TRTTI& sub, std::vector<TRelinked>& out) {
  for (TFunction* f : sub.Methods) {
    if (f->Owner != &sub || f->Kind() == FunctionKind::kNative) continue;
    auto* nf = static_cast<TNormalFunction*>(f);
    if (!nf->Code) continue;
    out.push_back({&sub, nf, CopyOf(*nf->Code)});
    LinkCompiledInfo(*out.back().code, &sub);
  }
  if (sub.ClassCode) {
    out.push_back({&sub, nullptr, CopyOf(*sub.ClassCode)});
    LinkCompiledInfo(*out.back().code, &sub);
  }
}

// Installs relinked subclass code whose words differ; true when any did.
bool InstallRelinked(std::vector<TRelinked>& relinked) {
  bool replaced = false;
  for (TRelinked& r : relinked) {
    TCompiledInfo* now = r.method ? r.method->Code.get() : r.cls->ClassCode.get();
    if (now->code == r.code->code) continue;
    replaced = true;
    if (r.method) {
      r.method->ReplaceCode(std::move(r.code));
    } else {
      r.cls->RetiredClassCode.push_back(std::move(r.cls->ClassCode));
      r.cls->ClassCode = std::move(r.code);
    }
  }
  return replaced;
}

// Installs the new methods of cls; true when a method's code changed.
bool InstallMethods(TRTTI& cls, TRTTI& fresh) {
  // Frames still in replaced code count their positions in the old text.
  std::shared_ptr<const std::string> former = cls.CompiledText;
  bool replaced = false;
  for (TFunction* f : cls.Methods) {
    // Methods taken over from fresh (added ones) come with their code.
    if (f->Owner != &cls || f->Kind() == FunctionKind::kNative) continue;
    auto* running = static_cast<TNormalFunction*>(f);
    auto* next = static_cast<TNormalFunction*>(MethodNamed(fresh, f->NameId));
    if (SameButPositions(*running, *next)) {
      // Same code: the block takes the new positions in place, so frames in
      // it go on and name lines of the new text.
      running->Code->code = next->Code->code;
      running->Code->symbols = next->Code->symbols;
      running->Code->CodeChanged();
      continue;
    }
    replaced = true;
    if (running->Code) running->Code->formerSource = former;
    running->ReplaceCode(std::move(next->Code));
    running->Params = next->Params;
    running->Locals = next->Locals;
  }
  if (cls.ClassCode) {
    cls.ClassCode->formerSource = former;
    cls.RetiredClassCode.push_back(std::move(cls.ClassCode));
  }
  cls.ClassCode = std::move(fresh.ClassCode);
  return replaced;
}

}  // namespace

HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, THotSwapOutcome& outcome) {
  outcome = THotSwapOutcome();
  std::string& why = outcome.why;
  std::unique_ptr<TRTTI> fresh = ScratchOf(cls);
  if (CompileSource(*fresh, source, cls.sourcePath, true) != 0) return HotSwapResult::kCompileError;
  if (!cls.Compiled || !fresh->Compiled) {
    why = "not compiled";
    return HotSwapResult::kIncompatible;
  }
  why = Difference(cls, *fresh);
  if (!why.empty()) return HotSwapResult::kIncompatible;

  // New members are tried on the running family first, so that every
  // block links against the layout it will run with; a link failure or a
  // record without room takes them back and leaves the old code whole.
  // Methods added go the same way: the family's tables are planned first.
  bool moved = !SameMembers(cls.Members, fresh->Members);
  bool added = MethodsAdded(cls, *fresh);
  std::vector<TRTTI*> family = moved || added ? TMemberLayout::FamilyOf(cls) : std::vector<TRTTI*>{&cls};
  TMemberLayout layout(family);
  TMethodTables tables(family);
  if (moved) layout.Try(fresh->Members);
  if (added) tables.Try(*fresh);
  auto undo = [&] {
    if (moved) layout.Undo();
    if (added) tables.Undo();
  };
  std::vector<TRelinked> relinked;
  try {
    for (TFunction* f : fresh->Methods) {
      if (f->Owner != fresh.get() || f->Kind() == FunctionKind::kNative) continue;
      LinkCompiledInfo(*static_cast<TNormalFunction*>(f)->Code, &cls);
    }
    LinkCompiledInfo(*fresh->ClassCode, &cls);
    // The subclasses' layouts were planned from these members: the new
    // code must not have added any while linking.
    if (moved && !SameMembers(cls.Members, fresh->Members)) throw ECmpError("members");
    if (moved || added) {
      for (size_t i = 1; i < family.size(); ++i) Relink(*family[i], relinked);
      // A subclass whose code still names a member its parent dropped gets
      // it as its own; its own subclasses were planned without it.
      if (!layout.PrefixesHold()) throw ECmpError("members");
    }
  } catch (const ERuvel& e) {
    undo();
    why = e.Message();
    return HotSwapResult::kIncompatible;
  }
  if (moved && !layout.Fits()) {
    undo();
    why = "no room for the new members in live objects";
    return HotSwapResult::kIncompatible;
  }

  std::set<Instance*> touched;
  if (moved) layout.Apply(touched);
  bool replaced = InstallMethods(cls, *fresh);
  if (InstallRelinked(relinked)) replaced = true;
  if (added) {
    tables.Commit();
    replaced = true;
  }
  cls.CompiledText = std::make_shared<const std::string>(source);
  fresh.reset();
  if (replaced) {
    VMState& vm = VM();
    ++vm.codeGeneration;
    // Old code holding member or method indices must not run on.
    if (moved || added) vm.layoutGeneration = vm.codeGeneration;
    // The objects whose processes will start a replaced method again.
    for (TProcess* p : LiveProcesses()) {
      if (p->halted || p->released) continue;
      Value* frame = OutdatedFrame(p);
      if (frame && FrameOf(frame)->receiver->tag == kObject) touched.insert(FrameOf(frame)->receiver->obj);
    }
  }
  outcome.objects = static_cast<int>(touched.size());
  outcome.membersMoved = moved;

  if (!cls.sourcePath.empty()) {
    try {
      SaveClassFile(cls, ClassFilePath(cls));
    } catch (const ERuvel& e) {
      Log(e.Message());
    }
  }
  return HotSwapResult::kSwapped;
}

HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, std::string& why) {
  THotSwapOutcome outcome;
  HotSwapResult result = HotSwapClass(cls, source, outcome);
  why = outcome.why;
  return result;
}

}  // namespace ruvel
