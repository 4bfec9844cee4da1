#include "vm/gc.h"

#include <algorithm>
#include <cstdlib>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// Runs one method of rec in a nested process with the full budget. Errors
// inside the method end that process only (Run reports them); a process
// that cannot even be set up is logged and skipped.
void RunNested(Instance* rec, TFunction* f) {
  TProcess* p = nullptr;
  try {
    p = TProcess::CreateFor(rec, nullptr, f);
  } catch (const ERuvel& e) {
    LogLine(e.Message());
    return;
  }
  Run(p, kUnlimitedBudget);
  TProcess::Free(p);
}

Instance* AllocateRecord(TRTTI* cls) {
  int32_t n = cls->Members.Count();
  // Strings and arrays are many and never change shape; other records get
  // the spare slots a live reload may fill with new members.
  VMState& vm = VM();
  int32_t spare = cls == vm.stringClass || cls == vm.arrayClass ? 0 : std::max(vm.spareMemberSlots, 0);
  size_t bytes = sizeof(Instance) + sizeof(Value) * static_cast<size_t>(n + spare);
  auto* rec = static_cast<Instance*>(std::calloc(1, bytes));
  if (!rec) throw std::bad_alloc();
  rec->refcount = -1;
  rec->cls = cls;
  rec->count = static_cast<uint32_t>(n);
  rec->handle = VM().instances.Add(rec, HandleKind::kInstance);
  ++VM().stats.liveBlocks;
  rec->poolIndex = static_cast<uint32_t>(cls->InstancePool->size());
  cls->InstancePool->push_back(rec);
  cls->RecordSlots.push_back(static_cast<uint32_t>(n + spare));
  return rec;
}

// Marking state. Members are traversed with an explicit stack so that a
// long chain of objects cannot exhaust the machine stack; "gc_mark"
// methods that mark further objects nest, and past a fixed depth their
// traversal is deferred to the outermost marking call.
constexpr int kMaxMarkNesting = 32;
int g_markNesting = 0;
std::vector<Instance*> g_deferred;

void RunGcMark(Instance* rec) {
  int32_t hint = 0;
  TFunction* f = rec->cls ? rec->cls->FindMethod(kSymGcMark, hint) : nullptr;
  if (!f || f->Kind() == FunctionKind::kNative) return;
  int32_t saved = VM().stepBudget;
  RunNested(rec, f);
  VM().stepBudget = saved;
}

// Runs the "gc_mark" method of first (already counted) and marks what its
// members reach, depth first in member order.
void Traverse(Instance* first) {
  struct Item {
    Instance* rec;
    uint32_t next;
  };
  std::vector<Item> stack;
  RunGcMark(first);
  stack.push_back({first, 0});
  while (!stack.empty()) {
    Instance* rec = stack.back().rec;
    uint32_t j = stack.back().next;
    if (j >= rec->count) {
      stack.pop_back();
      continue;
    }
    ++stack.back().next;
    const Value& v = rec->members()[j];
    if (v.tag != kObject || !v.obj) continue;
    Instance* m = v.obj;
    if (m->marks > 0) {
      ++m->marks;
      continue;
    }
    m->marks = 1;
    RunGcMark(m);
    stack.push_back({m, 0});
  }
}

// Adds the check-mode line for a record whose count is below the paths found.
void ListInconsistent(TRTTI* cls, Instance* rec) {
  CollectorState& c = Collector();
  if (c.showDebugger) c.showDebugger();
  c.objectList.push_back(cls->name + "@" + std::to_string(cls->handle) + ":r=" + std::to_string(rec->marks - 1) +
                         ",f=" + std::to_string(rec->refcount) + "," + std::to_string(rec->handle));
}

}  // namespace

Instance* NewInstance(TRTTI* cls) {
  if (!cls->Compiled) {
    throw EVMError(J("クラス") + cls->DisplayName() + J("はコンパイルが完了していないため、インスタンスを生成できません"));
  }
  if (!cls->InstancePool) {
    cls->InstanceSize = 12 + 8 * cls->Members.Count();
    cls->InstancePool = std::make_unique<std::vector<Instance*>>();
  }
  ++cls->CreatedCount;
  ++VM().stats.instancesCreated;
  // The first record of the pool whose count is <= 0: the lowest valid
  // reuse candidate.
  Instance* rec = nullptr;
  auto& pool = *cls->InstancePool;
  auto& candidates = cls->ReuseCandidates;
  while (!candidates.empty()) {
    Instance* r = pool[candidates.top()];
    candidates.pop();
    r->queued = 0;
    if (r->refcount <= 0) {
      rec = r;
      break;
    }
  }
  if (!rec) rec = AllocateRecord(cls);
  if (rec->refcount == 0) DestroyInstance(rec);
  rec->refcount = 0;
  rec->marks = 0;
  rec->cls = cls;
  Value* m = rec->members();
  for (uint32_t j = 0; j < rec->count; ++j) m[j] = MakeUninit(cls->Members.IdAt(static_cast<int32_t>(j)));
  // It stays reusable until its new owner counts it.
  NoteReusable(rec);
  ++VM().stats.liveInstances;
  return rec;
}

void DestroyInstance(Instance* rec) {
  TRTTI* cls = rec->cls;
  if (TFunction* d = cls->DestructorOf()) {
    // The receiver slot of the nested process holds the record while its
    // destructor runs.
    RunNested(rec, d);
  }
  Value* m = rec->members();
  for (uint32_t j = 0; j < rec->count; ++j) {
    // A member naming a record that is already free (the other half of a
    // cycle destroyed earlier in the same sweep) holds no count any more.
    if (m[j].tag == kObject && m[j].obj && m[j].obj->refcount < 0) continue;
    try {
      Release(m[j]);
    } catch (const ERuvel&) {
      LogLine("Decref failed at " + cls->name + "." + cls->Members.NameAt(static_cast<int32_t>(j)));
      break;
    }
  }
  for (uint32_t j = 0; j < rec->count; ++j) m[j] = MakeNull();
  rec->refcount = -1;
  rec->marks = 0;
  NoteReusable(rec);
  --VM().stats.liveInstances;
}

void FreePool(TRTTI* cls) {
  if (!cls->InstancePool) return;
  for (Instance* rec : *cls->InstancePool) {
    VM().instances.Remove(rec->handle);
    std::free(rec);
    --VM().stats.liveBlocks;
  }
  cls->InstancePool.reset();
  cls->RecordSlots.clear();
  cls->ReuseCandidates = {};
}

Instance* InstanceOfHandle(uint32_t handle) {
  return static_cast<Instance*>(VM().instances.Get(handle, HandleKind::kInstance));
}

void MarkValue(const Value& v) {
  if (v.tag == kObject && v.obj) MarkInstance(v.obj);
}

void MarkInstance(Instance* rec) {
  if (!rec) return;
  if (rec->marks > 0) {
    ++rec->marks;
    return;
  }
  rec->marks = 1;
  if (g_markNesting >= kMaxMarkNesting) {
    g_deferred.push_back(rec);
    return;
  }
  ++g_markNesting;
  try {
    Traverse(rec);
    if (g_markNesting == 1) {
      while (!g_deferred.empty()) {
        Instance* next = g_deferred.back();
        g_deferred.pop_back();
        Traverse(next);
      }
    }
  } catch (...) {
    --g_markNesting;
    if (g_markNesting == 0) g_deferred.clear();
    throw;
  }
  --g_markNesting;
}

void SweepPool(TRTTI* cls) {
  LogLine("sweeping " + cls->name);
  if (!cls->InstancePool) return;
  auto& pool = *cls->InstancePool;
  // Destructors may add records to the pool: index, never iterators.
  for (size_t i = 0; i < pool.size(); ++i) {
    Instance* rec = pool[i];
    if (rec->refcount < 0) continue;
    if (VM().checkMode) {
      if (rec->refcount < rec->marks - 1) ListInconsistent(cls, rec);
    } else if (rec->marks == 0) {
      DestroyInstance(rec);
    }
    rec->marks = 0;
  }
}

CollectorState& Collector() {
  static CollectorState state;
  return state;
}

void Collect(bool checkMode) {
  VMState& vm = VM();
  vm.checkMode = checkMode;
  if (vm.root) vm.root->Mark();
  if (vm.rootProcess) vm.rootProcess->MarkStack();
  if (vm.root) vm.root->Sweep();
}

void CollectFromMenu() {
  Collector().objectList.clear();
  Collect(VM().checkMode);
}

bool CollectFromDebugger() {
  if (!VM().rootProcess) return false;
  Collector().objectList.clear();
  Collect(true);
  Collect(false);
  return true;
}

void ResetScriptObjects() {
  VMState& vm = VM();
  if (vm.rootProcess) TProcess::Free(vm.rootProcess);
  vm.rootProcess = nullptr;
  if (vm.root) vm.root->ClearValues();
}

std::string StatisticsText() {
  const VMStats& s = VM().stats;
  // Array cells are the VM's only 8-byte value cells, so both counts of
  // the "list=" piece read the same counter.
  return "// GC=" + std::to_string(s.liveBlocks) + " gar=" + std::to_string(s.liveTokens) +
         " resgar=" + std::to_string(s.liveResultLists) + " stk=" + std::to_string(s.liveStacks) +
         " prc=" + std::to_string(s.liveProcesses) + "list=" + std::to_string(s.liveValueCells) + "/" +
         std::to_string(s.liveValueCells) + "// tfstr=" + std::to_string(s.liveTfStrings) +
         " func=" + std::to_string(s.liveFunctions);
}

void NativeGcMark(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  MarkValue(self[-1]);
}

void NativeObjHandle(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  const Value& v = self[-1];
  int32_t h = (v.tag == kObject && v.obj) ? static_cast<int32_t>(v.obj->handle) : 0;
  ValueSetInt(*self, h);
}

void NativeRefcount(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  // Only a handle of a live record is read; any other number gives 0.
  Instance* rec = InstanceOfHandle(static_cast<uint32_t>(ValueToInt(self[-1])));
  ValueSetInt(*self, (rec && rec->refcount >= 0) ? rec->refcount : 0);
}

}  // namespace ruvel
