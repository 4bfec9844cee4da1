#include "runtime/alias.h"

#include "platform/cp932.h"
#include "runtime/rtti.h"

namespace ruvel {

void TAlias::Add(const std::string& name, TRTTI* cls) { map_[FoldCase(name)] = cls; }

TRTTI* TAlias::Get(const std::string& name) const {
  auto it = map_.find(FoldCase(name));
  return it == map_.end() ? nullptr : it->second;
}

void TAlias::Delete(TRTTI* cls) {
  auto it = map_.find(FoldCase(cls->name));
  if (it != map_.end() && it->second == cls) map_.erase(it);
}

TAlias& Aliases() {
  static TAlias table;
  return table;
}

}  // namespace ruvel
