#include "vm/gc.h"

#include <cstdlib>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "runtime/rtti.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// Runs one method of rec in a nested process with the full budget.
void RunNested(Instance* rec, TFunction* f) {
  TProcess* p = TProcess::CreateFor(rec, nullptr, f);
  Run(p, kUnlimitedBudget);
  TProcess::Free(p);
}

Instance* AllocateRecord(TRTTI* cls) {
  int32_t n = cls->Members.Count();
  size_t bytes = sizeof(Instance) + sizeof(Value) * static_cast<size_t>(n);
  auto* rec = static_cast<Instance*>(std::calloc(1, bytes));
  if (!rec) throw std::bad_alloc();
  rec->refcount = -1;
  rec->cls = cls;
  rec->count = static_cast<uint32_t>(n);
  rec->handle = VM().instances.Add(rec, HandleKind::kInstance);
  ++VM().stats.liveBlocks;
  cls->InstancePool->push_back(rec);
  return rec;
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
  Instance* rec = nullptr;
  auto& pool = *cls->InstancePool;
  for (size_t i = 0; i < pool.size(); ++i) {
    if (pool[i]->refcount <= 0) {
      rec = pool[i];
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
  ++VM().stats.liveInstances;
  return rec;
}

void DestroyInstance(Instance* rec) {
  TRTTI* cls = rec->cls;
  if (TFunction* d = cls->DestructorOf()) {
    // Keep the record alive while its destructor runs: the receiver slot
    // of the nested process counts as one reference.
    RunNested(rec, d);
  }
  Value* m = rec->members();
  for (uint32_t j = 0; j < rec->count; ++j) {
    try {
      Release(m[j]);
    } catch (const ERuvel&) {
      LogLine("Decref failed at " + cls->name + "." + cls->Members.NameAt(static_cast<int32_t>(j)));
      break;
    }
  }
  for (uint32_t j = 0; j < rec->count; ++j) m[j] = MakeNull();
  rec->refcount = -1;
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
}

Instance* InstanceOfHandle(uint32_t handle) {
  auto* rec = static_cast<Instance*>(VM().instances.Get(handle, HandleKind::kInstance));
  return rec;
}

void MarkValue(const Value& v) {
  if (v.tag == kObject && v.obj) MarkInstance(v.obj);
}

void MarkInstance(Instance* rec) {
  if (rec->marks > 0) {
    ++rec->marks;
    return;
  }
  rec->marks = 1;
  int32_t hint = 0;
  if (TFunction* f = rec->cls->FindMethod(kSymGcMark, hint)) {
    if (f->Kind() != FunctionKind::kNative) {
      int32_t saved = VM().stepBudget;
      RunNested(rec, f);
      VM().stepBudget = saved;
    }
  }
  Value* m = rec->members();
  for (uint32_t j = 0; j < rec->count; ++j) MarkValue(m[j]);
}

void SweepPool(TRTTI* cls) {
  LogLine("sweeping " + cls->name);
  if (!cls->InstancePool) return;
  auto& pool = *cls->InstancePool;
  for (size_t i = 0; i < pool.size(); ++i) {
    Instance* rec = pool[i];
    if (rec->refcount < 0) continue;
    if (!VM().checkMode && rec->marks == 0) DestroyInstance(rec);
    rec->marks = 0;
  }
}

}  // namespace ruvel
