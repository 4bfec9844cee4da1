#include "platform/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace ruvel {

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;
constexpr uint32_t kFolderEvents = kFileEvents | IN_CREATE | IN_DELETE_SELF | IN_ONLYDIR;

}  // namespace

TFileWatcher::~TFileWatcher() { Stop(); }

void TFileWatcher::Stop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  dirs_.clear();
}

bool TFileWatcher::Watch(const std::string& root, SkipFolder skip, std::string& error) {
  Stop();
  root_ = root;
  skip_ = std::move(skip);
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) {
    error = std::strerror(errno);
    return false;
  }
  int wd = inotify_add_watch(fd_, root.c_str(), kFolderEvents);
  if (wd < 0) {
    error = std::strerror(errno);
    Stop();
    return false;
  }
  dirs_[wd] = root;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
    if (entry.is_directory(ec) && !entry.is_symlink(ec)) AddTree(entry.path().string());
  }
  return true;
}

void TFileWatcher::AddTree(const std::string& dir) {
  std::string name = std::filesystem::path(dir).filename().string();
  if (skip_ && skip_(name)) return;
  int wd = inotify_add_watch(fd_, dir.c_str(), kFolderEvents);
  if (wd < 0) return;  // a folder that cannot be watched is left out
  dirs_[wd] = dir;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.is_directory(ec) && !entry.is_symlink(ec)) AddTree(entry.path().string());
  }
}

std::vector<std::string> TFileWatcher::Poll() {
  std::vector<std::string> changed;
  if (fd_ < 0) return changed;
  alignas(inotify_event) char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n <= 0) break;  // EAGAIN: nothing more now
    for (ssize_t off = 0; off < n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
      off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      auto dir = dirs_.find(ev->wd);
      if (dir == dirs_.end()) continue;
      if (ev->mask & (IN_IGNORED | IN_DELETE_SELF)) {
        if (ev->mask & IN_IGNORED) dirs_.erase(dir);
        continue;
      }
      if (ev->len == 0) continue;
      std::string path = dir->second + "/" + ev->name;
      if (ev->mask & IN_ISDIR) {
        // A folder made or moved in is watched from now on; files written
        // into it before its watch was added are reported with it.
        // A skipped folder (the program's own captures and caches) is not
        // watched, and the files already in it are no edits either.
        if ((ev->mask & (IN_CREATE | IN_MOVED_TO)) && !(skip_ && skip_(ev->name))) {
          AddTree(path);
          std::error_code ec;
          for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
            if (entry.is_regular_file(ec)) changed.push_back(entry.path().string());
          }
        }
        continue;
      }
      if (ev->mask & IN_CREATE) continue;  // its close-after-write follows
      changed.push_back(path);
    }
  }
  // Each path once, in the order first seen.
  std::vector<std::string> unique;
  for (std::string& p : changed) {
    if (std::find(unique.begin(), unique.end(), p) == unique.end()) unique.push_back(std::move(p));
  }
  return unique;
}

}  // namespace ruvel
