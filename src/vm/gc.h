// Instance records and their reclamation: allocation from a class's pool
// with lazy reuse of unreferenced records, destruction (running the script
// destructor), the mark-and-sweep pass behind the reference counts with its
// check mode, the reset of every script object, the statistics line, and
// the collector's script natives.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// What the collector shares with the debugger window: the object list of
// check-mode findings and the hook that shows the window.
struct CollectorState {
  // Lines class name + "@" + class handle + ":r=" + paths found + ",f=" +
  // refcount + "," + instance handle, one per inconsistent record.
  std::vector<std::string> objectList;
  // Shows the debugger window (installed by the window; may be empty).
  std::function<void()> showDebugger;
};
CollectorState& Collector();

// One mark-and-sweep pass over the resource tree and the root process's
// stack. In check mode nothing is destroyed: records whose refcount is
// below the number of paths found are listed instead.
void Collect(bool checkMode);
// The main window's "GC" command: clears the object list and runs one pass
// in the current check mode.
void CollectFromMenu();
// The debugger's "GC" button: with a root process, clears the object list,
// runs a check pass and then a normal pass (check mode is off afterwards).
// Returns false when there is no root process.
bool CollectFromDebugger();

// Frees the root process, drops every resource and global value that holds
// an object or host value (without releasing it) and destroys every record
// still in use, class by class in pool order.
void ResetScriptObjects();

// "// GC=.. gar=.. resgar=.. stk=.. prc=..list=../..// tfstr=.. func=..".
std::string StatisticsText();

// Natives of "classes.lang.Object": native_gc_mark(v) marks v;
// _n_objhandle(v) gives the handle of an object (0 otherwise);
// _n_refcount(h) gives the refcount of the live record with handle h (0
// for a number that names no live record).
void NativeGcMark(Value* self, int32_t argc, int32_t reserved);
void NativeObjHandle(Value* self, int32_t argc, int32_t reserved);
void NativeRefcount(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
