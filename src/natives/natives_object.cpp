// Object natives: globals, class and member introspection, resources,
// value kinds and the clock.
#include <chrono>

#include "platform/message_sink.h"
#include "natives/natives_args.h"
#include "natives/natives_core.h"
#include "resources/resource_global.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {

TResource* ResolveFromRoot(const std::string& name) {
  TResource* root = VM().root;
  return root ? root->Resolve(name) : nullptr;
}

// The global named by text ("$" + name), created on first reference;
// nullptr for other names or when it cannot be created.
TGlobalValue* GlobalNamed(const std::string& text) {
  if (text.empty() || text[0] != '$') return nullptr;
  return dynamic_cast<TGlobalValue*>(ResolveFromRoot(text));
}

// Member slot i of the receiver when 0 <= i < the member count.
Value* MemberAt(Instance* rec, int32_t i) {
  if (!rec || !rec->cls || i < 0 || i >= rec->cls->Members.Count() || static_cast<uint32_t>(i) >= rec->count) {
    return nullptr;
  }
  return &rec->members()[i];
}

}  // namespace

PrintHook& PrintOutput() {
  static PrintHook hook;
  return hook;
}

void NativePrint(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::string text = a.Text(1);
  PrintHook& hook = PrintOutput();
  if (hook.print) {
    TProcess* p = VM().current;
    hook.print(text, p ? Trace(p) : TTraceList{});
  } else {
    LogLine(text);
  }
}

void NativeGetGlobal(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  TGlobalValue* g = GlobalNamed(a.Text(1));
  if (g) a.Return(g->value);
  else a.ReturnInt(0);
}

void NativeSetGlobal(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (TGlobalValue* g = GlobalNamed(a.Text(1))) ValueAssign(g->value, a[2]);
}

void NativeGetClassName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  Instance* rec = a.Receiver();
  if (!rec || !rec->cls) return;
  a.ReturnString(rec->cls->name);
}

void NativeNewInstance(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  TRTTI* cls = dynamic_cast<TRTTI*>(ResolveFromRoot(a.Text(1)));
  if (!cls) {
    a.ReturnInt(0);
    return;
  }
  a.Return(MakeObject(cls->CreateInstance()));
}

void NativeClearAllValues(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  Instance* rec = a.Receiver();
  if (!rec) return;
  for (uint32_t j = 0; j < rec->count; ++j) ValueSetInt(rec->members()[j], 0);
}

// Host addresses are never script-visible numbers here, so no integer can
// name a host object: the result is always a host value without object.
void NativeTObject(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnHost(nullptr);
}

void NativeIs(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  // The class value is compared by address only, so a value naming a
  // class that no longer exists is never dereferenced.
  const Value& target = a[1];
  Instance* rec = a.Receiver();
  bool is = false;
  if (rec && target.tag == kHost && target.host) {
    int guard = 0;
    for (TRTTI* c = rec->cls; c && guard < 100000; c = c->Parent, ++guard) {
      if (static_cast<TObject*>(c) == target.host) {
        is = true;
        break;
      }
    }
  }
  a.ReturnInt(is ? 1 : 0);
}

void NativeErrorValue(Value* self, int32_t, int32_t) { ValueSetError(*self, 0); }

void NativeGetTime(Value* self, int32_t, int32_t) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  ValueSetInt(*self, static_cast<int32_t>(static_cast<uint32_t>(ms.count())));
}

void NativeInitResource(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  TResource* node = ResolveFromRoot(a.Text(1));
  int32_t ok = 1;
  if (node) {
    try {
      node->Initialize();
    } catch (const std::exception&) {
      ok = 0;
    }
  }
  a.ReturnInt(ok);
}

void NativeGetResource(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  TResource* node = ResolveFromRoot(a.Text(1));
  Value* obj = node ? node->ScriptObject() : nullptr;
  if (obj) a.Return(*obj);
  else a.ReturnInt(0);
}

void NativeInspect(Value*, int32_t, int32_t) {}

void NativeGetValueByIndex(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1) || !a.Receiver()) return;
  Value* m = MemberAt(a.Receiver(), a.Int(1));
  if (m) a.Return(*m);
  else a.ReturnNull();
}

void NativeSetValueByIndex(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2) || !a.Receiver()) return;
  if (Value* m = MemberAt(a.Receiver(), a.Int(1))) ValueAssign(*m, a[2]);
}

void NativeGetValueCount(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  Instance* rec = a.Receiver();
  if (!rec || !rec->cls) return;
  a.ReturnInt(rec->cls->Members.Count());
}

void NativeGetValueName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  Instance* rec = a.Receiver();
  if (!a.Has(1) || !rec) return;
  int32_t i = a.Int(1);
  if (MemberAt(rec, i)) a.ReturnString(rec->cls->Members.NameAt(i));
  else a.ReturnNull();
}

void NativeGetValueIndex(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  Instance* rec = a.Receiver();
  if (!a.Has(1) || !rec || !rec->cls) return;
  int32_t id = Symbols().Find(a.Text(1));
  a.ReturnInt(id < 0 ? -1 : rec->cls->Members.IndexOf(id));
}

void NativeIsInt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnInt(a[1].tag == kInt ? 1 : 0);
}

void NativeIsFloat(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnInt(a[1].tag == kFloat ? 1 : 0);
}

}  // namespace ruvel
