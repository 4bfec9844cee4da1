#include "platform/temp_beside.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace ruvel {

namespace {

void SplitPath(const std::string& path, std::string& dir, std::string& name) {
  size_t slash = path.rfind('/');
  dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& dir, const std::string& name) { return (dir == "/" ? dir : dir + "/") + name; }

bool IsMkstempSuffix(const std::string& s) {
  if (s.size() != 6) return false;
  for (char c : s) {
    bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

// Makes a rename in dir survive a power loss.
void SyncFolder(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string TempPrefixOf(const std::string& target) {
  std::string dir;
  std::string name;
  SplitPath(target, dir, name);
  if (name.size() > kTempNameKeep) name.resize(kTempNameKeep);
  return "." + name + ".";
}

int CreateTempBeside(const std::string& target, std::string& temp) {
  std::string dir;
  std::string name;
  SplitPath(target, dir, name);
  if (dir.empty() || name.empty()) return -1;
  std::string path = Join(dir, TempPrefixOf(target) + "XXXXXX");
  int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  // The lock tells a later save of the same target that this file is live.
  if (::fchmod(fd, mode) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    ::unlink(path.c_str());
    return -1;
  }
  temp = std::move(path);
  return fd;
}

bool CommitTempBeside(int fd, const std::string& temp, const std::string& target, bool ok) {
  if (fd < 0) return false;
  ok = ok && ::fsync(fd) == 0;
  // Renamed while still open and locked, so no cleaner takes it first.
  ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  if (::close(fd) != 0) ok = false;
  if (!ok) return false;
  std::string dir;
  std::string name;
  SplitPath(target, dir, name);
  SyncFolder(dir);
  RemoveStaleTemps(target);
  return true;
}

int RemoveStaleTemps(const std::string& target) {
  std::string dir;
  std::string name;
  SplitPath(target, dir, name);
  std::string prefix = TempPrefixOf(target);
  std::vector<std::string> candidates;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string entry = e->d_name;
      if (entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0 &&
          IsMkstempSuffix(entry.substr(prefix.size()))) {
        candidates.push_back(entry);
      }
    }
    ::closedir(d);
  }
  int removed = 0;
  for (const std::string& entry : candidates) {
    std::string path = Join(dir, entry);
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    // Only an unlocked regular file is a leftover; a locked one belongs to
    // a writer that is still working.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::close(fd);
  }
  return removed;
}

}  // namespace ruvel
