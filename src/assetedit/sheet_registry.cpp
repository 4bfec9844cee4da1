#include "assetedit/sheet_registry.h"

#include <filesystem>
#include <system_error>

#include "resources/resource.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"

namespace ruvel {

bool FindSheetRegistration(const std::string& path, std::string& globalName, int32_t& firstNumber) {
  for (const char* listName : {"usr.patterns", "patterns"}) {
    TResourceList* list = FindList(listName);
    if (!list) continue;
    for (size_t i = 0; i < list->ChildCount(); ++i) {
      auto* pat = dynamic_cast<TCPat*>(list->ChildAt(i));
      std::error_code ec;
      if (!pat || !std::filesystem::equivalent(pat->sourcePath, path, ec)) continue;
      globalName = pat->name;
      ptrdiff_t sheet = PatternList().IndexOfOwner(pat);
      firstNumber = sheet >= 0 ? PatternList().FirstNumber(size_t(sheet)) : -1;
      return true;
    }
  }
  return false;
}

}  // namespace ruvel
