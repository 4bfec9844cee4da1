#include "devui/pattern_window.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/bregexp.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"

namespace ruvel {

namespace {

// The file lies in the folder or one below it (images/...), so it needs
// no copy to travel with the project.
bool InsideFolder(const std::string& file, const std::string& folder) {
  std::filesystem::path rel = std::filesystem::path(file).lexically_normal().lexically_relative(
      std::filesystem::path(folder).lexically_normal());
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

std::string TPatternWindow::FileFilter() { return J("bmp/pngファイル|*.bmp;*.png"); }

std::vector<std::pair<std::string, std::string>> TPatternWindow::Rows() const {
  std::vector<std::pair<std::string, std::string>> rows;
  TResourceList* list = FindList("usr.patterns");
  if (!list) return rows;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    if (auto* pat = dynamic_cast<TCPat*>(list->ChildAt(i))) rows.emplace_back(pat->name, pat->sourcePath);
  }
  return rows;
}

std::vector<TPatternRow> TPatternWindow::SheetRows() const {
  std::vector<TPatternRow> rows;
  TResourceList* list = FindList("usr.patterns");
  if (!list) return rows;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    auto* pat = dynamic_cast<TCPat*>(list->ChildAt(i));
    if (!pat) continue;
    TPatternRow row{pat->name, pat->sourcePath, nullptr, -1};
    ptrdiff_t at = PatternList().IndexOfOwner(pat);
    if (at >= 0) {
      row.sheet = PatternList().At(size_t(at)).sheet;
      row.first = PatternList().FirstNumber(size_t(at));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string TPatternWindow::ProposedName(const std::string& path) {
  std::string base = PathFileName(path);
  size_t dot = base.find('.');
  if (dot != std::string::npos) base = base.substr(0, dot);
  std::string name = "$pat_";
  for (char c : base) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') name += c;
  }
  return name;
}

bool TPatternWindow::ValidName(const std::string& n) {
  TBRegExp re;
  return re.Match(R"(/^\$([\_A-Za-z0-9]|([\x80-\x9f\xa0-\xff].))*$/)", n);
}

std::string TPatternWindow::CheckName(const std::string& n) {
  if (!ValidName(n)) return n + J("は変数名として利用できません");
  if (TResourceList* list = FindList("usr.patterns")) {
    for (size_t i = 0; i < list->ChildCount(); ++i) {
      if (EqualsNoCase(list->ChildAt(i)->name, n)) return n + J("はすでにあります");
    }
  }
  return std::string();
}

std::string TPatternWindow::ProjectFolder() {
  const std::string& project = PrjManager().projectFile;
  if (!project.empty()) return PathParent(project);
  return PageState().currentDir;
}

void TPatternWindow::Pick(const std::string& path) {
  file = path;
  name = ProposedName(path);
}

bool TPatternWindow::Add() {
  if (file.empty()) return false;
  std::string message = CheckName(name);
  if (!message.empty()) {
    ShowMessage(message);
    return false;
  }
  TResourceList* list = FindList("usr.patterns");
  if (!list) {
    ShowMessage(J("ページが開かれていません"));
    return false;
  }
  // A sheet from elsewhere is copied into the project's folder, so the
  // page keeps working when the folder is moved.
  std::string folder = ProjectFolder();
  std::string src = file;
  if (!folder.empty() && !InsideFolder(file, folder)) {
    std::string target = folder + "/" + PathFileName(file);
    std::error_code ec;
    if (!std::filesystem::equivalent(file, target, ec)) {
      std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing, ec);
      if (ec) {
        ShowMessage(target + J("にコピーできません: ") + ec.message());
        return false;
      }
    }
    src = target;
  }
  list->AddChild(new TCPat(name, src));
  ReloadPagePatterns();
  return true;
}

}  // namespace ruvel
