// The pattern editor's model: one sheet's pixels, the drawing tools as
// edits with unlimited undo and redo, the selection with its clipboard,
// the palette of the sheet's colours, the patterns the cutter finds (cut
// again after every edit), new patterns framed around a selection, the
// preview of a pattern or an animation over a range, and saving in the
// file's own format. pattern_editor_view draws it; tests drive it here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assetedit/sheet_commands.h"
#include "assetedit/sheet_pixels.h"
#include "screen/pattern_cutter.h"
#include "screen/pattern_image.h"

namespace ruvel {

// The tools, each with its caption (UTF-8) and the letter key that picks it.
#define RUVEL_SHEET_TOOLS(X)          \
  X(kPencil, "鉛筆", 'P')             \
  X(kLine, "直線", 'L')               \
  X(kRect, "四角", 'R')               \
  X(kFilledRect, "塗り四角", 'B')     \
  X(kFill, "塗りつぶし", 'F')         \
  X(kEyedropper, "スポイト", 'I')     \
  X(kSelect, "選択", 'S')

enum class TSheetTool : uint8_t {
#define RUVEL_SHEET_TOOL_ENUM(id, caption, key) id,
  RUVEL_SHEET_TOOLS(RUVEL_SHEET_TOOL_ENUM)
#undef RUVEL_SHEET_TOOL_ENUM
};
struct TSheetToolInfo {
  TSheetTool tool;
  const char* caption;
  char key;
};
const std::vector<TSheetToolInfo>& SheetTools();

// Most colours the palette lists.
constexpr size_t kPaletteSize = 32;

class TSheetEditor {
 public:
  // Reads a sheet; raises std::runtime_error (CP932 text) when it cannot.
  void Open(const std::string& path);
  // A new sheet of one colour that will be saved to path (not written yet).
  void NewSheet(const std::string& path, int32_t width, int32_t height, uint32_t background);

  const TPixelImage& Image() const { return image_; }
  const std::string& Path() const { return path_; }
  bool Loaded() const { return image_.width > 0; }
  // Changed since it was opened or last saved.
  bool Dirty() const;
  // Grows with every change of the pixels (a view re-uploads its picture).
  uint64_t Version() const { return version_; }

  TSheetTool tool = TSheetTool::kPencil;
  uint32_t color = 0x000000;  // the picked colour, 0x00RRGGBB

  // The pointer on the sheet, in sheet pixels (may lie outside). A press
  // starts a stroke of the tool, moves continue it, the release commits it
  // as one edit.
  void Press(int32_t x, int32_t y);
  void Drag(int32_t x, int32_t y);
  void Release(int32_t x, int32_t y);
  bool Stroking() const { return stroking_; }

  bool Undo();
  bool Redo();
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }

  // The selection (none while empty) and its operations. Flips work on the
  // whole sheet when nothing is selected; the turn needs a selection and
  // keeps its top-left corner, clearing what it leaves to the background.
  const std::optional<TRect>& Selection() const { return selection_; }
  void Select(const TRect& r);
  void ClearSelection() { selection_.reset(); }
  bool Copy();
  // Pastes the clipboard at the selection's corner (the sheet's when
  // none) and selects what was pasted.
  bool Paste();
  bool HasClipboard() const { return !clipboard_.Empty(); }
  bool Flip(bool horizontal);
  bool Turn();

  // The background (the pixel at (0, 0), as the cutter reads it).
  uint32_t Background() const { return image_.width > 0 ? image_.At(0, 0) : 0xFFFFFF; }
  // The sheet's distinct colours, most used first, at most kPaletteSize.
  const std::vector<uint32_t>& Palette() const { return palette_; }

  // The patterns as the cutter finds them now.
  const TCutResult& Cut() const { return cut_; }
  // The index of the pattern whose pixels hold (x, y); -1 when none.
  int PatternAt(int32_t x, int32_t y) const;
  // How a script writes the pattern's number: "$pat_x + n" when the sheet
  // is registered, else the index alone.
  std::string NumberText(int index) const;
  // The registration found for the sheet: its global and the number of
  // its first pattern (none while the sheet is not registered).
  void SetRegistration(const std::string& globalName, int32_t firstNumber);
  const std::string& GlobalName() const { return globalName_; }
  int32_t FirstNumber() const { return firstNumber_; }

  // The colour a new frame is drawn in: that of the existing frames, else
  // black or white, whichever lies farther from the background.
  uint32_t FrameColor() const;
  // Draws a one-pixel frame just outside the selection as one edit and
  // returns the index the new pattern has; -1 (nothing drawn) without a
  // selection, when the frame would leave the sheet, or when the cutter
  // would not find it as a pattern.
  int NewPattern();
  // The index the pattern would get, without drawing; -1 as above.
  int NewPatternIndex(const TRect& inside) const;

  // Preview of an animation over patterns first..last at fps frames per
  // second: the index shown at a time in milliseconds.
  static int AnimationFrame(int first, int last, double fps, uint64_t ms);

  // Writes the sheet to its file in its format, atomically. On failure the
  // reason (CP932) is in error and the edit and the changed flag stay.
  bool Save(std::string& error);

 private:
  void Commit(const std::string& label);
  void Changed();
  void Recut();
  void Rebuild();

  TPixelImage image_;
  std::string path_;
  TSheetHistory history_;
  std::optional<size_t> savedAt_ = size_t(0);  // history position of the file's pixels
  uint64_t version_ = 0;

  bool stroking_ = false;
  bool moving_ = false;
  TPixelImage before_;  // the pixels when the stroke began
  int32_t startX_ = 0;
  int32_t startY_ = 0;
  int32_t lastX_ = 0;
  int32_t lastY_ = 0;

  std::optional<TRect> selection_;
  TPixelBlock clipboard_;
  std::vector<uint32_t> palette_;
  TCutResult cut_;
  std::string globalName_;
  int32_t firstNumber_ = -1;
};

}  // namespace ruvel
