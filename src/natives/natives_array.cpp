// Array natives: the host list of value cells behind an array's "_x".
#include "platform/cp932.h"
#include "platform/error.h"
#include "natives/natives_args.h"
#include "natives/natives_core.h"
#include "vm/fast_natives.h"
#include "vm/value_list.h"

namespace ruvel {

namespace {

[[noreturn]] void IndexError(int32_t i) {
  throw EVMError(J("リストのインデックスが範囲を超えています (") + std::to_string(i) + ")");
}

// Position i of the list, raising the list's index error outside 0..size-1.
size_t Checked(const TValueList* list, int32_t i) {
  if (i < 0 || static_cast<size_t>(i) >= list->cells.size()) IndexError(i);
  return static_cast<size_t>(i);
}

}  // namespace

void NativeArrayInit(Value* self, int32_t, int32_t) { ValueSetHost(*self, new TValueList()); }

void NativeArrayAdd(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (TValueList* list = a.Host<TValueList>(1)) list->Add(a[2]);
}

void NativeArrayInsert(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  int32_t i = a.Int(2);
  // Inserting at the end is allowed.
  if (i < 0 || static_cast<size_t>(i) > list->cells.size()) IndexError(i);
  list->Insert(static_cast<size_t>(i), a[3]);
}

void NativeArrayGet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  a.Return(list->cells[Checked(list, a.Int(2))]);
}

void NativeArraySet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  ValueAssign(list->cells[Checked(list, a.Int(2))], a[3]);
}

void NativeArraySize(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TValueList* list = a.Host<TValueList>(1)) a.ReturnFloat(static_cast<float>(list->cells.size()));
}

void NativeArrayFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  delete a.Host<TValueList>(1);
}

void NativeArrayDelete(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  size_t i = Checked(list, a.Int(2));
  // Keep the value counted while its cell goes, then hand the count over.
  Value v = list->cells[i];
  Retain(v);
  list->Delete(i);
  a.ReturnRetained(v);
}

void NativeArrayIndexOf(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  int32_t found = -1;
  for (size_t i = 0; i < list->cells.size(); ++i) {
    if (ValueCompare(list->cells[i], a[2]) == 0.0f) {
      found = static_cast<int32_t>(i);
      break;
    }
  }
  a.ReturnInt(found);
}

void NativeArrayLightIndexOf(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  int32_t found = -1;
  for (size_t i = 0; i < list->cells.size(); ++i) {
    if (SameIdentity(list->cells[i], a[2])) {
      found = static_cast<int32_t>(i);
      break;
    }
  }
  a.ReturnInt(found);
}

void NativeArrayPack(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TValueList* list = a.Host<TValueList>(1);
  if (!list) return;
  for (size_t i = list->cells.size(); i-- > 0;) {
    if (i < list->cells.size() && ValueToInt(list->cells[i]) == 0) list->Delete(i);
  }
}

namespace {

// Fast forms (vm/fast_natives.h) of add, get and set for a live list and,
// for get and set, an integer index inside it.
bool FastArrayAdd(const Value& member, const Value* args, Value&) {
  TValueList* list = LiveHostAs<TValueList>(member);
  if (!list) return false;
  list->Add(args[0]);
  return true;
}

bool GetFromList(TValueList* list, const Value* args, Value& out) {
  const Value& i = args[0];
  if (!list || i.tag != kInt || i.i < 0 || static_cast<size_t>(i.i) >= list->cells.size()) return false;
  out = list->cells[static_cast<size_t>(i.i)];
  return true;
}

[[gnu::noinline]] bool FastArrayGetSearched(const Value& member, const Value* args, Value& out) {
  return GetFromList(LiveHostAs<TValueList>(member), args, out);
}

// The list is looked for in the cache of recent finds first, so that the
// usual get calls nothing; any other case searches the registry.
bool FastArrayGet(const Value& member, const Value* args, Value& out) {
  TValueList* list = CachedHostAs<TValueList>(member);
  return list ? GetFromList(list, args, out) : FastArrayGetSearched(member, args, out);
}

bool FastArraySet(const Value& member, const Value* args, Value&) {
  TValueList* list = LiveHostAs<TValueList>(member);
  const Value& i = args[0];
  if (!list || i.tag != kInt || i.i < 0 || static_cast<size_t>(i.i) >= list->cells.size()) return false;
  ValueAssign(list->cells[static_cast<size_t>(i.i)], args[-1]);
  return true;
}

}  // namespace

void RegisterArrayFastNatives() {
  RegisterFastNative(NativeArrayAdd, FastArrayAdd);
  RegisterFastNative(NativeArrayGet, FastArrayGet);
  RegisterFastNative(NativeArraySet, FastArraySet);
}

}  // namespace ruvel
