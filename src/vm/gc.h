// Instance records and their reclamation: allocation from a class's pool
// with lazy reuse of unreferenced records, destruction (running the script
// destructor), and the mark-and-sweep pass behind the reference counts.
#pragma once
#include <string>

#include "vm/value.h"

namespace ruvel {

class TRTTI;

// A new instance of cls (refcount 0, members uninitialised). Reuses the
// first record whose refcount is <= 0, destroying an unreferenced one first.
Instance* NewInstance(TRTTI* cls);
// Runs the destructor, releases the members and marks the record free.
void DestroyInstance(Instance* rec);
// Frees every record of the class's pool (the class is being uncompiled).
void FreePool(TRTTI* cls);
// Instance record of an object handle, or nullptr when no such record lives.
Instance* InstanceOfHandle(uint32_t handle);

// Collector marking: counts one more path to the object and, the first
// time, runs its "gc_mark" method and marks its members.
void MarkValue(const Value& v);
void MarkInstance(Instance* rec);
// Sweeps a class's pool (destroying unmarked records, or in check mode
// listing inconsistent counts).
void SweepPool(TRTTI* cls);

}  // namespace ruvel
