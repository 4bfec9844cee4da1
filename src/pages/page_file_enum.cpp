#include "pages/page_file_enum.h"

namespace ruvel {

void TPageFileEnum::Visit(TResource* node) {
  if (!node || node->sourcePath.empty()) return;
  // The same file is listed once even when several nodes name it.
  for (const std::string& f : files_) {
    if (f == node->sourcePath) return;
  }
  files_.push_back(node->sourcePath);
}

std::vector<std::string> ListResourceFiles(TResource* node) {
  TPageFileEnum e;
  if (node) node->Accept(e);
  return e.Files();
}

}  // namespace ruvel
