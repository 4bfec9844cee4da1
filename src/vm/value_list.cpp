#include "vm/value_list.h"

#include "vm/host_registry.h"
#include "vm/vm_state.h"

namespace ruvel {

TValueList::TValueList() {
  kind_ = kHostKind;
  RegisterHost(this);
}

TValueList::~TValueList() {
  UnregisterHost(this);
  Clear();
}

void TValueList::Add(const Value& v) {
  Value copy = v;
  Retain(copy);
  cells.push_back(copy);
  ++VM().stats.liveValueCells;
}

void TValueList::Insert(size_t index, const Value& v) {
  Value copy = v;
  Retain(copy);
  if (index > cells.size()) index = cells.size();
  cells.insert(cells.begin() + static_cast<long>(index), copy);
  ++VM().stats.liveValueCells;
}

void TValueList::Delete(size_t index) {
  if (index >= cells.size()) return;
  Value old = cells[index];
  cells.erase(cells.begin() + static_cast<long>(index));
  --VM().stats.liveValueCells;
  Release(old);
}

void TValueList::Clear() {
  while (!cells.empty()) {
    Value old = cells.back();
    cells.pop_back();
    --VM().stats.liveValueCells;
    try {
      Release(old);
    } catch (...) {
      // A wrong count must not stop the rest of the list being freed.
    }
  }
}

}  // namespace ruvel
