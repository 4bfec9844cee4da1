// The alias table: short class names ("Sprite") -> class records, so that
// scripts and the registration table can name kernel classes briefly.
#pragma once
#include <string>
#include <unordered_map>

namespace ruvel {

class TRTTI;

class TAlias {
 public:
  // A name that exists gets the new record.
  void Add(const std::string& name, TRTTI* cls);
  TRTTI* Get(const std::string& name) const;
  // Removes the entry under that class's name, if it points at the class.
  void Delete(TRTTI* cls);
  bool Has(const std::string& name) const { return Get(name) != nullptr; }

 private:
  std::unordered_map<std::string, TRTTI*> map_;  // key: case-folded name
};

// The program's one alias table (owned here).
TAlias& Aliases();

}  // namespace ruvel
