#include "assetedit/sheet_commands.h"

#include <algorithm>
#include <utility>

namespace ruvel {

TSheetEdit TSheetEdit::Between(const TPixelImage& before, const TPixelImage& after, std::string label) {
  TSheetEdit e;
  e.label_ = std::move(label);
  TRect box{before.width, before.height, 0, 0};
  for (int32_t y = 0; y < before.height; ++y) {
    for (int32_t x = 0; x < before.width; ++x) {
      if (before.At(x, y) == after.At(x, y)) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  if (box.Empty()) return e;
  e.area_ = box;
  e.before_ = CopyBlock(before, box);
  e.after_ = CopyBlock(after, box);
  return e;
}

void TSheetHistory::Push(TSheetEdit edit) {
  if (edit.Empty()) return;
  edits_.resize(done_);
  edits_.push_back(std::move(edit));
  ++done_;
}

bool TSheetHistory::Undo(TPixelImage& image) {
  if (!CanUndo()) return false;
  edits_[--done_].Undo(image);
  return true;
}

bool TSheetHistory::Redo(TPixelImage& image) {
  if (!CanRedo()) return false;
  edits_[done_++].Apply(image);
  return true;
}

void TSheetHistory::Clear() {
  edits_.clear();
  done_ = 0;
}

}  // namespace ruvel
