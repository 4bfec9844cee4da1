// The recently opened pages: at most nine page files, newest first, at
// most one per directory. Pages of the program's own "Usr" directory are
// not recorded. The list is read from the cookies "RecentPage0" to
// "RecentPage9" at start-up and never written back.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

class TRecentPages {
 public:
  static constexpr size_t kMax = 9;

  void Add(const std::string& file);
  // Replaces the list by the cookies that name existing files (resolved
  // against the program directory), in cookie order, at most kMax.
  void LoadFromCookies();
  const std::vector<std::string>& Items() const { return items_; }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::string> items_;
};

}  // namespace ruvel
