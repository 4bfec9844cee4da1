#include "langserver/kernel_docs.h"

#include <sstream>

#include "langserver/file_index.h"
#include "platform/regular_file.h"

namespace ruvel::lsp {

namespace {

std::string Trim(std::string s) {
  size_t a = s.find_first_not_of(" \t\r");
  size_t b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The class a heading names: its last word, after the last dot
// ("## classes.lang.String" -> "string", "### Page" -> "page").
std::string HeadingClass(const std::string& line) {
  std::string title = Trim(line.substr(line.find_first_not_of('#')));
  size_t space = title.find(' ');
  if (space != std::string::npos) title = title.substr(0, space);
  size_t dot = title.rfind('.');
  return FoldName(dot == std::string::npos ? title : title.substr(dot + 1));
}

}  // namespace

void KernelDocs::Load(const std::string& path) {
  std::string text;
  if (ReadRegularFile(path, kMaxSourceFileBytes, text) == TReadStatus::kOk) LoadText(text);
}

void KernelDocs::LoadText(const std::string& markdown) {
  std::istringstream in(markdown);
  std::string line;
  std::string cls;
  while (std::getline(in, line)) {
    if (line.starts_with("#")) {
      cls = HeadingClass(line);
      continue;
    }
    if (!line.starts_with("| `")) continue;
    size_t bar = line.find(" | ", 2);
    if (bar == std::string::npos) continue;
    std::string first = line.substr(2, bar - 2);
    std::string description = Trim(line.substr(bar + 3));
    if (description.ends_with("|")) description = Trim(description.substr(0, description.size() - 1));
    // Every `name(...)` of the first cell gets the row's description.
    for (size_t p = first.find('`'); p != std::string::npos; p = first.find('`', p)) {
      size_t q = first.find('`', p + 1);
      if (q == std::string::npos) break;
      std::string sig = first.substr(p + 1, q - p - 1);
      p = q + 1;
      size_t paren = sig.find('(');
      if (paren == std::string::npos || paren == 0) continue;
      std::string name = FoldName(sig.substr(0, paren));
      DocEntry entry{sig, description};
      by_class_.try_emplace(cls + "#" + name, entry);
      by_name_.try_emplace(name, entry);
    }
  }
}

const DocEntry* KernelDocs::Find(const std::string& className, const std::string& method) const {
  std::string name = FoldName(method);
  if (auto it = by_class_.find(FoldName(className) + "#" + name); it != by_class_.end()) return &it->second;
  if (auto it = by_name_.find(name); it != by_name_.end()) return &it->second;
  return nullptr;
}

}  // namespace ruvel::lsp
