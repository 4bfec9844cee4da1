#include "devui/object_view.h"

#include "runtime/rtti.h"
#include "vm/value.h"

namespace ruvel {

std::vector<std::string> ObjectViewLines(const TRTTI& cls) {
  std::vector<std::string> lines;
  if (!cls.InstancePool) return lines;
  for (Instance* rec : *cls.InstancePool) {
    if (!rec || rec->refcount < 1) continue;
    lines.push_back(cls.name + "@" + std::to_string(rec->handle) + " r=" + std::to_string(rec->refcount));
    int32_t n = std::min<int32_t>(static_cast<int32_t>(rec->count), cls.Members.Count());
    for (int32_t i = 0; i < n; ++i) {
      lines.push_back("  " + cls.Members.NameAt(i) + "=" + ValueToText(rec->members()[i]));
    }
  }
  return lines;
}

}  // namespace ruvel
