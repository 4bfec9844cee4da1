#include "vm/symbols.h"

#include "platform/cp932.h"

namespace ruvel {

SymbolTable::SymbolTable() {
  Intern("_body");
  Intern("gc_mark");
  Intern("_generator");
  Intern("_errorHook");
}

int32_t SymbolTable::Intern(std::string_view name) {
  std::string key = FoldCase(name);
  auto it = ids_.find(key);
  if (it != ids_.end()) return it->second;
  int32_t id = static_cast<int32_t>(names_.size());
  names_.emplace_back(name);
  ids_.emplace(std::move(key), id);
  return id;
}

int32_t SymbolTable::Find(std::string_view name) const {
  auto it = ids_.find(FoldCase(name));
  return it == ids_.end() ? -1 : it->second;
}

const std::string& SymbolTable::Name(int32_t id) const {
  static const std::string empty;
  if (id < 0 || static_cast<size_t>(id) >= names_.size()) return empty;
  return names_[id];
}

}  // namespace ruvel
