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
  const std::string key = FoldCase(cls->name);
  auto under = shadowed_.find(key);
  if (under != shadowed_.end() && under->second == cls) {
    shadowed_.erase(under);
    return;
  }
  auto it = map_.find(key);
  if (it == map_.end() || it->second != cls) return;
  if (under != shadowed_.end()) {
    it->second = under->second;
    shadowed_.erase(under);
  } else {
    map_.erase(it);
  }
}

bool TAlias::Yields(const std::string& name) {
  static const char* const kNames[] = {"TileMap"};
  for (const char* n : kNames)
    if (EqualsNoCase(name, n)) return true;
  return false;
}

void TAlias::Shadow(const std::string& name, TRTTI* cls) {
  const std::string key = FoldCase(name);
  auto it = map_.find(key);
  if (it != map_.end() && !shadowed_.count(key)) shadowed_[key] = it->second;
  map_[key] = cls;
}

TAlias& Aliases() {
  static TAlias table;
  return table;
}

}  // namespace ruvel
