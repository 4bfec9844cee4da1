// TFileWatcher: reports the files of a folder tree that were written,
// moved in, deleted or touched (inotify). Folders made later are watched
// as they appear. Poll never blocks, so the frame loop asks between frames.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ruvel {

class TFileWatcher {
 public:
  // Folders for which skip(name) is true are not watched (nor anything
  // below them); name is the folder's own name.
  using SkipFolder = std::function<bool(const std::string& name)>;

  TFileWatcher() = default;
  ~TFileWatcher();
  TFileWatcher(const TFileWatcher&) = delete;
  TFileWatcher& operator=(const TFileWatcher&) = delete;

  // Starts watching root and its folders; false (with the reason) when the
  // system refuses (no inotify, too many watches).
  bool Watch(const std::string& root, SkipFolder skip, std::string& error);
  // Stops watching.
  void Stop();
  bool Watching() const { return fd_ >= 0; }
  const std::string& Root() const { return root_; }
  // Full paths of the files changed since the last call, each once, in the
  // order first seen.
  std::vector<std::string> Poll();

 private:
  void AddTree(const std::string& dir);

  int fd_ = -1;
  std::string root_;
  SkipFolder skip_;
  std::map<int, std::string> dirs_;  // watch descriptor -> folder
};

}  // namespace ruvel
