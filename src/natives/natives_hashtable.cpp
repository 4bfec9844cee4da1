// Natives of "AbstractHashTable", "LightHashTable" and "HashTable": the
// script object keeps its table as a host value and passes it as argument 1.

#include "natives/hashtable.h"
#include "natives/native_table.h"
#include "natives/natives_args.h"
#include "vm/fast_natives.h"

namespace ruvel {

namespace {

// The live table that v holds, else nullptr. Both table classes carry a
// kind byte; matching it is much cheaper than a cast to their base, which
// compares type names.
[[gnu::always_inline]] inline TAbstractHashtable* LiveTable(const Value& v) {
  if (v.tag != kHost || !v.host || !IsLiveHost(v.host)) return nullptr;
  const HostKind kind = v.host->Kind();
  if (kind == HostKind::kHashtable) return static_cast<THashtable*>(v.host);
  if (kind == HostKind::kLightHashtable) return static_cast<TLightHashtable*>(v.host);
  return dynamic_cast<TAbstractHashtable*>(v.host);
}

TAbstractHashtable* Table(const TNativeArgs& a, int32_t k) { return a.Has(k) ? LiveTable(a[k]) : nullptr; }

void HashInitLight(Value* self, int32_t, int32_t) { ValueSetHost(*self, new TLightHashtable()); }

void HashInit(Value* self, int32_t, int32_t) { ValueSetHost(*self, new THashtable()); }

void HashGet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  auto* t = Table(a, 1);
  if (!t) return;
  TAbstractHashtable::Entry* e = t->Find(a[2]);
  if (e) a.Return(e->value);
  else a.ReturnNull();
}

void HashPut(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  if (auto* t = Table(a, 1)) t->Put(a[2], a[3]);
}

// Fast forms (vm/fast_natives.h) of get and put: neither can fail on a
// live table.
bool FastHashGet(const Value& member, const Value* args, Value& out) {
  TAbstractHashtable* t = LiveTable(member);
  if (!t) return false;
  TAbstractHashtable::Entry* e = t->Find(args[0]);
  out = e ? e->value : MakeNull();
  return true;
}

bool FastHashPut(const Value& member, const Value* args, Value&) {
  TAbstractHashtable* t = LiveTable(member);
  if (!t) return false;
  t->Put(args[0], args[-1]);
  return true;
}

void HashStartFind(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* t = Table(a, 1)) t->StartFind();
}

void HashHasNext(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* t = Table(a, 1)) a.ReturnInt(t->HasNext() ? 1 : 0);
}

void HashNextKey(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* t = Table(a, 1)) a.Return(t->NextKey());
}

void HashRemove(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  auto* t = Table(a, 1);
  if (!t) return;
  Value removed;
  if (t->Remove(a[2], removed)) a.ReturnRetained(removed);
  else a.ReturnNull();
}

void HashSize(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* t = Table(a, 1)) a.ReturnInt(static_cast<int32_t>(t->Size()));
}

void HashDestroy(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  delete Table(a, 1);
}

}  // namespace

const std::vector<NativeEntry>& HashTableNatives() {
  static const bool fastForms = (RegisterFastNative(HashGet, FastHashGet), RegisterFastNative(HashPut, FastHashPut), true);
  (void)fastForms;
  static const std::vector<NativeEntry> table = {
      {"AbstractHashTable", "_n_get", HashGet},
      {"AbstractHashTable", "_n_put", HashPut},
      {"AbstractHashTable", "_n_startFind", HashStartFind},
      {"AbstractHashTable", "_n_hasNext", HashHasNext},
      {"AbstractHashTable", "_n_nextKey", HashNextKey},
      {"AbstractHashTable", "_n_remove", HashRemove},
      {"AbstractHashTable", "_n_size", HashSize},
      {"AbstractHashTable", "_n_destroy", HashDestroy},
      {"LightHashTable", "_n_init", HashInitLight},
      {"HashTable", "_n_init", HashInit},
  };
  return table;
}

}  // namespace ruvel
