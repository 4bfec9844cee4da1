// The one-line descriptions of kernel methods, read from the tables of the
// kernel library's documentation (docs/kernel.md): a row "| `name(args)` |
// what it does |" under a heading that names the class.
#pragma once
#include <map>
#include <string>

namespace ruvel::lsp {

struct DocEntry {
  std::string signature;  // as the table writes it: "substring(start[, end])"
  std::string description;
};

class KernelDocs {
 public:
  // Reads the file; a missing file leaves the table empty.
  void Load(const std::string& path);
  void LoadText(const std::string& markdown);
  // The entry for a method of a class (its short name), else for the name
  // under any heading; nullptr when the documentation has none.
  const DocEntry* Find(const std::string& className, const std::string& method) const;

 private:
  std::map<std::string, DocEntry> by_class_;  // "class#method", folded
  std::map<std::string, DocEntry> by_name_;
};

}  // namespace ruvel::lsp
