#include "runtime/rtti.h"

#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/regular_file.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "runtime/alias.h"
#include "resources/resource_markup.h"
#include "vm/gc.h"
#include "vm/vm_state.h"

namespace ruvel {

TRTTI::TRTTI(const std::string& className, const std::string& src) {
  name = className;
  sourcePath = src;
  handle = VM().handles.Add(this, HandleKind::kClass);
  ClassValue = MakeHost(this);
  if (VM().aliasRegistration && !Aliases().Has(className)) {
    Aliases().Add(className, this);
    Aliased = true;
  } else if (VM().aliasRegistration && TAlias::Yields(className)) {
    Aliases().Shadow(className, this);
    Aliased = true;
  }
}

TRTTI::~TRTTI() {
  Uncompile();
  if (Aliased) Aliases().Delete(this);
  VM().handles.Remove(handle);
  if (VM().objectClass == this) VM().objectClass = nullptr;
  if (VM().stringClass == this) VM().stringClass = nullptr;
  if (VM().arrayClass == this) VM().arrayClass = nullptr;
}

int32_t TRTTI::MemberIndexOrAdd(const std::string& memberName) {
  int32_t id = Intern(memberName);
  int32_t idx = Members.IndexOf(id);
  if (idx >= 0) return idx;
  return Members.AddId(id);
}

TFunction* TRTTI::FindMethodByName(const std::string& methodName) const {
  int32_t i = MethodIndex(methodName);
  return i < 0 ? nullptr : Methods[i];
}

int32_t TRTTI::MethodIndex(const std::string& methodName) const {
  int32_t id = Symbols().Find(methodName);
  if (id < 0) return -1;
  for (size_t i = 0; i < Methods.size(); ++i) {
    if (Methods[i]->NameId == id) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TRTTI::IndexOfFunction(const TFunction* f) const {
  for (size_t i = 0; i < Methods.size(); ++i) {
    if (Methods[i] == f) return static_cast<int32_t>(i);
  }
  return -1;
}

TFunction* TRTTI::ConstructorOf() {
  if (CachedConstructor) return CachedConstructor;
  for (size_t i = Methods.size(); i-- > 0;) {
    if (Methods[i]->Kind() == FunctionKind::kConstructor) return CachedConstructor = Methods[i];
  }
  return nullptr;
}

TFunction* TRTTI::DestructorOf() {
  if (CachedDestructor) return CachedDestructor;
  for (size_t i = Methods.size(); i-- > 0;) {
    if (Methods[i]->Kind() == FunctionKind::kDestructor) return CachedDestructor = Methods[i];
  }
  return nullptr;
}

void TRTTI::AddMethod(TFunction* f) {
  Methods.push_back(f);
  ++f->RefCount;
}

void TRTTI::AddOrOverrideMethod(TFunction* f) {
  for (auto& entry : Methods) {
    if (entry->NameId == f->NameId) {
      --entry->RefCount;
      entry = f;
      ++f->RefCount;
      CachedConstructor = CachedDestructor = nullptr;
      return;
    }
  }
  AddMethod(f);
}

void TRTTI::InheritMethods() {
  if (!Parent) return;
  for (TFunction* f : Parent->Methods) AddMethod(f);
}

void TRTTI::InheritMembers() {
  if (!Parent) return;
  for (int32_t i = 0; i < Parent->Members.Count(); ++i) Members.AddId(Parent->Members.IdAt(i));
}

void TRTTI::BindNative(const std::string& nativeName, NativeHandler h) {
  TFunction* f = FindMethodByName(nativeName);
  if (f && f->Kind() == FunctionKind::kNative) {
    static_cast<TNativeFunction*>(f)->Handler = h;
    return;
  }
  ShowMessage(J("クラス") + name + J("のnative関数") + nativeName + J("は未定義です"));
}

bool TRTTI::DerivesFrom(const TRTTI* cls) const {
  // The parent chain of a well-formed tree is finite; the step limit keeps
  // a corrupt cycle from hanging.
  int guard = 0;
  for (const TRTTI* c = this; c && guard < 100000; c = c->Parent, ++guard) {
    if (c == cls) return true;
  }
  return false;
}

std::string TRTTI::DisplayName() const { return name + "@" + std::to_string(handle); }

Instance* TRTTI::CreateInstance() { return NewInstance(this); }

std::vector<Instance*> TRTTI::LiveInstances() const {
  std::vector<Instance*> live;
  if (InstancePool) {
    for (Instance* r : *InstancePool) {
      if (r->refcount > 0) live.push_back(r);
    }
  }
  return live;
}

void TRTTI::Uncompile() {
  Compiled = false;
  Members.Clear();
  for (TFunction* f : Methods) {
    if (--f->RefCount <= 0) delete f;
  }
  Methods.clear();
  CachedConstructor = CachedDestructor = nullptr;
  FreePool(this);
  InstanceSize = -1;
  ClassCode.reset();
  RetiredClassCode.clear();
}

void TRTTI::PrepareStep(TInitContext& ctx) {
  if (!Compiled) {
    Uncompile();
    std::string text;
    if (!ReadClassSource(sourcePath, text)) {
      // Without its source a class can still come from its class file.
      if (VM().compileClass) VM().compileClass(*this, std::string());
      if (!Compiled) {
        // A FIFO, device or folder under the source's name is named as such.
        std::string message = PathExists(sourcePath) && !IsRegularFile(sourcePath)
                                  ? ReadFailureText(TReadStatus::kNotRegular, sourcePath, 0)
                                  : sourcePath + J("が見つかりません");
        ShowMessage(message);
        throw EIOError(message);
      }
    } else if (VM().compileClass) {
      VM().compileClass(*this, text);
    } else {
      CompileFailed = true;
    }
  }
  if (CompileFailed) ++ctx.Failed;
  else if (Compiled) ++ctx.Done;
  else ++ctx.Pending;
}

void TRTTI::ClearValues() {
  TResource::ClearValues();
  if (!InstancePool) return;
  for (size_t i = 0; i < InstancePool->size(); ++i) {
    Instance* r = (*InstancePool)[i];
    if (r->refcount >= 0) DestroyInstance(r);
  }
}

void TRTTI::Mark() {
  TResource::Mark();
  if (!VM().checkMode || !InstancePool) return;
  for (size_t i = 0; i < InstancePool->size(); ++i) {
    Instance* r = (*InstancePool)[i];
    if (r->refcount >= 0) MarkInstance(r);
  }
}

void TRTTI::Sweep() { SweepPool(this); }

void TRTTI::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  // src is written relative to the base directory it is read against.
  lines.push_back(MarkupLine(indent, "class", {{"name", name}, {"src", RelativeSource(sourcePath)}}, "/>"));
}

bool ReadClassSource(const std::string& path, std::string& text) {
  std::string bytes;
  if (ReadRegularFile(path, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return false;
  // Lines end in CR LF, as the compiler's positions expect.
  std::string raw = NormalizeToCp932(bytes);
  text.clear();
  text.reserve(raw.size() + raw.size() / 16);
  size_t start = 0;
  while (start < raw.size()) {
    size_t nl = raw.find('\n', start);
    size_t end = nl == std::string::npos ? raw.size() : nl;
    size_t lineEnd = end;
    if (lineEnd > start && raw[lineEnd - 1] == '\r') --lineEnd;
    text.append(raw, start, lineEnd - start);
    text += "\r\n";
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return true;
}

TCompiledInfo* FrameCode(const TFunction* func, const Value* receiver, const uint32_t* pc) {
  if (func) {
    if (func->Kind() == FunctionKind::kNative) return nullptr;
    return static_cast<const TNormalFunction*>(func)->CodeHolding(pc);
  }
  if (!receiver || receiver->tag != kObject || !receiver->obj || !receiver->obj->cls) return nullptr;
  TRTTI* cls = receiver->obj->cls;
  if (!cls->ClassCode || cls->ClassCode->Holds(pc)) return cls->ClassCode.get();
  for (const auto& old : cls->RetiredClassCode) {
    if (old->Holds(pc)) return old.get();
  }
  return cls->ClassCode.get();
}

}  // namespace ruvel
