#include "assetedit/sheet_registry.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/paths.h"
#include "platform/regular_file.h"
#include "resources/resource.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "resources/sgml.h"
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

namespace {

// Depth-first search of a page's markup for the cpattern naming the file.
bool FindInMarkup(const TSGML& element, const std::string& base, const std::string& path, std::string& globalName) {
  if (ClassifyTag(element.Tag()) == SgmlTag::CPattern) {
    std::error_code ec;
    std::string src = PathResolve(PathToPosix(element.GetAttr("src")), base);
    if (std::filesystem::equivalent(src, path, ec)) {
      globalName = element.GetAttr("name");
      return true;
    }
  }
  for (size_t i = 0; i < element.ChildCount(); ++i) {
    if (FindInMarkup(*element.Child(i), base, path, globalName)) return true;
  }
  return false;
}

}  // namespace

bool FindSheetInPages(const std::string& folder, const std::string& path, std::string& globalName) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".cmml") continue;
    std::string text;
    if (ReadRegularFile(entry.path().string(), kMaxSourceFileBytes, text) != TReadStatus::kOk) continue;
    try {
      std::unique_ptr<TSGML> root = TSGML::ReadFast(text);
      if (root && FindInMarkup(*root, folder, path, globalName)) return true;
    } catch (const std::exception&) {
      // A page that does not read names no sheet.
    }
  }
  return false;
}

}  // namespace ruvel
