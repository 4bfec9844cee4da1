#include "shell/export_contents.h"

#include <fnmatch.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <algorithm>

#include "platform/paths.h"
#include "shell/cli_text.h"
#include "resources/resource_markup.h"
#include "resources/sgml.h"
#include "runtime/rtti.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

// Folders of the program's own making, never part of a game.
bool OwnFolder(const std::string& relative) {
  std::string first = relative.substr(0, relative.find('/'));
  return PathSame(first, "Temp") || PathSame(first, "captures");
}

bool IsMarkup(const std::string& path) {
  std::string name = PathFileName(path);
  auto ends = [&](const char* ext) {
    std::string e = ext;
    return name.size() > e.size() && PathSame(name.substr(name.size() - e.size()), e);
  };
  return ends(".cmml") || ends(".ruvelres") || ends(".ruvelprj");
}

bool IsClassSource(const std::string& path) {
  std::string name = PathFileName(path);
  return name.size() > 6 && PathSame(name.substr(name.size() - 6), ".ruvel");
}

// Every top-level element of a markup file (a missing file gives none).
std::vector<std::unique_ptr<TSGML>> ReadElements(const std::string& file) {
  std::vector<std::unique_ptr<TSGML>> out;
  if (!fs::is_regular_file(file)) return out;
  std::string text;
  try {
    text = ReadMarkupText(file);
  } catch (const std::exception&) {
    return out;
  }
  size_t pos = 0;
  while (auto e = TSGML::ReadFast(text, pos)) out.push_back(std::move(e));
  return out;
}

// The texts between double quotes on one line of a class source.
std::vector<std::string> StringLiterals(const std::string& source) {
  std::vector<std::string> out;
  std::string current;
  bool inside = false;
  for (size_t i = 0; i < source.size(); ++i) {
    char c = source[i];
    if (c == '\n' || c == '\r') {
      inside = false;
    } else if (!inside) {
      if (c == '"') {
        inside = true;
        current.clear();
      }
    } else if (c == '\\' && i + 1 < source.size()) {
      current += source[++i];
    } else if (c == '"') {
      inside = false;
      if (!current.empty()) out.push_back(current);
    } else {
      current += c;
    }
  }
  return out;
}

class TContentWalk {
 public:
  explicit TContentWalk(const std::string& projectDir) : project_(PathLocate(fs::absolute(projectDir).string())) {
    std::error_code ec;
    fs::path real = fs::canonical(project_, ec);
    if (ec) throw std::runtime_error(project_ + ": " + ec.message());
    std::vector<fs::path> chain = {real};
    Collect(real, "", real, chain);
  }

  // Lists the regular files under dir, named as they are reached from the
  // project folder (rel). chain holds the real folders being walked, so a
  // link that leads back into one of them is caught as a loop.
  void Collect(const fs::path& dir, const std::string& rel, const fs::path& root, std::vector<fs::path>& chain) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      entries.push_back(*it);
    }
    if (ec) throw std::runtime_error(dir.string() + ": " + ec.message());
    for (const fs::directory_entry& e : entries) {
      std::string name = e.path().filename().string();
      std::string childRel = rel.empty() ? name : rel + "/" + name;
      if (OwnFolder(childRel)) continue;
      fs::file_status st = e.symlink_status(ec);
      fs::path real = e.path();
      if (!ec && fs::is_symlink(st)) {
        real = fs::canonical(e.path(), ec);
        if (ec == std::errc::no_such_file_or_directory) {
          skippedLinks_.push_back(childRel);
          ec.clear();
          continue;
        }
        if (!ec && !Within(real, root)) {
          skippedLinks_.push_back(childRel);
          continue;
        }
        if (!ec) st = fs::status(real, ec);
      }
      if (ec) throw std::runtime_error(e.path().string() + ": " + ec.message());
      if (fs::is_regular_file(st)) {
        all_.insert(childRel);
      } else if (fs::is_directory(st)) {
        for (const fs::path& up : chain) {
          if (up == real) throw std::runtime_error(CliText(TCliText::kExportLinkLoop, (dir / name).string()));
        }
        chain.push_back(real);
        Collect(real, childRel, root, chain);
        chain.pop_back();
      }
    }
  }

  // Links under the project that were not followed: they lead out of it or
  // to nothing.
  const std::vector<std::string>& SkippedLinks() const { return skippedLinks_; }

  // Adds a file (absolute) when it is one of the project's; a markup file
  // is followed into, a class source kept for the string scan.
  void Add(const std::string& path) {
    std::string rel = Relative(path);
    if (rel.empty() || !carried_.insert(rel).second) return;
    std::string file = project_ + "/" + rel;
    if (IsMarkup(rel)) {
      pageDirs_.insert(PathParent(file));
      for (const auto& e : ReadElements(file)) Walk(*e, PathParent(file));
    } else if (IsClassSource(rel)) {
      classes_.push_back(file);
    }
  }

  // Names given relative to the folder of the markup that holds them.
  void Walk(const TSGML& e, const std::string& base) {
    std::string src = e.GetAttr("src");
    if (!src.empty()) Add(PathResolve(PathToPosix(src), base));
    if (e.Tag() == "param") Param(e.GetAttr("name"), e.GetAttr("value"));
    for (size_t i = 0; i < e.ChildCount(); ++i) Walk(*e.Child(i), base);
  }

  // Parameters that name files of the project.
  void Param(const std::string& name, const std::string& value) {
    if (value.empty()) return;
    if (PathSame(name, "soundfont") || PathSame(name, "helpfile")) {
      Add(PathResolve(PathToPosix(value), project_));
    } else if (PathSame(name, kExportFilesParam)) {
      patterns_.push_back(value);
    }
  }

  // Strings of the carried classes that name project files, resolved as a
  // running script would: against a page's folder (the current folder) and
  // its "files" folder (where the script file classes read).
  void ScanClasses() {
    for (size_t i = 0; i < classes_.size(); ++i) {
      std::string text;
      if (!ReadClassSource(classes_[i], text)) continue;
      for (const std::string& literal : StringLiterals(text)) {
        if (literal.size() > 260) continue;
        for (const std::string& dir : pageDirs_) {
          Add(PathResolve(PathToPosix(literal), dir));
          Add(PathResolve(PathToPosix(literal), dir + "/files"));
        }
      }
    }
  }

  // export_files: names, folders or patterns ("*" within one folder) of
  // files relative to the project, separated by blanks, commas or ";".
  void AddListed() {
    for (const std::string& value : patterns_) {
      std::string item;
      for (size_t i = 0; i <= value.size(); ++i) {
        char c = i < value.size() ? value[i] : ' ';
        if (c != ' ' && c != '\t' && c != ',' && c != ';') {
          item += c;
          continue;
        }
        if (item.empty()) continue;
        std::string pattern = PathStripSlash(PathToPosix(item));
        for (const std::string& rel : all_) {
          bool inFolder = rel.size() > pattern.size() && PathStartsWith(rel, pattern + "/");
          if (inFolder || fnmatch(pattern.c_str(), rel.c_str(), FNM_PATHNAME | FNM_CASEFOLD) == 0) {
            Add(project_ + "/" + rel);
          }
        }
        item.clear();
      }
    }
  }

  std::vector<std::string> Files() const { return {carried_.begin(), carried_.end()}; }

 private:
  // The project-relative name of an existing project file; empty otherwise.
  std::string Relative(const std::string& path) const {
    if (path.empty()) return std::string();
    std::string located = PathLocate(path);
    if (!PathIsInside(located, project_)) return std::string();
    std::error_code ec;
    // Lexical: a file reached through a link keeps the name it has there.
    std::string rel = fs::path(located).lexically_normal().lexically_relative(project_).generic_string();
    if (!all_.count(rel)) return std::string();
    return rel;
  }

  // p lies in the folder root (both real paths).
  static bool Within(const fs::path& p, const fs::path& root) {
    return std::mismatch(root.begin(), root.end(), p.begin(), p.end()).first == root.end();
  }

  std::string project_;
  std::vector<std::string> skippedLinks_;
  std::set<std::string> all_;
  std::set<std::string> carried_;
  std::set<std::string> pageDirs_;
  std::vector<std::string> classes_;
  std::vector<std::string> patterns_;
};

}  // namespace

std::vector<std::string> ExportedProjectFiles(const std::string& projectDir, std::vector<std::string>* skippedLinks) {
  TContentWalk walk(projectDir);
  if (skippedLinks) *skippedLinks = walk.SkippedLinks();
  std::string project = PathLocate(fs::absolute(projectDir).string());
  walk.Add(project + "/default.ruvelprj");
  // The project manager keeps every page of the folder in the project.
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(project, ec)) {
    std::string name = e.path().filename().string();
    if (e.is_regular_file() && IsMarkup(name) && !PathSame(name, "default.ruvelprj")) walk.Add(e.path().string());
  }
  // Files the list names may be pages or classes, so the strings are
  // scanned last.
  walk.AddListed();
  walk.ScanClasses();
  return walk.Files();
}

std::string ProjectFileParam(const std::string& projectDir, const std::string& name) {
  std::string value;
  std::function<void(const TSGML&)> find = [&](const TSGML& e) {
    if (e.Tag() == "param" && PathSame(e.GetAttr("name"), name)) value = e.GetAttr("value");
    for (size_t i = 0; i < e.ChildCount(); ++i) find(*e.Child(i));
  };
  for (const auto& e : ReadElements(PathLocate(projectDir + "/default.ruvelprj"))) find(*e);
  return value;
}

bool ExportedGameHidesDevMenus(const std::string& programDir) {
  return !programDir.empty() && PathExists(programDir + "/" + kExportedGameMarker);
}

}  // namespace ruvel
