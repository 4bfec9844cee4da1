#include "assetedit/sheet_editor.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "assetedit/sheet_file.h"
#include "platform/cp932.h"

namespace ruvel {

const std::vector<TSheetToolInfo>& SheetTools() {
  static const std::vector<TSheetToolInfo> tools = {
#define RUVEL_SHEET_TOOL_ROW(id, caption, key) {TSheetTool::id, caption, key},
      RUVEL_SHEET_TOOLS(RUVEL_SHEET_TOOL_ROW)
#undef RUVEL_SHEET_TOOL_ROW
  };
  return tools;
}

void TSheetEditor::Open(const std::string& path) {
  TPixelImage image;
  std::string error;
  if (!LoadPatternImage(path, image, error)) throw std::runtime_error(path + J("を読めません: ") + error);
  image_ = std::move(image);
  path_ = path;
  history_.Clear();
  savedAt_ = size_t(0);
  selection_.reset();
  Rebuild();
}

void TSheetEditor::NewSheet(const std::string& path, int32_t width, int32_t height, uint32_t background) {
  image_ = BlankSheet(width, height, background);
  path_ = path;
  history_.Clear();
  savedAt_.reset();
  selection_.reset();
  Rebuild();
}

bool TSheetEditor::Dirty() const { return !savedAt_ || *savedAt_ != history_.Position(); }

void TSheetEditor::Rebuild() {
  ++version_;
  Recut();
  // Distinct colours by use; ties keep the smaller value first so the
  // order is the same every time.
  std::unordered_map<uint32_t, size_t> counts;
  for (uint32_t c : image_.pixels) ++counts[c];
  std::vector<std::pair<uint32_t, size_t>> byUse(counts.begin(), counts.end());
  std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  palette_.clear();
  for (size_t i = 0; i < byUse.size() && i < kPaletteSize; ++i) palette_.push_back(byUse[i].first);
}

void TSheetEditor::Recut() { cut_ = image_.width > 0 ? CutSheet(image_) : TCutResult{}; }

void TSheetEditor::Changed() { ++version_; }

void TSheetEditor::Commit(const std::string& label) {
  TSheetEdit edit = TSheetEdit::Between(before_, image_, label);
  before_ = TPixelImage{};
  if (edit.Empty()) return;
  // The saved pixels can no longer be reached by undo and redo once the
  // edits after them are dropped.
  if (savedAt_ && *savedAt_ > history_.Position()) savedAt_.reset();
  history_.Push(std::move(edit));
  Rebuild();
}

void TSheetEditor::Press(int32_t x, int32_t y) {
  if (!Loaded()) return;
  startX_ = lastX_ = x;
  startY_ = lastY_ = y;
  switch (tool) {
    case TSheetTool::kEyedropper:
      if (x >= 0 && y >= 0 && x < image_.width && y < image_.height) color = image_.At(x, y);
      return;
    case TSheetTool::kFill:
      before_ = image_;
      FloodFill(image_, x, y, color);
      Commit(J("塗りつぶし"));
      return;
    case TSheetTool::kSelect:
      moving_ = selection_ && x >= selection_->left && x < selection_->right && y >= selection_->top && y < selection_->bottom;
      if (!moving_) selection_.reset();
      break;
    default:
      break;
  }
  before_ = image_;
  stroking_ = true;
  Drag(x, y);
}

void TSheetEditor::Drag(int32_t x, int32_t y) {
  if (!stroking_) return;
  switch (tool) {
    case TSheetTool::kPencil:
      DrawLine(image_, lastX_, lastY_, x, y, color);
      break;
    case TSheetTool::kLine:
      image_ = before_;
      DrawLine(image_, startX_, startY_, x, y, color);
      break;
    case TSheetTool::kRect:
    case TSheetTool::kFilledRect:
      image_ = before_;
      DrawRect(image_, SpanRect(startX_, startY_, x, y), color, tool == TSheetTool::kFilledRect);
      break;
    case TSheetTool::kSelect:
      if (moving_) {
        // The lifted block leaves background behind and follows the pointer.
        image_ = before_;
        TPixelBlock block = CopyBlock(before_, *selection_);
        DrawRect(image_, *selection_, Background(), true);
        PasteBlock(image_, block, selection_->left + x - startX_, selection_->top + y - startY_);
      } else {
        TRect r = ClipToImage(image_, SpanRect(startX_, startY_, x, y));
        if (!r.Empty()) selection_ = r;
      }
      break;
    default:
      break;
  }
  lastX_ = x;
  lastY_ = y;
  Changed();
}

void TSheetEditor::Release(int32_t x, int32_t y) {
  if (!stroking_) return;
  Drag(x, y);
  stroking_ = false;
  if (tool == TSheetTool::kSelect) {
    if (moving_) {
      TRect& s = *selection_;
      int32_t dx = x - startX_;
      int32_t dy = y - startY_;
      s = ClipToImage(image_, TRect{s.left + dx, s.top + dy, s.right + dx, s.bottom + dy});
      if (s.Empty()) selection_.reset();
      moving_ = false;
      Commit(J("移動"));
    }
    before_ = TPixelImage{};
    return;
  }
  for (const TSheetToolInfo& t : SheetTools()) {
    if (t.tool == tool) Commit(Utf8ToCp932(t.caption));
  }
}

bool TSheetEditor::Undo() {
  if (stroking_ || !history_.Undo(image_)) return false;
  Rebuild();
  return true;
}

bool TSheetEditor::Redo() {
  if (stroking_ || !history_.Redo(image_)) return false;
  Rebuild();
  return true;
}

void TSheetEditor::Select(const TRect& r) {
  TRect c = ClipToImage(image_, r);
  if (c.Empty()) selection_.reset();
  else selection_ = c;
}

bool TSheetEditor::Copy() {
  if (!selection_) return false;
  clipboard_ = CopyBlock(image_, *selection_);
  return true;
}

bool TSheetEditor::Paste() {
  if (clipboard_.Empty() || !Loaded() || stroking_) return false;
  int32_t x = selection_ ? selection_->left : 0;
  int32_t y = selection_ ? selection_->top : 0;
  before_ = image_;
  PasteBlock(image_, clipboard_, x, y);
  Select(RectXYWH(x, y, clipboard_.width, clipboard_.height));
  Commit(J("貼り付け"));
  return true;
}

bool TSheetEditor::Flip(bool horizontal) {
  if (!Loaded() || stroking_) return false;
  TRect area = selection_ ? *selection_ : TRect{0, 0, image_.width, image_.height};
  before_ = image_;
  PasteBlock(image_, FlipBlock(CopyBlock(image_, area), horizontal), area.left, area.top);
  Commit(horizontal ? J("左右反転") : J("上下反転"));
  return true;
}

bool TSheetEditor::Turn() {
  if (!selection_ || stroking_) return false;
  TRect area = *selection_;
  TPixelBlock turned = TurnBlock(CopyBlock(image_, area));
  before_ = image_;
  DrawRect(image_, area, Background(), true);
  PasteBlock(image_, turned, area.left, area.top);
  Select(RectXYWH(area.left, area.top, turned.width, turned.height));
  Commit(J("90度回転"));
  return true;
}

int TSheetEditor::PatternAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < cut_.elems.size(); ++i) {
    const TRect& r = cut_.elems[i].rect;
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return int(i);
  }
  return -1;
}

std::string TSheetEditor::NumberText(int index) const {
  if (globalName_.empty()) return std::to_string(index);
  return globalName_ + " + " + std::to_string(index);
}

void TSheetEditor::SetRegistration(const std::string& globalName, int32_t firstNumber) {
  globalName_ = globalName;
  firstNumber_ = firstNumber;
}

uint32_t TSheetEditor::FrameColor() const {
  uint32_t bg = Background();
  for (const TPatElem& e : cut_.elems) {
    if (ColorDistance(e.key, bg) > kInkDistance) return e.key;
  }
  return ColorDistance(0x000000, bg) >= ColorDistance(0xFFFFFF, bg) ? 0x000000 : 0xFFFFFF;
}

int TSheetEditor::NewPatternIndex(const TRect& inside) const {
  TRect frame{inside.left - 1, inside.top - 1, inside.right + 1, inside.bottom + 1};
  if (inside.Empty() || frame.left < 0 || frame.top < 0 || frame.right > image_.width || frame.bottom > image_.height) return -1;
  TPixelImage trial = image_;
  DrawRect(trial, frame, FrameColor(), false);
  TCutResult cut = CutSheet(trial);
  if (!cut.cutOk) return -1;
  for (size_t i = 0; i < cut.elems.size(); ++i) {
    if (cut.elems[i].rect == inside) return int(i);
  }
  return -1;
}

int TSheetEditor::NewPattern() {
  if (!selection_ || stroking_) return -1;
  TRect inside = *selection_;
  int index = NewPatternIndex(inside);
  if (index < 0) return -1;
  before_ = image_;
  DrawRect(image_, TRect{inside.left - 1, inside.top - 1, inside.right + 1, inside.bottom + 1}, FrameColor(), false);
  Commit(J("新しいパターン"));
  return index;
}

int TSheetEditor::AnimationFrame(int first, int last, double fps, uint64_t ms) {
  if (last < first) std::swap(first, last);
  if (fps <= 0) return first;
  auto step = static_cast<uint64_t>(std::floor(double(ms) * fps / 1000.0));
  return first + int(step % uint64_t(last - first + 1));
}

bool TSheetEditor::Save(std::string& error) {
  if (!Loaded()) return false;
  std::string reason;
  if (!SaveSheetFile(path_, image_, reason)) {
    error = Utf8ToCp932(reason);
    return false;
  }
  savedAt_ = history_.Position();
  return true;
}

}  // namespace ruvel
