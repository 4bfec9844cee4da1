// Edits of a sheet as values: each edit keeps the pixels of the rectangle
// it changed before and after, so applying and undoing are plain copies
// and the history can hold any number of them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assetedit/sheet_pixels.h"

namespace ruvel {

class TSheetEdit {
 public:
  // The edit that turns before into after; only the bounding box of the
  // pixels that differ is kept. Both images must have the same size.
  static TSheetEdit Between(const TPixelImage& before, const TPixelImage& after, std::string label);
  // True when before and after were equal.
  bool Empty() const { return area_.Empty(); }
  void Apply(TPixelImage& image) const { PasteBlock(image, after_, area_.left, area_.top); }
  void Undo(TPixelImage& image) const { PasteBlock(image, before_, area_.left, area_.top); }
  const TRect& Area() const { return area_; }
  const std::string& Label() const { return label_; }

 private:
  TRect area_;
  TPixelBlock before_;
  TPixelBlock after_;
  std::string label_;
};

// Unlimited undo and redo: a new edit drops what could be redone.
class TSheetHistory {
 public:
  void Push(TSheetEdit edit);
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < edits_.size(); }
  bool Undo(TPixelImage& image);
  bool Redo(TPixelImage& image);
  // Number of edits applied now; the editor compares it with the count at
  // the last save to tell whether the sheet is changed.
  size_t Position() const { return done_; }
  void Clear();

 private:
  std::vector<TSheetEdit> edits_;
  size_t done_ = 0;
};

}  // namespace ruvel
