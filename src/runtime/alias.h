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
  // Removes the entry under that class's name, if it points at the class
  // (a kernel class it shadowed gets the name back).
  void Delete(TRTTI* cls);
  bool Has(const std::string& name) const { return Get(name) != nullptr; }

  // Kernel classes added after games had classes of the same name: a
  // game's own class of that name takes the short name over while it
  // exists, so the game keeps running its own class.
  static bool Yields(const std::string& name);
  // Points name at cls and keeps the class it replaces for Delete.
  void Shadow(const std::string& name, TRTTI* cls);

 private:
  std::unordered_map<std::string, TRTTI*> map_;       // key: case-folded name
  std::unordered_map<std::string, TRTTI*> shadowed_;  // the kernel classes under a game's
};

// The program's one alias table (owned here).
TAlias& Aliases();

}  // namespace ruvel
