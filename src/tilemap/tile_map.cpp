#include "tilemap/tile_map.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

// The largest map file read: a full-size layer of three-digit tiles with
// several layers fits well below it.
constexpr size_t kMaxMapFileBytes = size_t(512) << 20;

std::string Where(const std::string& name, int32_t line) {
  if (line <= 0) return name + ": ";
  return name + " の " + std::to_string(line) + " 行目: ";
}

[[noreturn]] void Fail(const std::string& name, int32_t line, const std::string& what) {
  throw TMapError(Where(name, line) + what, line);
}

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  size_t e = s.size();
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// A whole token as a number; false when any character is left over.
bool ParseInt(std::string_view token, int64_t& out) {
  if (token.empty()) return false;
  auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), out);
  return ec == std::errc() && ptr == token.data() + token.size();
}

std::string Shown(std::string_view token) {
  // Long garbage is cut so that the message stays one readable line.
  if (token.size() > 24) return std::string(token.substr(0, 24)) + "…";
  return std::string(token);
}

// Splits a comma-separated line into numbers, checking each against
// [low, high]; what names the kind of number in messages.
std::vector<int32_t> ParseList(std::string_view text, int64_t low, int64_t high, const char* what,
                               const std::string& name, int32_t line) {
  std::vector<int32_t> out;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    std::string_view token = Trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    int64_t v = 0;
    if (token.empty()) Fail(name, line, std::to_string(out.size() + 1) + " 番目の数がありません");
    if (!ParseInt(token, v)) Fail(name, line, "「" + Shown(token) + "」は数ではありません");
    if (v < low || v > high)
      Fail(name, line, std::string(what) + " " + std::to_string(v) + " は " + std::to_string(low) + " から " +
                           std::to_string(high) + " の範囲にありません");
    out.push_back(static_cast<int32_t>(v));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

void CheckSize(int64_t v, int64_t high, const char* what, const std::string& name, int32_t line) {
  if (v < 1 || v > high)
    Fail(name, line, std::string(what) + " " + std::to_string(v) + " は 1 から " + std::to_string(high) + " の範囲にありません");
}

void CheckLayerName(const std::vector<TMapLayer>& layers, const std::string& layerName, const std::string& name,
                    int32_t line) {
  if (layerName.empty()) Fail(name, line, "レイヤーの名前がありません");
  // The name stands on a line of its own in the map file.
  for (char c : layerName)
    if (static_cast<unsigned char>(c) < 0x20) Fail(name, line, "レイヤーの名前に制御文字は使えません");
  if (Trim(layerName) != layerName) Fail(name, line, "レイヤーの名前の前後に空白は使えません");
  for (const TMapLayer& l : layers)
    if (l.name == layerName) Fail(name, line, "レイヤー名「" + layerName + "」が二度あります");
  if (static_cast<int32_t>(layers.size()) >= kMaxMapLayers)
    Fail(name, line, "レイヤーが " + std::to_string(kMaxMapLayers) + " 個を超えます");
}

bool StartsWithWord(std::string_view line, std::string_view word) {
  return line.substr(0, word.size()) == word && (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t');
}

}  // namespace

TTileMap::TTileMap(int32_t columns, int32_t rows, int32_t tileWidth, int32_t tileHeight) {
  const std::string name = "新しいマップ";
  CheckSize(columns, kMaxMapSide, "列数", name, 0);
  CheckSize(rows, kMaxMapSide, "行数", name, 0);
  CheckSize(tileWidth, kMaxTileSide, "タイルの幅", name, 0);
  CheckSize(tileHeight, kMaxTileSide, "タイルの高さ", name, 0);
  columns_ = columns;
  rows_ = rows;
  tileWidth_ = tileWidth;
  tileHeight_ = tileHeight;
  layers_.push_back({"main", std::vector<int32_t>(size_t(columns) * size_t(rows), -1)});
}

bool TTileMap::SelectLayer(const std::string& name) {
  for (size_t i = 0; i < layers_.size(); ++i) {
    if (layers_[i].name == name) {
      current_ = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

void TTileMap::SelectLayer(int32_t index) {
  if (index >= 0 && index < static_cast<int32_t>(layers_.size())) current_ = index;
}

int32_t TTileMap::AddLayer(const std::string& name) {
  CheckLayerName(layers_, name, "マップ", 0);
  layers_.push_back({name, std::vector<int32_t>(size_t(columns_) * size_t(rows_), -1)});
  return static_cast<int32_t>(layers_.size()) - 1;
}

// The last remaining layer is kept: a map always has one to draw and edit.
void TTileMap::RemoveLayer(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(layers_.size()) || layers_.size() == 1) return;
  layers_.erase(layers_.begin() + index);
  if (current_ > index || current_ >= static_cast<int32_t>(layers_.size())) --current_;
}

void TTileMap::RenameLayer(int32_t index, const std::string& name) {
  if (index < 0 || index >= static_cast<int32_t>(layers_.size()) || layers_[index].name == name) return;
  CheckLayerName(layers_, name, "マップ", 0);
  layers_[index].name = name;
}

int32_t TTileMap::GetIn(int32_t layer, int32_t col, int32_t row) const {
  if (layer < 0 || layer >= static_cast<int32_t>(layers_.size())) return -1;
  if (col < 0 || row < 0 || col >= columns_ || row >= rows_) return -1;
  return layers_[layer].cells[size_t(row) * size_t(columns_) + size_t(col)];
}

bool TTileMap::SetIn(int32_t layer, int32_t col, int32_t row, int32_t tile) {
  if (layer < 0 || layer >= static_cast<int32_t>(layers_.size())) return false;
  if (col < 0 || row < 0 || col >= columns_ || row >= rows_) return false;
  if (tile < -1 || tile > kMaxTileNumber) return false;
  layers_[layer].cells[size_t(row) * size_t(columns_) + size_t(col)] = tile;
  return true;
}

int32_t TTileMap::Get(int32_t col, int32_t row) const { return GetIn(current_, col, row); }

bool TTileMap::Set(int32_t col, int32_t row, int32_t tile) { return SetIn(current_, col, row, tile); }

int32_t TTileMap::TileAt(int64_t px, int64_t py) const {
  if (Empty() || px < 0 || py < 0) return -1;
  int64_t col = px / tileWidth_;
  int64_t row = py / tileHeight_;
  if (col >= columns_ || row >= rows_) return -1;
  return Get(static_cast<int32_t>(col), static_cast<int32_t>(row));
}

void TTileMap::SetSolid(int32_t tile, bool solid) {
  if (solid)
    solid_.insert(tile);
  else
    solid_.erase(tile);
}

bool TTileMap::Hits(int64_t x1, int64_t y1, int64_t x2, int64_t y2) const {
  if (Empty() || solid_.empty()) return false;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int64_t width = int64_t(columns_) * tileWidth_;
  const int64_t height = int64_t(rows_) * tileHeight_;
  if (x2 < 0 || y2 < 0 || x1 >= width || y1 >= height) return false;
  const int32_t c1 = static_cast<int32_t>(std::max<int64_t>(x1, 0) / tileWidth_);
  const int32_t c2 = static_cast<int32_t>(std::min<int64_t>(x2, width - 1) / tileWidth_);
  const int32_t r1 = static_cast<int32_t>(std::max<int64_t>(y1, 0) / tileHeight_);
  const int32_t r2 = static_cast<int32_t>(std::min<int64_t>(y2, height - 1) / tileHeight_);
  const std::vector<int32_t>& cells = layers_[current_].cells;
  for (int32_t r = r1; r <= r2; ++r) {
    const int32_t* row = cells.data() + size_t(r) * size_t(columns_);
    for (int32_t c = c1; c <= c2; ++c)
      if (row[c] >= 0 && solid_.count(row[c])) return true;
  }
  return false;
}

std::string TTileMap::ToText() const {
  std::string out = "map " + std::to_string(columns_) + " " + std::to_string(rows_) + " " + std::to_string(tileWidth_) +
                    " " + std::to_string(tileHeight_) + "\n";
  if (!sheet_.empty()) out += "sheet " + sheet_ + "\n";
  if (!solid_.empty()) {
    out += "solid ";
    bool first = true;
    for (int32_t t : solid_) {
      if (!first) out += ',';
      out += std::to_string(t);
      first = false;
    }
    out += '\n';
  }
  // One layer named "main" is the simple map: no layer line at all.
  const bool named = !(layers_.size() == 1 && layers_[0].name == "main");
  for (const TMapLayer& layer : layers_) {
    if (named) out += "layer " + layer.name + "\n";
    for (int32_t r = 0; r < rows_; ++r) {
      for (int32_t c = 0; c < columns_; ++c) {
        if (c) out += ',';
        out += std::to_string(layer.cells[size_t(r) * size_t(columns_) + size_t(c)]);
      }
      out += '\n';
    }
  }
  return out;
}

TTileMap TTileMap::FromText(const std::string& text, const std::string& name) {
  TTileMap map;
  std::string_view all(text);
  if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
  bool haveHeader = false;
  bool inRows = false;  // a layer block has started: sheet and solid lines are over
  int32_t rowsInLayer = 0;
  int32_t layerLine = 0;
  int32_t lineNo = 0;

  auto finishLayer = [&](int32_t atLine) {
    if (!inRows) return;
    if (rowsInLayer != map.rows_)
      Fail(name, atLine,
           "レイヤー「" + map.layers_.back().name + "」の行が " + std::to_string(map.rows_) + " 行ではなく " +
               std::to_string(rowsInLayer) + " 行です (" + std::to_string(layerLine) + " 行目から)");
  };
  auto startLayer = [&](const std::string& layerName, int32_t atLine) {
    CheckLayerName(map.layers_, layerName, name, atLine);
    map.layers_.push_back({layerName, {}});
    map.layers_.back().cells.reserve(size_t(map.columns_) * size_t(map.rows_));
    inRows = true;
    rowsInLayer = 0;
    layerLine = atLine;
  };

  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = Trim(all.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty()) continue;

    if (!haveHeader) {
      if (!StartsWithWord(line, "map"))
        Fail(name, lineNo, "最初の行は「map 列数 行数 タイルの幅 タイルの高さ」です");
      std::vector<std::string_view> words;
      std::string_view rest = line.substr(3);
      while (true) {
        rest = Trim(rest);
        if (rest.empty()) break;
        size_t sp = rest.find_first_of(" \t");
        words.push_back(rest.substr(0, sp));
        if (sp == std::string_view::npos) break;
        rest = rest.substr(sp);
      }
      if (words.size() != 4)
        Fail(name, lineNo, "「map」の後の数が 4 個ではなく " + std::to_string(words.size()) + " 個です");
      int64_t v[4];
      for (int i = 0; i < 4; ++i)
        if (!ParseInt(words[i], v[i])) Fail(name, lineNo, "「" + Shown(words[i]) + "」は数ではありません");
      CheckSize(v[0], kMaxMapSide, "列数", name, lineNo);
      CheckSize(v[1], kMaxMapSide, "行数", name, lineNo);
      CheckSize(v[2], kMaxTileSide, "タイルの幅", name, lineNo);
      CheckSize(v[3], kMaxTileSide, "タイルの高さ", name, lineNo);
      map.columns_ = static_cast<int32_t>(v[0]);
      map.rows_ = static_cast<int32_t>(v[1]);
      map.tileWidth_ = static_cast<int32_t>(v[2]);
      map.tileHeight_ = static_cast<int32_t>(v[3]);
      haveHeader = true;
      continue;
    }

    const char first = line[0];
    if (first == '-' || (first >= '0' && first <= '9')) {
      if (!inRows) startLayer("main", lineNo);
      if (rowsInLayer >= map.rows_)
        Fail(name, lineNo,
             "レイヤー「" + map.layers_.back().name + "」の行が " + std::to_string(map.rows_) + " 行より多くあります");
      std::vector<int32_t> row = ParseList(line, -1, kMaxTileNumber, "タイル番号", name, lineNo);
      if (static_cast<int32_t>(row.size()) != map.columns_)
        Fail(name, lineNo, "数が " + std::to_string(map.columns_) + " 個ではなく " + std::to_string(row.size()) + " 個です");
      std::vector<int32_t>& cells = map.layers_.back().cells;
      cells.insert(cells.end(), row.begin(), row.end());
      ++rowsInLayer;
    } else if (StartsWithWord(line, "layer")) {
      finishLayer(lineNo);
      startLayer(std::string(Trim(line.substr(5))), lineNo);
    } else if (StartsWithWord(line, "sheet") || StartsWithWord(line, "solid")) {
      const bool isSheet = line[1] == 'h';
      if (inRows) Fail(name, lineNo, std::string("「") + (isSheet ? "sheet" : "solid") + "」の行はタイルの行より前に書きます");
      std::string_view rest = Trim(line.substr(5));
      if (isSheet) {
        if (!map.sheet_.empty()) Fail(name, lineNo, "「sheet」の行が二度あります");
        if (rest.empty()) Fail(name, lineNo, "「sheet」の後にファイル名がありません");
        map.sheet_ = std::string(rest);
      } else if (!rest.empty()) {
        for (int32_t t : ParseList(rest, 0, kMaxTileNumber, "タイル番号", name, lineNo)) map.solid_.insert(t);
      }
    } else if (StartsWithWord(line, "map")) {
      Fail(name, lineNo, "「map」の行が二度あります");
    } else {
      size_t sp = line.find_first_of(" \t");
      Fail(name, lineNo,
           "「" + Shown(line.substr(0, sp)) + "」は知らない行です (map, sheet, solid, layer か、タイル番号の行を書きます)");
    }
  }
  if (!haveHeader) Fail(name, 0, "「map」の行がありません (空のファイルです)");
  if (!inRows) Fail(name, lineNo, "タイルの行がありません");
  finishLayer(lineNo);
  return map;
}

TTileMap TTileMap::Load(const std::string& path) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, kMaxMapFileBytes, bytes);
  if (status == TReadStatus::kMissing) Fail(path, 0, "ファイルがありません");
  if (status == TReadStatus::kTooLarge) Fail(path, 0, "ファイルが大きすぎます");
  if (status != TReadStatus::kOk) Fail(path, 0, "ファイルを読めません");
  return FromText(bytes, path);
}

bool TTileMap::Save(const std::string& path) const { return WriteFileAtomic(path, ToText()); }

bool TTileMap::operator==(const TTileMap& o) const {
  if (columns_ != o.columns_ || rows_ != o.rows_ || tileWidth_ != o.tileWidth_ || tileHeight_ != o.tileHeight_) return false;
  if (solid_ != o.solid_ || sheet_ != o.sheet_ || layers_.size() != o.layers_.size()) return false;
  for (size_t i = 0; i < layers_.size(); ++i)
    if (layers_[i].name != o.layers_[i].name || layers_[i].cells != o.layers_[i].cells) return false;
  return true;
}

}  // namespace ruvel
