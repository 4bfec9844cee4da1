#include "langserver/workspace.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <functional>

#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "resources/sgml.h"

namespace ruvel::lsp {

void ClassEntry::SetText(SourceText newText) {
  text = std::move(newText);
  index = IndexSource(text);
  if (index.parsed || !good.parsed) {
    goodText = text;
    good = index;
  }
}

namespace {

SourceText ReadSource(const std::string& path) {
  std::string bytes;
  if (ReadRegularFile(path, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return SourceText();
  return SourceText::FromFileBytes(bytes);
}

// The elements of a markup file with the dotted path of the lists above them.
void WalkMarkup(const TSGML& e, const std::string& prefix, bool top,
                const std::function<void(const TSGML&, const std::string&)>& visit) {
  visit(e, prefix);
  std::string inner = prefix;
  if (e.Tag() == "resourcelist" && !top) {
    std::string n = Cp932ToUtf8(e.GetAttr("name"));
    inner = prefix.empty() ? n : prefix + "." + n;
  } else if (e.Tag() == "resourcelist" && top) {
    // The outermost list is where the file is mounted: "usr" for a page,
    // the root itself for the kernel's list.
    std::string n = Cp932ToUtf8(e.GetAttr("name"));
    inner = n == "root" ? std::string() : n;
  }
  for (size_t i = 0; i < e.ChildCount(); ++i) WalkMarkup(*e.Child(i), inner, false, visit);
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

void Workspace::Load(const std::string& root, const std::string& programDir) {
  root_ = root;
  if (!programDir.empty()) ReadMarkup(programDir + "/Kernel/resource.ruvelres", true, 0);
  if (!root.empty()) {
    if (PathExists(root + "/default.ruvelprj")) ReadMarkup(root + "/default.ruvelprj", false, 0);
    ScanSources(root, 0);
  }
}

void Workspace::ReadMarkup(const std::string& file, bool kernel, int depth) {
  std::string bytes;
  if (depth > 4 || ReadRegularFile(file, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return;
  std::string text = NormalizeToCp932(bytes);
  std::string dir = PathParent(file);
  size_t pos = 0;
  while (std::unique_ptr<TSGML> top = TSGML::ReadFast(text, pos)) {
    WalkMarkup(*top, "", true, [&](const TSGML& e, const std::string& prefix) {
      std::string name = Cp932ToUtf8(e.GetAttr("name"));
      std::string src = Cp932ToUtf8(e.GetAttr("src"));
      if (name.starts_with("$") && std::find(globals_.begin(), globals_.end(), name) == globals_.end())
        globals_.push_back(name);
      if (e.Tag() == "class" && !name.empty() && !src.empty()) {
        std::string path = PathLocate(PathResolve(PathToPosix(src), dir));
        AddClass(name, prefix.empty() ? name : prefix + "." + name, path, kernel);
      } else if (e.Tag() == "page" && src.ends_with(".cmml")) {
        ReadMarkup(PathLocate(PathResolve(PathToPosix(src), dir)), kernel, depth + 1);
      }
    });
    if (pos >= text.size()) break;
  }
}

ClassEntry* Workspace::AddClass(const std::string& name, const std::string& fullName, const std::string& given,
                                bool kernel) {
  std::string path = CanonicalPath(given);
  if (ClassEntry* known = FindByPath(path)) return known;
  auto entry = std::make_unique<ClassEntry>();
  entry->name = name;
  entry->fullName = fullName;
  entry->path = path;
  entry->kernel = kernel;
  entry->SetText(ReadSource(path));
  classes_.push_back(std::move(entry));
  return classes_.back().get();
}

void Workspace::ScanSources(const std::string& dir, int depth) {
  if (depth > 4) return;
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) names.push_back(e->d_name);
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (n.starts_with(".") || n == "Temp" || n == "node_modules") continue;
    std::string path = dir + "/" + n;
    if (n.ends_with(".ruvel") && IsRegularFile(path)) AddSource(path);
    else if (!IsRegularFile(path)) ScanSources(path, depth + 1);
  }
}

ClassEntry* Workspace::FindByPath(const std::string& given) {
  std::string path = CanonicalPath(given);
  for (auto& c : classes_) {
    if (c->path == path) return c.get();
  }
  return nullptr;
}

void Workspace::Reload(ClassEntry& cls) { cls.SetText(ReadSource(cls.path)); }

ClassEntry* Workspace::AddSource(const std::string& path) {
  if (ClassEntry* known = FindByPath(path)) return known;
  if (!path.ends_with(".ruvel")) return nullptr;
  std::string name = PathBaseName(path);
  return AddClass(name, name, path, false);
}

ClassEntry* Workspace::Resolve(const std::string& name) {
  std::string folded = FoldName(name);
  for (auto& c : classes_) {
    if (FoldName(c->fullName) == folded) return c.get();
  }
  std::string last = folded.substr(folded.rfind('.') + 1);
  for (bool kernel : {false, true}) {
    for (auto& c : classes_) {
      if (c->kernel == kernel && FoldName(c->name) == last) return c.get();
    }
  }
  return nullptr;
}

std::vector<ClassEntry*> Workspace::Lineage(ClassEntry* cls) {
  std::vector<ClassEntry*> out;
  while (cls && std::find(out.begin(), out.end(), cls) == out.end() && out.size() < 64) {
    out.push_back(cls);
    cls = cls->good.parent.empty() ? nullptr : Resolve(cls->good.parent);
  }
  return out;
}

std::string UriToPath(const std::string& uri) {
  std::string s = uri;
  if (s.starts_with("file://")) s.erase(0, 7);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string PathToUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace ruvel::lsp
