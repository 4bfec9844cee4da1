#include "pages/recent_pages.h"

#include "io/cookies.h"
#include "platform/paths.h"

namespace ruvel {

void TRecentPages::Add(const std::string& file) {
  std::string dir = PathParent(file);
  if (PathSame(dir, ProjectDir())) return;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (PathSame(PathParent(items_[i]), dir)) {
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  items_.insert(items_.begin(), file);
  if (items_.size() > kMax) items_.resize(kMax);
}

void TRecentPages::LoadFromCookies() {
  items_.clear();
  for (int i = 0; i <= 9 && items_.size() < kMax; ++i) {
    std::string value = Cookies().Get("RecentPage" + std::to_string(i));
    if (value.empty()) continue;
    std::string file = PathResolve(value, ProgramDir());
    if (!file.empty() && PathExists(file)) items_.push_back(PathLocate(file));
  }
}

}  // namespace ruvel
