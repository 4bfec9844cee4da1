// TRapidStringList: an ordered list of interned names (a class's member
// variables), searched by symbol id with a position hint.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class TRapidStringList {
 public:
  int32_t Count() const { return static_cast<int32_t>(cells_.size()); }
  int32_t IdAt(int32_t pos) const { return cells_[pos].id; }
  const std::string& NameAt(int32_t pos) const;
  // Interns name and appends it; returns its position.
  int32_t Add(const std::string& name);
  int32_t AddId(int32_t id);
  void Delete(int32_t pos);
  void Clear();
  // Tries the hint position first, then scans from the last position down.
  // hint receives the position found, or -1.
  int32_t Find(int32_t id, int32_t& hint) const {
    int32_t n = Count();
    if (hint >= 0 && hint < n && cells_[hint].id == id) return hint;
    for (int32_t i = n - 1; i >= 0; --i) {
      if (cells_[i].id == id) return hint = i;
    }
    return hint = -1;
  }
  int32_t IndexOf(int32_t id) const {
    int32_t hint = 0;
    return Find(id, hint);
  }

 private:
  struct Cell {
    int32_t id;
    int32_t zero;
  };
  std::vector<Cell> cells_;
};

}  // namespace ruvel
