// Natives of "TileMap": a host object per script TileMap owns its map
// (shared with the sprites that draw it), the pattern of tile 0 and the
// file it was loaded from.
#include "screen/tilemap_natives.h"

#include <memory>
#include <set>
#include <string>

#include "natives/natives_args.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/pattern_sheet.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "screen/tile_map_sprite.h"
#include "runtime/alias.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

class TTileMapHost;

std::set<TTileMapHost*>& LiveMaps() {
  static std::set<TTileMapHost*> maps;
  return maps;
}

class TTileMapHost : public TObject {
 public:
  TTileMapHost() { LiveMaps().insert(this); }
  ~TTileMapHost() override { LiveMaps().erase(this); }
  TTileMapHost(const TTileMapHost&) = delete;
  TTileMapHost& operator=(const TTileMapHost&) = delete;
  const char* TypeName() const override { return "TTileMap"; }

  // Replaced whole by load() and create(), so a sprite drawing the old map
  // keeps it; set() changes it in place.
  std::shared_ptr<TTileMap> map = std::make_shared<TTileMap>();
  int32_t firstPattern = 0;
  bool patternSet = false;  // setPattern or create chose the sheet
  std::string file;         // where load() read the map, for live reload
  std::string shownName;    // the file's name as the script gave it (UTF-8)
  // The map and first pattern last checked against the sheet.
  const TTileMap* checkedMap = nullptr;
  int32_t checkedFirst = 0;
};

// A map file a script names: an absolute path, or one relative to the
// page's folder, then to the program's folder (letter case ignored).
std::string LocateMapFile(const std::string& name) {
  std::string p = PathToPosix(name);
  if (p.empty()) return std::string();
  if (PathIsAbsolute(p)) return PathFindNoCase(p).value_or(std::string());
  for (const std::string& base : {PageDir(), ProgramDir()}) {
    if (base.empty()) continue;
    if (auto found = PathFindNoCase(PathResolve(p, base))) return *found;
  }
  return PathFindNoCase(p).value_or(std::string());
}

// Where save() writes: beside the page unless the name is absolute.
std::string SaveMapPath(const std::string& name) {
  std::string p = PathToPosix(name);
  if (p.empty() || PathIsAbsolute(p) || PageDir().empty()) return p;
  return PathResolve(p, PageDir());
}

// Reads a map file; the messages name the file as the script gave it.
TTileMap ReadMapFile(const std::string& path, const std::string& shownName) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, size_t(512) << 20, bytes);
  if (status != TReadStatus::kOk) throw TMapError(shownName + ": ファイルを読めません", 0);
  return TTileMap::FromText(bytes, shownName);
}

void Tell(const std::string& utf8) { ShowMessage(Utf8ToCp932(utf8)); }

// The line of a map file's text that holds row `row` of layer `layer`; 0
// when there is none.
int32_t LineOfRow(const std::string& text, int32_t layer, int32_t row) {
  int32_t lineNo = 0;
  int32_t current = -1;
  int32_t rowsSeen = 0;
  bool header = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    size_t b = text.find_first_not_of(" \t\r", pos);
    const char first = b < end ? text[b] : '\0';
    pos = end + 1;
    ++lineNo;
    if (first == '\0') continue;
    if (!header) {
      header = true;
      continue;
    }
    if (first == '-' || (first >= '0' && first <= '9')) {
      if (current < 0) current = 0;
      if (current == layer && rowsSeen == row) return lineNo;
      ++rowsSeen;
    } else if (text.compare(b, 5, "layer") == 0) {
      ++current;
      rowsSeen = 0;
    }
  }
  return 0;
}

// Tile numbers the chosen sheet has no pattern for draw nothing, or a
// pattern of the next sheet: said once per map and first pattern, naming
// the file and line of the first such tile.
void CheckTilesInSheet(TTileMapHost& h) {
  if (!h.patternSet || h.map->Empty()) return;
  if (h.checkedMap == h.map.get() && h.checkedFirst == h.firstPattern) return;
  h.checkedMap = h.map.get();
  h.checkedFirst = h.firstPattern;
  TPatRects* sheet = nullptr;
  int32_t index = 0;
  if (!LookupPattern(h.firstPattern, sheet, index) || !sheet) return;
  const int32_t count = sheet->Count() - index;
  const std::vector<TMapLayer>& layers = h.map->Layers();
  for (size_t l = 0; l < layers.size(); ++l) {
    const std::vector<int32_t>& cells = layers[l].cells;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i] < count) continue;
      const int32_t row = static_cast<int32_t>(i / size_t(h.map->Columns()));
      std::string bytes;
      int32_t line = 0;
      if (!h.file.empty() && ReadRegularFile(h.file, size_t(512) << 20, bytes) == TReadStatus::kOk)
        line = LineOfRow(bytes, static_cast<int32_t>(l), row);
      std::string where = h.shownName.empty() ? std::string("TileMap") : h.shownName;
      if (line > 0) where += " の " + std::to_string(line) + " 行目";
      Tell(where + ": タイル番号 " + std::to_string(cells[i]) + " のパターンがシートにありません (このシートのタイルは 0 から " +
           std::to_string(count - 1) + " まで)");
      return;
    }
  }
}

TTileMapHost* MapArg(const TNativeArgs& a) { return a.Host<TTileMapHost>(1); }

void MapNew(Value* self, int32_t argc, int32_t) { TNativeArgs(self, argc).ReturnHost(new TTileMapHost()); }

void MapFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  delete MapArg(a);
}

// _n_load(map, file): 1, or 0 with a message naming the file and line (the
// map is then unchanged).
void MapLoad(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  if (!h || !a.Has(2)) return;
  const std::string name = Cp932ToUtf8(a.Text(2));
  std::string path = LocateMapFile(a.Text(2));
  if (path.empty()) {
    Tell(name + ": ファイルがありません");
    a.ReturnInt(0);
    return;
  }
  try {
    h->map = std::make_shared<TTileMap>(ReadMapFile(path, name));
    h->file = path;
    h->shownName = name;
    CheckTilesInSheet(*h);
    a.ReturnInt(1);
  } catch (const TMapError& e) {
    Tell(e.what());
    a.ReturnInt(0);
  }
}

// _n_create(map, columns, rows, tileWidth, tileHeight, firstPattern): an
// empty map (every cell -1); 0 with a message for sizes past the limits.
void MapCreate(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  if (!h || !a.Has(5)) return;
  try {
    h->map = std::make_shared<TTileMap>(a.Int(2), a.Int(3), a.Int(4), a.Int(5));
    h->firstPattern = a.Has(6) ? a.Int(6) : 0;
    h->patternSet = true;
    h->file.clear();
    h->shownName.clear();
    a.ReturnInt(1);
  } catch (const TMapError& e) {
    Tell(e.what());
    a.ReturnInt(0);
  }
}

void MapSetPattern(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  if (!h || !a.Has(2)) return;
  h->firstPattern = a.Int(2);
  h->patternSet = true;
  CheckTilesInSheet(*h);
}

void MapGet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a); h && a.Has(3)) a.ReturnInt(h->map->Get(a.Int(2), a.Int(3)));
}

void MapSet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a); h && a.Has(4)) a.ReturnInt(h->map->Set(a.Int(2), a.Int(3), a.Int(4)) ? 1 : 0);
}

void MapColumns(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a)) a.ReturnInt(h->map->Columns());
}

void MapRows(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a)) a.ReturnInt(h->map->Rows());
}

void MapTileWidth(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a)) a.ReturnInt(h->map->TileWidth());
}

void MapTileHeight(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a)) a.ReturnInt(h->map->TileHeight());
}

// _n_save(map, file): 1 when the whole file was written (atomically), else
// 0 with a message; an empty map is not saved.
void MapSave(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  if (!h || !a.Has(2)) return;
  const std::string path = SaveMapPath(a.Text(2));
  const bool ok = !h->map->Empty() && !path.empty() && h->map->Save(path);
  if (!ok) Tell(Cp932ToUtf8(a.Text(2)) + ": マップを保存できませんでした");
  a.ReturnInt(ok ? 1 : 0);
}

void MapTileAt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a); h && a.Has(3)) a.ReturnInt(h->map->TileAt(a.Int(2), a.Int(3)));
}

void MapSetSolid(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  if (!h || !a.Has(3)) return;
  const int32_t tile = a.Int(2);
  if (tile >= 0 && tile <= kMaxTileNumber) h->map->SetSolid(tile, ValueIsTrue(a[3]));
}

void MapHits(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a); h && a.Has(5))
    a.ReturnInt(h->map->Hits(a.Int(2), a.Int(3), a.Int(4), a.Int(5)) ? 1 : 0);
}

// _n_layer(map, name): 1 when the layer exists (it is then the current one).
void MapLayer(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TTileMapHost* h = MapArg(a); h && a.Has(2)) a.ReturnInt(h->map->SelectLayer(Cp932ToUtf8(a.Text(2))) ? 1 : 0);
}

// _n_draw(map, depth): records the current layer at depth during the
// drawing frame, moved by the camera unless the TileMap's "hud" is 1.
void MapDraw(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TTileMapHost* h = MapArg(a);
  TScreen* screen = HostState().drawingFrame ? MainScreen() : nullptr;
  if (!h || !screen || h->map->Empty()) return;
  auto s = std::make_unique<TTileMapSprite>();
  const TSpriteShift shift = SpriteShiftFor(a.Receiver());
  s->x = shift.X(0);
  s->y = shift.Y(0);
  s->depth = a.Has(2) ? a.Int(2) : 0;
  s->map = h->map;
  s->layer = h->map->CurrentLayer();
  s->firstPattern = h->firstPattern;
  screen->Sprites().Add(std::move(s));
}

}  // namespace

int ReloadTileMapFile(const std::string& path, std::string& error) {
  int updated = 0;
  std::shared_ptr<TTileMap> fresh;
  for (TTileMapHost* h : LiveMaps()) {
    if (h->file.empty() || !PathSame(h->file, path)) continue;
    if (!fresh) {
      try {
        fresh = std::make_shared<TTileMap>(ReadMapFile(path, PathFileName(path)));
      } catch (const TMapError& e) {
        error = e.what();
        return 0;
      }
    }
    // Each TileMap gets its own copy and keeps the layer it had selected.
    const std::string layer = h->map->Empty() ? std::string() : h->map->Layers()[h->map->CurrentLayer()].name;
    h->map = std::make_shared<TTileMap>(*fresh);
    h->map->SelectLayer(layer);
    ++updated;
  }
  return updated;
}

const std::vector<NativeEntry>& TileMapNatives() {
  static const std::vector<NativeEntry> none;
  static const std::vector<NativeEntry> table = {
      {"TileMap", "_n_new", MapNew},
      {"TileMap", "_n_free", MapFree},
      {"TileMap", "_n_load", MapLoad},
      {"TileMap", "_n_create", MapCreate},
      {"TileMap", "_n_setPattern", MapSetPattern},
      {"TileMap", "_n_get", MapGet},
      {"TileMap", "_n_set", MapSet},
      {"TileMap", "_n_columns", MapColumns},
      {"TileMap", "_n_rows", MapRows},
      {"TileMap", "_n_tileWidth", MapTileWidth},
      {"TileMap", "_n_tileHeight", MapTileHeight},
      {"TileMap", "_n_save", MapSave},
      {"TileMap", "_n_tileAt", MapTileAt},
      {"TileMap", "_n_setSolid", MapSetSolid},
      {"TileMap", "_n_hits", MapHits},
      {"TileMap", "_n_layer", MapLayer},
      {"TileMap", "_n_draw", MapDraw},
  };
  // Asked after the kernel is loaded (the start-up binds natives then).
  TResource* root = VM().root;
  const bool present = (root && dynamic_cast<TRTTI*>(root->Resolve("TileMap"))) || Aliases().Get("TileMap");
  return present ? table : none;
}

}  // namespace ruvel
