#include "platform/file_watch.h"

namespace ruvel {

// A browser page has no file-change notices (and nobody edits its files):
// watching is refused, so live reload stays off there.
TFileWatcher::~TFileWatcher() = default;

bool TFileWatcher::Watch(const std::string& root, SkipFolder skip, std::string& error) {
  root_ = root;
  skip_ = std::move(skip);
  dirs_.clear();
  error = "file watching is not available in a browser";
  return false;
}

void TFileWatcher::Stop() { fd_ = -1; }

std::vector<std::string> TFileWatcher::Poll() { return {}; }

void TFileWatcher::AddTree(const std::string&) {}

}  // namespace ruvel
