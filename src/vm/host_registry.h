// The registry of live host objects that scripts hold in host values and
// free by hand (arrays' element lists, processes, hash tables). A native
// checks that a host value still names a live object before it touches it,
// so a value kept after its object was freed is refused instead of
// reaching freed memory.
#pragma once
#include <cstddef>
#include <typeinfo>

#include "vm/value.h"

namespace ruvel {

// Called by the constructors and destructors of the registered kinds.
void RegisterHost(const TObject* p);
void UnregisterHost(const TObject* p);
bool IsLiveHost(const TObject* p);
size_t LiveHostCount();

// The object of a host value when it is live and of type T; else nullptr.
template <typename T>
T* LiveHostAs(const Value& v) {
  if (v.tag != kHost || !v.host || !IsLiveHost(v.host)) return nullptr;
  // The exact type is the usual case and needs no walk of the hierarchy.
  if (typeid(*v.host) == typeid(T)) return static_cast<T*>(v.host);
  return dynamic_cast<T*>(v.host);
}

}  // namespace ruvel
