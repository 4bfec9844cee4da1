#include "devui/file_browser.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/paths.h"

namespace ruvel {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string Parent(const std::string& dir) {
  size_t slash = dir.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return dir.substr(0, slash);
}

}  // namespace

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<TFileFilter> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    TFileFilter f;
    f.description = parts[i];
    size_t p = 0;
    const std::string& pats = parts[i + 1];
    while (p <= pats.size()) {
      size_t semi = pats.find(';', p);
      if (semi == std::string::npos) semi = pats.size();
      std::string pat = pats.substr(p, semi - p);
      if (pat.rfind("*.", 0) == 0 && pat != "*.*") f.extensions.push_back(Lower(pat.substr(1)));
      p = semi + 1;
    }
    out.push_back(f);
  }
  return out;
}

void TFileBrowser::Open(const std::string& t, const std::string& filter, const std::string& start) {
  title = t;
  filters = ParseFileFilter(filter);
  filterIndex = 0;
  fileName.clear();
  dir = start.empty() ? std::string("/") : PathStripSlash(start);
  if (dir.empty()) dir = "/";
  while (dir != "/" && !IsDirectory(dir)) dir = Parent(dir);
  shown = true;
  Refresh();
}

bool TFileBrowser::Passes(const std::string& name) const {
  if (filterIndex < 0 || static_cast<size_t>(filterIndex) >= filters.size()) return true;
  const TFileFilter& f = filters[static_cast<size_t>(filterIndex)];
  if (f.extensions.empty()) return true;
  std::string lower = Lower(name);
  for (const std::string& ext : f.extensions) {
    if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0) return true;
  }
  return false;
}

void TFileBrowser::Refresh() {
  entries.clear();
  std::vector<TEntry> dirs;
  std::vector<TEntry> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == ".." || name.empty() || name[0] == '.') continue;
      if (IsDirectory(Join(dir, name))) {
        dirs.push_back({name, true});
      } else if (Passes(name)) {
        files.push_back({name, false});
      }
    }
    closedir(d);
  }
  auto byName = [](const TEntry& a, const TEntry& b) { return a.name < b.name; };
  std::sort(dirs.begin(), dirs.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  if (dir != "/") entries.push_back({"..", true});
  entries.insert(entries.end(), dirs.begin(), dirs.end());
  entries.insert(entries.end(), files.begin(), files.end());
}

void TFileBrowser::SelectFilter(int index) {
  filterIndex = index;
  Refresh();
}

void TFileBrowser::Up() {
  dir = Parent(dir);
  Refresh();
}

void TFileBrowser::Activate(size_t index) {
  if (index >= entries.size()) return;
  TEntry e = entries[index];
  if (e.name == "..") {
    Up();
  } else if (e.directory) {
    dir = Join(dir, e.name);
    Refresh();
  } else {
    fileName = e.name;
  }
}

std::string TFileBrowser::Choose() {
  if (fileName.empty()) return std::string();
  std::string path = fileName[0] == '/' ? fileName : Join(dir, fileName);
  if (IsDirectory(path)) {
    dir = PathStripSlash(path);
    if (dir.empty()) dir = "/";
    fileName.clear();
    Refresh();
    return std::string();
  }
  return path;
}

}  // namespace ruvel
