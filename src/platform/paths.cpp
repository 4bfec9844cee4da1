#include "platform/paths.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/cp932.h"

namespace ruvel {
namespace {

std::string Strip(std::string s) {
  if (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

// Appends a component, never doubling the separator.
std::string Join(const std::string& base, std::string_view piece) {
  std::string out = base;
  if (out.empty() || out.back() != '/') out += '/';
  out.append(piece);
  return out;
}

std::string ParentOf(const std::string& p) {
  std::string s = Strip(p);
  if (s.empty()) return "";
  size_t slash = s.rfind('/');
  if (slash == std::string::npos) return "";
  s.resize(slash + 1);
  if (s == "/") return s;
  return Strip(s);
}

// p lies in dir or is dir, both non-empty and with '/' separators; a dir
// that strips to the empty text is the root and holds every absolute path.
bool Inside(const std::string& p, const std::string& dir) {
  std::string a = FoldCase(Strip(p));
  std::string d = FoldCase(Strip(dir));
  if (a == d) return true;
  return a.size() > d.size() && a.compare(0, d.size(), d) == 0 && a[d.size()] == '/';
}

// Splits at '/' as Perl's split does: empty pieces in the middle are kept,
// trailing ones dropped.
std::vector<std::string> Pieces(const std::string& p) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= p.size()) {
    size_t slash = p.find('/', start);
    if (slash == std::string::npos) slash = p.size();
    out.push_back(p.substr(start, slash - start));
    start = slash + 1;
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameLess(const std::string& a, const std::string& b) {
  int c = CompareNoCase(a, b);
  return c != 0 ? c < 0 : a < b;
}

std::string Absolute(std::string_view dir) {
  std::string d = PathToPosix(dir);
  if (!PathIsAbsolute(d)) {
    char buffer[PATH_MAX];
    std::string cwd = getcwd(buffer, sizeof buffer) ? buffer : "/";
    d = PathResolve(d.empty() ? "." : d, cwd);
  }
  if (d.size() > 1) d = Strip(d);
  return d;
}

// The program and current page directories, owned here.
struct Directories {
  std::string program;
  std::string page;     // empty until a page loader sets it
  std::string project;  // empty: the program directory's Usr
  std::string temp;     // empty: chosen from the program directory
};

Directories& Dirs() {
  static Directories dirs;
  return dirs;
}

}  // namespace

std::string PathToPosix(std::string_view p) {
  std::string out(p);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
      ++i;
    } else if (out[i] == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

std::string PathFileName(std::string_view p) {
  std::string s = PathToPosix(p);
  size_t slash = s.rfind('/');
  return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string PathBaseName(std::string_view p) {
  std::string name = PathFileName(p);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

bool PathIsAbsolute(std::string_view p) { return !p.empty() && (p[0] == '/' || p[0] == '\\'); }

std::string PathStripSlash(std::string_view p) { return Strip(PathToPosix(p)); }

std::string PathParent(std::string_view p) { return ParentOf(PathToPosix(p)); }

std::string PathResolve(std::string_view p, std::string_view base) {
  std::string path = PathToPosix(p);
  if (path.empty()) return "";
  if (PathIsAbsolute(path)) return path;
  std::string b = PathToPosix(base);
  if (b.empty()) return "";
  bool absoluteBase = PathIsAbsolute(b);
  b = Strip(b);
  for (const std::string& piece : Pieces(path)) {
    if (piece == "..") {
      b = Strip(ParentOf(b));
    } else if (piece != ".") {
      b = b.empty() && !absoluteBase ? piece : Join(b, piece);
    }
  }
  if (b.empty() && absoluteBase) return "/";
  return b;
}

bool PathStartsWith(std::string_view a, std::string_view b) {
  std::string fa = FoldCase(PathToPosix(a));
  std::string fb = FoldCase(PathToPosix(b));
  return fa.size() >= fb.size() && fa.compare(0, fb.size(), fb) == 0;
}

bool PathIsInside(std::string_view p, std::string_view dir) {
  std::string a = PathToPosix(p);
  std::string d = PathToPosix(dir);
  if (a.empty() || d.empty()) return a.empty() && d.empty();
  return Inside(a, d);
}

std::string PathCommonFolder(std::string_view a, std::string_view b) {
  std::string x = PathToPosix(a);
  std::string y = PathToPosix(b);
  while (!x.empty() && !y.empty()) {
    if (Inside(x, y)) return y;
    if (Inside(y, x)) return x;
    x = ParentOf(x);
  }
  return "";
}

std::string PathRelative(std::string_view p, std::string_view base) {
  std::string path = PathToPosix(p);
  if (path.empty()) return "";
  if (!PathIsAbsolute(path)) return path;
  std::string b = PathToPosix(base);
  if (b.empty()) return path;
  path = Strip(path);
  b = Strip(b);
  std::string result;
  for (;;) {
    if (b.empty() ? PathIsAbsolute(path) : Inside(path, b)) {
      std::string key = Strip(b);
      if (path.size() > key.size() + 1) result += path.substr(key.size() + 1);
      return result;
    }
    b = ParentOf(b);
    if (b.empty()) return path;
    result += "../";
  }
}

bool PathSame(std::string_view a, std::string_view b) {
  return FoldCase(Strip(PathToPosix(a))) == FoldCase(Strip(PathToPosix(b)));
}

std::optional<std::string> PathFindNoCase(std::string_view p) {
  std::string path = PathToPosix(p);
  if (path.empty()) return std::nullopt;
  if (Exists(path)) return path;
  std::string current = PathIsAbsolute(path) ? "/" : "";
  for (const std::string& piece : Pieces(path)) {
    if (piece.empty()) continue;
    std::string exact = current.empty() ? piece : Join(current, piece);
    if (piece == "." || piece == ".." || Exists(exact)) {
      current = exact;
      continue;
    }
    DIR* dir = opendir(current.empty() ? "." : current.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> best;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (EqualsNoCase(name, piece) && (!best || name < *best)) best = name;
    }
    closedir(dir);
    if (!best) return std::nullopt;
    current = current.empty() ? *best : Join(current, *best);
  }
  if (!Exists(current)) return std::nullopt;
  if (path.back() == '/' && current.back() != '/') current += '/';
  return current;
}

std::string PathLocate(std::string_view p) {
  std::optional<std::string> found = PathFindNoCase(p);
  return found ? *found : PathToPosix(p);
}

bool PathExists(std::string_view p) { return PathFindNoCase(p).has_value(); }

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n <= 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

std::string ExecutableDir() {
  std::string self = ExecutablePath();
  if (self.empty()) return Absolute(".");
  std::string dir = ParentOf(self);
  return dir.empty() ? "/" : dir;
}

std::string ProgramDir() {
  Directories& d = Dirs();
  if (d.program.empty()) d.program = ExecutableDir();
  return d.program;
}

void SetProgramDir(std::string_view dir) { Dirs().program = Absolute(dir); }

std::string PageDir() {
  const Directories& d = Dirs();
  return d.page.empty() ? ProgramDir() : d.page;
}

void SetPageDir(std::string_view dir) { Dirs().page = Absolute(dir); }

std::string ProjectDir() {
  const Directories& d = Dirs();
  return d.project.empty() ? ProgramDir() + "/Usr" : d.project;
}

std::string DefaultProgramDir() {
  std::string exe = ExecutableDir();
  if (PathExists(exe + "/Kernel")) return exe;
  std::string shared = PathResolve("../share/ruvel", exe);
  if (PathExists(shared + "/Kernel")) return shared;
  return exe;
}

void SetProjectDir(std::string_view dir) { Dirs().project = dir.empty() ? std::string() : Absolute(dir); }

bool PathWritable(std::string_view dir) { return access(std::string(dir).c_str(), W_OK | X_OK) == 0; }

std::string UserDataDir(std::string_view kind) {
  const char* xdg = std::getenv(kind == "config" ? "XDG_CONFIG_HOME" : "XDG_CACHE_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/ruvel";
  const char* home = std::getenv("HOME");
  std::string base = home && *home ? home : "/tmp";
  return base + (kind == "config" ? "/.config" : "/.cache") + "/ruvel";
}

std::string TempDir() {
  const Directories& d = Dirs();
  if (!d.temp.empty()) return d.temp;
  std::string program = ProgramDir();
  if (!PathExists(program) || PathWritable(program)) return program + "/Temp";
  return UserDataDir("cache") + "/Temp";
}

void SetTempDir(std::string_view dir) { Dirs().temp = dir.empty() ? std::string() : Absolute(dir); }

TDirectory::TDirectory(std::string_view mask) : mask_(PathToPosix(mask)) {
  size_t slash = mask_.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : mask_.substr(0, slash);
  std::string pattern = slash == std::string::npos ? mask_ : mask_.substr(slash + 1);
  if (pattern == "*.*") pattern = "*";
  folder = PathLocate(folder);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (IsDirectory(Join(folder, name))) {
      folders_.push_back(name);
    } else if (!pattern.empty() && fnmatch(pattern.c_str(), name.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) == 0) {
      files_.push_back(name);
    }
  }
  closedir(dir);
  std::sort(files_.begin(), files_.end(), NameLess);
  std::sort(folders_.begin(), folders_.end(), NameLess);
}

}  // namespace ruvel
