#include "vm/host_registry.h"

#include <unordered_set>

namespace ruvel {

namespace {
// The one set of live registered host objects (owned here). It is never
// destroyed, so objects freed during program exit can still unregister.
std::unordered_set<const TObject*>& Live() {
  static auto* live = new std::unordered_set<const TObject*>();
  return *live;
}
}  // namespace

TObject::TObject() { RegisterHost(this); }
TObject::TObject(const TObject&) { RegisterHost(this); }
TObject::~TObject() { UnregisterHost(this); }

void RegisterHost(const TObject* p) {
  if (p) Live().insert(p);
}

void UnregisterHost(const TObject* p) { Live().erase(p); }

bool IsLiveHost(const TObject* p) { return p && Live().count(p) != 0; }

size_t LiveHostCount() { return Live().size(); }

}  // namespace ruvel
