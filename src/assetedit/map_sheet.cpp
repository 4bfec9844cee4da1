#include "assetedit/map_sheet.h"

#include "platform/paths.h"

namespace ruvel {

std::string TMapSheet::Resolve(const std::string& mapPath, const std::string& sheetLine) {
  if (sheetLine.empty()) return "";
  return PathResolve(sheetLine, PathParent(mapPath));
}

std::string TMapSheet::LineFor(const std::string& mapPath, const std::string& sheetFile) {
  return PathRelative(sheetFile, PathParent(mapPath));
}

void TMapSheet::Use(const std::string& file) {
  file_ = file;
  rects_.reset();
  error_.clear();
  Refresh();
}

void TMapSheet::Refresh() {
  if (file_.empty()) return;
  std::string error;
  std::shared_ptr<TPatRects> cut = cache_.Cut(file_, error);
  if (cut) {
    rects_ = cut;
    error_.clear();
  } else {
    error_ = error.empty() ? "シートを読めません: " + file_ : error;
  }
}

bool TMapSheet::TileRect(int32_t tile, TRect& rect) const {
  if (!rects_ || tile < 0 || tile >= rects_->Count()) return false;
  rect = rects_->Elems()[size_t(tile)].rect;
  return true;
}

}  // namespace ruvel
