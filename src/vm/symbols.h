// Interned identifier names. Every member, method and variable name is
// interned once, without regard to letter case, and compared as an integer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ruvel {

// Ids fetched first, in this order, when the table is created.
enum : int32_t {
  kSymBody = 0,       // "_body"
  kSymGcMark = 1,     // "gc_mark"
  kSymGenerator = 2,  // "_generator"
  kSymErrorHook = 3,  // "_errorHook"
};

class SymbolTable {
 public:
  SymbolTable();
  // Existing id of the name, or a new one (ids count up from 0).
  int32_t Intern(std::string_view name);
  // Id of the name, or -1 when it was never interned.
  int32_t Find(std::string_view name) const;
  // Text of an id as first interned; empty for an unknown id.
  const std::string& Name(int32_t id) const;
  size_t Count() const { return names_.size(); }

 private:
  std::unordered_map<std::string, int32_t> ids_;  // key: case-folded name
  std::vector<std::string> names_;
};

// The process-wide table (owned by the VM state).
SymbolTable& Symbols();
inline int32_t Intern(std::string_view name) { return Symbols().Intern(name); }
inline const std::string& SymbolName(int32_t id) { return Symbols().Name(id); }

}  // namespace ruvel
