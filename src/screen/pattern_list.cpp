#include "screen/pattern_list.h"

namespace ruvel {

void TPatternList::Append(std::shared_ptr<TPatRects> sheet, const void* owner) {
  if (!sheet) sheet = std::make_shared<TPatRects>();
  entries_.push_back(Entry{std::move(sheet), owner});
}

int32_t TPatternList::Count() const {
  int32_t total = 0;
  for (const Entry& e : entries_) total += e.sheet->Count();
  return total;
}

int32_t TPatternList::FirstNumber(size_t i) const {
  int32_t total = 0;
  for (size_t k = 0; k < i && k < entries_.size(); ++k) total += entries_[k].sheet->Count();
  return total;
}

bool TPatternList::Find(int32_t n, size_t& sheetIndex, int32_t& elemIndex) const {
  if (n < 0) return false;
  int32_t t = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    int32_t count = entries_[i].sheet->Count();
    if (t <= n && n < t + count) {
      sheetIndex = i;
      elemIndex = n - t;
      return true;
    }
    t += count;
  }
  return false;
}

void TPatternList::Truncate(int32_t n) {
  if (n < 0) return;
  int32_t t = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    int32_t count = entries_[i].sheet->Count();
    // The sheet holding n, or an empty sheet standing where n would start.
    if (t >= n || n < t + count) {
      entries_.resize(i);
      return;
    }
    t += count;
  }
}

ptrdiff_t TPatternList::IndexOfOwner(const void* owner) const {
  if (!owner) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].owner == owner) return ptrdiff_t(i);
  }
  return -1;
}

void TPatternList::Disown(const void* owner) {
  if (!owner) return;
  for (Entry& e : entries_) {
    if (e.owner == owner) e.owner = nullptr;
  }
}

}  // namespace ruvel
