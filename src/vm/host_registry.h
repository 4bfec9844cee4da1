// The registry of live host objects that scripts hold in host values and
// free by hand (arrays' element lists, processes, hash tables). A native
// checks that a host value still names a live object before it touches it,
// so a value kept after its object was freed is refused instead of
// reaching freed memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <typeinfo>

#include "vm/value.h"

namespace ruvel {

// Called by the constructors and destructors of the registered kinds.
void RegisterHost(const TObject* p);
void UnregisterHost(const TObject* p);
bool IsLiveHostInSet(const TObject* p);
size_t LiveHostCount();

// Objects recently found live, by address bits; an entry is cleared when
// its object is unregistered, so a hit needs no search of the set.
constexpr size_t kLiveHostCacheSize = 8;
extern const TObject* g_liveHostCache[kLiveHostCacheSize];
inline size_t LiveHostCacheSlot(const TObject* p) {
  return (reinterpret_cast<uintptr_t>(p) >> 4) & (kLiveHostCacheSize - 1);
}

[[gnu::always_inline]] inline bool IsLiveHost(const TObject* p) {
  if (p && g_liveHostCache[LiveHostCacheSlot(p)] == p) return true;
  return IsLiveHostInSet(p);
}

// The object of a host value when the cache of recent finds already holds
// it and its kind byte is T's; else nullptr (without calling anything, so
// that a caller can be a leaf function and leave the rest to a slower form).
template <typename T>
[[gnu::always_inline]] inline T* CachedHostAs(const Value& v) {
  TObject* p = v.host;
  if (v.tag != kHost || !p || g_liveHostCache[LiveHostCacheSlot(p)] != p || p->Kind() != T::kHostKind) return nullptr;
  return static_cast<T*>(p);
}

template <typename T>
[[gnu::noinline]] T* LiveHostAsSubclass(TObject* p) {
  return dynamic_cast<T*>(p);
}

// The object of a host value when it is live and of type T; else nullptr.
// Inlined, since natives call it on every access of their object.
template <typename T>
[[gnu::always_inline]] inline T* LiveHostAs(const Value& v) {
  if (v.tag != kHost || !v.host || !IsLiveHost(v.host)) return nullptr;
  // A kind byte answers with one load from the object; otherwise the exact
  // type is the usual case and needs no walk of the hierarchy.
  if constexpr (requires { T::kHostKind; }) {
    if (v.host->Kind() == T::kHostKind) return static_cast<T*>(v.host);
  } else {
    if (typeid(*v.host) == typeid(T)) return static_cast<T*>(v.host);
  }
  return LiveHostAsSubclass<T>(v.host);
}

}  // namespace ruvel
