#include "runtime/function.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "vm/vm_state.h"

namespace ruvel {

TFunction::TFunction(TRTTI* owner, int32_t nameId) : Owner(owner), NameId(nameId) {
  handle = VM().handles.Add(this, HandleKind::kFunction);
  ++VM().stats.liveFunctions;
}

TFunction::~TFunction() {
  VM().handles.Remove(handle);
  --VM().stats.liveFunctions;
}

const std::string& TFunction::GetName() const { return SymbolName(NameId); }

void TNormalFunction::WriteTo(BinaryWriter& w) const {
  w.StringList(Params);
  w.StringList(Locals);
  if (Code) {
    Code->WriteBlock(w);
  } else {
    TCompiledInfo empty;
    empty.WriteBlock(w);
  }
}

void TNormalFunction::ReadFrom(BinaryReader& r) {
  Params = r.StringList();
  Locals = r.StringList();
  Code = std::make_unique<TCompiledInfo>();
  Code->ReadBlock(r);
  Code->cls = Owner;
}

void TNormalFunction::ReplaceCode(std::unique_ptr<TCompiledInfo> code) {
  if (Code) Retired.push_back(std::move(Code));
  Code = std::move(code);
}

TCompiledInfo* TNormalFunction::CodeHolding(const uint32_t* pc) const {
  if (!Code || Code->Holds(pc)) return Code.get();
  for (const auto& old : Retired) {
    if (old->Holds(pc)) return old.get();
  }
  return Code.get();
}

static int32_t IndexNoCase(const std::vector<std::string>& list, const std::string& n) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (EqualsNoCase(list[i], n)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TNormalFunction::LocalIndex(const std::string& n) const { return IndexNoCase(Locals, n); }
int32_t TNormalFunction::ParamIndex(const std::string& n) const { return IndexNoCase(Params, n); }

TNativeFunction::TNativeFunction(TRTTI* owner, int32_t nameId, NativeHandler h)
    : TFunction(owner, nameId), Handler(h) {
  isNative = true;
}

void NotImplementedNative(Value*, int32_t, int32_t) { throw EVMError(J("native関数が実装されていません")); }

TFunction* NewFunctionOfKind(const std::string& kind, TRTTI* owner, int32_t nameId) {
  if (kind == "TNormalFunction") return new TNormalFunction(owner, nameId);
  if (kind == "TConstructor") return new TConstructor(owner, nameId);
  if (kind == "TDestructor") return new TDestructor(owner, nameId);
  if (kind == "TNativeFunction") return new TNativeFunction(owner, nameId);
  return nullptr;
}

}  // namespace ruvel
