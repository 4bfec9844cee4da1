// Registration of host natives: each module keeps one table of entries
// (class, script name, handler) in the order the start-up sequence binds
// them, and BindNatives attaches a table's handlers to the classes that
// declare them.
#pragma once
#include <vector>

#include "runtime/function.h"

namespace ruvel {

struct NativeEntry {
  const char* className;  // dotted ("classes.lang.Array") or a short name ("HashTable")
  const char* name;       // the script name of the native
  NativeHandler handler;
};

// Resolves each entry's class from the root (a short name through the
// alias table) and binds the handler. A class that cannot be found is
// reported once per run of entries naming it; a native the class does not
// declare shows BindNative's message.
void BindNatives(const std::vector<NativeEntry>& table);

// "classes.lang.Array", then "classes.lang.Object", then
// "classes.lang.String", each in registration order.
const std::vector<NativeEntry>& CoreNatives();
// "classes.lang.Process".
const std::vector<NativeEntry>& ProcessNatives();
// "AbstractHashTable", "LightHashTable", "HashTable".
const std::vector<NativeEntry>& HashTableNatives();
// "System".
const std::vector<NativeEntry>& SystemNatives();

}  // namespace ruvel
