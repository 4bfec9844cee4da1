// The pattern list: the loaded sheets in global pattern order. A pattern's
// global number is its index in its sheet plus the number of patterns of
// all sheets before it. Each entry may name the resource that registered
// it, so a resource prepared again in a later pass of the same
// preparation is not appended twice.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "screen/pattern_sheet.h"

namespace ruvel {

class TPatternList {
 public:
  struct Entry {
    std::shared_ptr<TPatRects> sheet;
    const void* owner = nullptr;
  };

  void Append(std::shared_ptr<TPatRects> sheet, const void* owner = nullptr);
  // Sum of the pattern counts of all sheets.
  int32_t Count() const;
  size_t SheetCount() const { return entries_.size(); }
  const Entry& At(size_t i) const { return entries_.at(i); }
  // Global number of the first pattern of sheet i.
  int32_t FirstNumber(size_t i) const;

  // Sheet and element index of pattern n; false for a negative n or one
  // past the last pattern. Sheets without patterns are passed over.
  bool Find(int32_t n, size_t& sheetIndex, int32_t& elemIndex) const;
  // Removes the sheet holding pattern n and every sheet after it, together
  // with sheets without patterns that start at n. A negative n, or one
  // beyond all patterns, removes nothing.
  void Truncate(int32_t n);
  void Clear() { entries_.clear(); }

  // The index of the sheet that owner registered; -1 when none.
  ptrdiff_t IndexOfOwner(const void* owner) const;
  // Forgets owner in every entry (the resource is being freed).
  void Disown(const void* owner);

 private:
  std::vector<Entry> entries_;
};

}  // namespace ruvel
