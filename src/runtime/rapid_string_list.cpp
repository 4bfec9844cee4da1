#include "runtime/rapid_string_list.h"

#include "vm/symbols.h"

namespace ruvel {

const std::string& TRapidStringList::NameAt(int32_t pos) const { return SymbolName(cells_[pos].id); }

int32_t TRapidStringList::Add(const std::string& name) { return AddId(Intern(name)); }

int32_t TRapidStringList::AddId(int32_t id) {
  cells_.push_back({id, 0});
  return Count() - 1;
}

void TRapidStringList::Delete(int32_t pos) {
  if (pos >= 0 && pos < Count()) cells_.erase(cells_.begin() + pos);
}

void TRapidStringList::Clear() {
  for (int32_t i = Count() - 1; i >= 0; --i) Delete(i);
}

}  // namespace ruvel
