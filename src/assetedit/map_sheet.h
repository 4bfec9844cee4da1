// The pattern sheet a map is painted from: the map's "sheet" line is a
// path relative to the map file's folder; tile n is pattern n of the cut
// sheet. The sheet is cut again when its file changes on disk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rect.h"
#include "screen/pattern_sheet.h"

namespace ruvel {

class TMapSheet {
 public:
  // The sheet file a map's sheet line names (absolute when the map path
  // is); empty when the line is empty.
  static std::string Resolve(const std::string& mapPath, const std::string& sheetLine);
  // The sheet line that names sheetFile from the map's folder.
  static std::string LineFor(const std::string& mapPath, const std::string& sheetFile);

  // Takes this file (empty: no sheet) and cuts it.
  void Use(const std::string& file);
  // Cuts the file again when it changed since it was cut.
  void Refresh();
  const std::string& File() const { return file_; }
  // Why the sheet could not be cut (UTF-8); empty when it was.
  const std::string& Error() const { return error_; }
  int32_t TileCount() const { return rects_ ? rects_->Count() : 0; }
  // The pixels of tile n on the sheet; false past the sheet's patterns.
  bool TileRect(int32_t tile, TRect& rect) const;
  const std::shared_ptr<TPatRects>& Rects() const { return rects_; }

 private:
  TPatCache cache_;
  std::string file_;
  std::string error_;
  std::shared_ptr<TPatRects> rects_;
};

}  // namespace ruvel
