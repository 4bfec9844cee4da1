#include "tilemap/tiled_import.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/regular_file.h"

namespace ruvel {

namespace {

// Tiled's files are small beside the map files they become.
constexpr size_t kMaxTiledFileBytes = size_t(256) << 20;
// Groups of layers nest; deeper nesting than this is refused.
constexpr int kMaxGroupDepth = 32;
// The high bits of a global tile id: horizontal, vertical and diagonal flips
// and the hexagonal turn.
constexpr int64_t kTiledFlagBits = 0xF0000000LL;

[[noreturn]] void Fail(const std::string& name, int32_t line, const std::string& what) {
  std::string where = line > 0 ? name + " の " + std::to_string(line) + " 行目: " : name + ": ";
  throw TMapError(where + what, line);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The map being built: sizes checked once, then layers filled one by one.
class TImport {
 public:
  explicit TImport(const std::string& name) : name_(name) {}

  void Begin(int64_t columns, int64_t rows, int64_t tw, int64_t th, int32_t line) {
    Check(columns, kMaxMapSide, "列数", line);
    Check(rows, kMaxMapSide, "行数", line);
    Check(tw, kMaxTileSide, "タイルの幅", line);
    Check(th, kMaxTileSide, "タイルの高さ", line);
    map_ = TTileMap(static_cast<int32_t>(columns), static_cast<int32_t>(rows), static_cast<int32_t>(tw),
                    static_cast<int32_t>(th));
  }

  void SetFirstGid(int64_t firstGid) { firstGid_ = firstGid; }

  // Starts a tile layer; its size must be the map's.
  void Layer(std::string layerName, int64_t columns, int64_t rows, int32_t line) {
    if (columns != map_.Columns() || rows != map_.Rows())
      Fail(name_, line, "レイヤー「" + layerName + "」の大きさがマップと違います");
    // A map file keeps the name on one line without surrounding blanks.
    for (char& c : layerName)
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    layerName.erase(0, layerName.find_first_not_of(' '));
    layerName.erase(layerName.find_last_not_of(' ') + 1);
    if (layerName.empty()) layerName = "layer" + std::to_string(layerCount_ + 1);
    if (!names_.insert(layerName).second) Fail(name_, line, "レイヤー名「" + layerName + "」が二度あります");
    if (layerCount_ >= kMaxMapLayers) Fail(name_, line, "レイヤーが " + std::to_string(kMaxMapLayers) + " 個を超えます");
    if (layerCount_ == 0)
      map_.RenameLayer(0, layerName);
    else
      map_.AddLayer(layerName);
    ++layerCount_;
    cell_ = 0;
    layerName_ = layerName;
  }

  // The next cell of the current layer, from its global tile id.
  void Cell(int64_t gid, int32_t line) {
    const int64_t total = int64_t(map_.Columns()) * map_.Rows();
    if (cell_ >= total) Fail(name_, line, "レイヤー「" + layerName_ + "」のタイルが " + std::to_string(total) + " 個より多くあります");
    if (gid < 0 || gid > 0xFFFFFFFFLL) Fail(name_, line, "タイル番号 " + std::to_string(gid) + " は正しくありません");
    if (gid & kTiledFlagBits) Fail(name_, line, "反転・回転したタイルは読めません (Tiled で向きを戻してください)");
    int32_t tile = -1;
    if (gid != 0) {
      if (gid < firstGid_ || gid - firstGid_ > kMaxTileNumber)
        Fail(name_, line, "タイル番号 " + std::to_string(gid) + " がタイルセットの範囲にありません");
      tile = static_cast<int32_t>(gid - firstGid_);
    }
    map_.SetIn(layerCount_ - 1, static_cast<int32_t>(cell_ % map_.Columns()), static_cast<int32_t>(cell_ / map_.Columns()),
               tile);
    ++cell_;
  }

  void EndLayer(int32_t line) {
    const int64_t total = int64_t(map_.Columns()) * map_.Rows();
    if (cell_ != total)
      Fail(name_, line,
           "レイヤー「" + layerName_ + "」のタイルが " + std::to_string(total) + " 個ではなく " + std::to_string(cell_) + " 個です");
  }

  TTileMap Finish() {
    if (layerCount_ == 0) Fail(name_, 0, "タイルのレイヤーがありません");
    map_.SelectLayer(0);
    return map_;
  }

  const std::string& Name() const { return name_; }

 private:
  void Check(int64_t v, int64_t high, const char* what, int32_t line) {
    if (v < 1 || v > high)
      Fail(name_, line, std::string(what) + " " + std::to_string(v) + " は 1 から " + std::to_string(high) + " の範囲にありません");
  }

  std::string name_;
  TTileMap map_;
  int64_t firstGid_ = 1;
  int32_t layerCount_ = 0;
  int64_t cell_ = 0;
  std::string layerName_;
  std::set<std::string> names_;
};

// ---- JSON (.tmj) ----

int64_t JsonInt(const nlohmann::json& object, const char* key, const std::string& name) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer())
    Fail(name, 0, std::string("「") + key + "」の整数がありません");
  return it->get<int64_t>();
}

void CheckEncodingJson(const nlohmann::json& layer, const std::string& name) {
  auto enc = layer.find("encoding");
  if (enc != layer.end() && !(enc->is_string() && enc->get<std::string>() == "csv"))
    Fail(name, 0, "base64 などで書かれたレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
  auto compression = layer.find("compression");
  if (compression != layer.end() && !(compression->is_string() && compression->get<std::string>().empty()))
    Fail(name, 0, "圧縮されたレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
}

void JsonLayers(const nlohmann::json& layers, TImport& import, int depth) {
  const std::string& name = import.Name();
  if (!layers.is_array()) Fail(name, 0, "「layers」が配列ではありません");
  if (depth > kMaxGroupDepth) Fail(name, 0, "レイヤーのグループが深すぎます");
  for (const nlohmann::json& layer : layers) {
    if (!layer.is_object()) Fail(name, 0, "レイヤーがオブジェクトではありません");
    auto type = layer.find("type");
    if (type == layer.end() || !type->is_string()) Fail(name, 0, "レイヤーに「type」がありません");
    if (*type == "group") {
      if (layer.contains("layers")) JsonLayers(layer.at("layers"), import, depth + 1);
      continue;
    }
    if (*type != "tilelayer") continue;  // object and image layers carry no tiles
    if (layer.contains("chunks")) Fail(name, 0, "無限マップは読めません (Tiled で無限の設定を外してください)");
    CheckEncodingJson(layer, name);
    std::string layerName;
    if (layer.contains("name") && layer.at("name").is_string()) layerName = layer.at("name").get<std::string>();
    const int64_t width = JsonInt(layer, "width", name);
    import.Layer(layerName, width, JsonInt(layer, "height", name), 0);
    auto data = layer.find("data");
    if (data == layer.end() || !data->is_array()) Fail(name, 0, "レイヤー「" + layerName + "」に「data」の配列がありません");
    for (const nlohmann::json& v : *data) {
      if (!v.is_number_integer()) Fail(name, 0, "レイヤー「" + layerName + "」に整数でないタイル番号があります");
      import.Cell(v.get<int64_t>(), 0);
    }
    import.EndLayer(0);
  }
}

TTileMap ImportJsonDocument(const nlohmann::json& doc, const std::string& name);

TTileMap ImportJson(const std::string& text, const std::string& name) {
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    size_t upto = std::min(text.size(), e.byte > 0 ? size_t(e.byte - 1) : size_t(0));
    int32_t line = 1 + static_cast<int32_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(upto), '\n'));
    Fail(name, line, "JSON として読めません");
  } catch (const nlohmann::json::exception&) {
    // A number too large for any type (1e99999) is refused while parsing
    // with an out_of_range, not a parse_error.
    Fail(name, 0, "JSON として読めません");
  }
  try {
    return ImportJsonDocument(doc, name);
  } catch (const nlohmann::json::exception&) {
    Fail(name, 0, "Tiled のマップとして読めません");
  }
}

TTileMap ImportJsonDocument(const nlohmann::json& doc, const std::string& name) {
  if (!doc.is_object()) Fail(name, 0, "Tiled のマップではありません");
  auto infinite = doc.find("infinite");
  if (infinite != doc.end() && infinite->is_boolean() && infinite->get<bool>())
    Fail(name, 0, "無限マップは読めません (Tiled で無限の設定を外してください)");
  if (doc.contains("orientation") && doc.at("orientation") != "orthogonal")
    Fail(name, 0, "直交 (orthogonal) でないマップは読めません");
  TImport import(name);
  const int64_t width = JsonInt(doc, "width", name);
  const int64_t height = JsonInt(doc, "height", name);
  const int64_t tileWidth = JsonInt(doc, "tilewidth", name);
  import.Begin(width, height, tileWidth, JsonInt(doc, "tileheight", name), 0);
  auto tilesets = doc.find("tilesets");
  if (tilesets != doc.end() && tilesets->is_array() && !tilesets->empty() && (*tilesets)[0].is_object())
    import.SetFirstGid(JsonInt((*tilesets)[0], "firstgid", name));
  if (!doc.contains("layers")) Fail(name, 0, "「layers」がありません");
  JsonLayers(doc.at("layers"), import, 0);
  return import.Finish();
}

// ---- XML (.tmx) ----

int64_t XmlInt(const tinyxml2::XMLElement* e, const char* attr, const std::string& name) {
  int64_t v = 0;
  if (e->QueryInt64Attribute(attr, &v) != tinyxml2::XML_SUCCESS)
    Fail(name, e->GetLineNum(), std::string("<") + e->Name() + "> の「" + attr + "」の整数がありません");
  return v;
}

void XmlLayerData(const tinyxml2::XMLElement* data, TImport& import) {
  const std::string& name = import.Name();
  const char* encoding = data->Attribute("encoding");
  if (!encoding || std::string(encoding) != "csv")
    Fail(name, data->GetLineNum(), "CSV でないレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
  if (data->Attribute("compression")) Fail(name, data->GetLineNum(), "圧縮されたレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
  if (data->FirstChildElement("chunk")) Fail(name, data->GetLineNum(), "無限マップは読めません (Tiled で無限の設定を外してください)");
  const char* text = data->GetText();
  std::string_view csv = text ? text : "";
  int32_t line = data->GetLineNum();
  size_t pos = 0;
  while (pos <= csv.size()) {
    size_t comma = csv.find(',', pos);
    if (comma == std::string_view::npos) comma = csv.size();
    std::string_view token = csv.substr(pos, comma - pos);
    int32_t tokenLine = line;
    size_t b = 0;
    while (b < token.size() && (token[b] == ' ' || token[b] == '\t' || token[b] == '\r' || token[b] == '\n')) {
      if (token[b] == '\n') ++tokenLine;
      ++b;
    }
    size_t e = token.size();
    while (e > b && (token[e - 1] == ' ' || token[e - 1] == '\t' || token[e - 1] == '\r' || token[e - 1] == '\n')) --e;
    std::string_view number = token.substr(b, e - b);
    line += static_cast<int32_t>(std::count(token.begin(), token.end(), '\n'));
    if (number.empty()) {
      if (comma == csv.size()) break;  // blanks after the last number (a missing one is counted later)
      Fail(name, tokenLine, "タイル番号がありません");
    }
    int64_t gid = 0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), gid);
    if (ec != std::errc() || ptr != number.data() + number.size())
      Fail(name, tokenLine, "「" + std::string(number.substr(0, 24)) + "」は数ではありません");
    import.Cell(gid, tokenLine);
    pos = comma + 1;
  }
}

void XmlLayers(const tinyxml2::XMLElement* parent, TImport& import, int depth) {
  const std::string& name = import.Name();
  if (depth > kMaxGroupDepth) Fail(name, parent->GetLineNum(), "レイヤーのグループが深すぎます");
  for (const tinyxml2::XMLElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement()) {
    std::string kind = e->Name();
    if (kind == "group") {
      XmlLayers(e, import, depth + 1);
    } else if (kind == "layer") {
      const char* layerName = e->Attribute("name");
      const int64_t width = XmlInt(e, "width", name);
      import.Layer(layerName ? layerName : "", width, XmlInt(e, "height", name), e->GetLineNum());
      const tinyxml2::XMLElement* data = e->FirstChildElement("data");
      if (!data) Fail(name, e->GetLineNum(), "レイヤーに <data> がありません");
      XmlLayerData(data, import);
      import.EndLayer(data->GetLineNum());
    }
  }
}

TTileMap ImportXml(const std::string& text, const std::string& name) {
  tinyxml2::XMLDocument doc;
  if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
    Fail(name, doc.ErrorLineNum(), "XML として読めません");
  const tinyxml2::XMLElement* root = doc.RootElement();
  if (!root || std::string(root->Name()) != "map") Fail(name, root ? root->GetLineNum() : 0, "<map> がありません");
  if (root->IntAttribute("infinite", 0) != 0)
    Fail(name, root->GetLineNum(), "無限マップは読めません (Tiled で無限の設定を外してください)");
  const char* orientation = root->Attribute("orientation");
  if (orientation && std::string(orientation) != "orthogonal")
    Fail(name, root->GetLineNum(), "直交 (orthogonal) でないマップは読めません");
  TImport import(name);
  const int64_t width = XmlInt(root, "width", name);
  const int64_t height = XmlInt(root, "height", name);
  const int64_t tileWidth = XmlInt(root, "tilewidth", name);
  import.Begin(width, height, tileWidth, XmlInt(root, "tileheight", name), root->GetLineNum());
  if (const tinyxml2::XMLElement* tileset = root->FirstChildElement("tileset"))
    import.SetFirstGid(XmlInt(tileset, "firstgid", name));
  XmlLayers(root, import, 0);
  return import.Finish();
}

}  // namespace

bool IsTiledMapName(const std::string& path) {
  std::string lower = Lower(path);
  auto endsWith = [&](const char* ext) { return lower.size() > 4 && lower.compare(lower.size() - 4, 4, ext) == 0; };
  return endsWith(".tmj") || endsWith(".tmx");
}

TTileMap ImportTiledText(const std::string& text, const std::string& name) {
  if (!IsTiledMapName(name)) Fail(name, 0, "Tiled のマップ (.tmj か .tmx) ではありません");
  std::string lower = Lower(name);
  if (lower.compare(lower.size() - 4, 4, ".tmj") == 0) return ImportJson(text, name);
  return ImportXml(text, name);
}

TTileMap ImportTiledMap(const std::string& path) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, kMaxTiledFileBytes, bytes);
  if (status == TReadStatus::kMissing) Fail(path, 0, "ファイルがありません");
  if (status == TReadStatus::kTooLarge) Fail(path, 0, "ファイルが大きすぎます");
  if (status != TReadStatus::kOk) Fail(path, 0, "ファイルを読めません");
  return ImportTiledText(bytes, path);
}

}  // namespace ruvel
