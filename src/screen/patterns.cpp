#include "screen/patterns.h"

#include <optional>
#include <set>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "screen/main_screen.h"
#include "screen/script_globals.h"

namespace ruvel {

namespace {

struct TPatternState {
  TPatCache cache;
  TPatternList list;
  int32_t kernelCount = 0;
  TSheetPatternSource source;
  SDL_Renderer* rendererOverride = nullptr;
  std::set<size_t> reportedSheets;  // sheet indexes above 200 already shown
  std::string lastPage;             // the page file of the last page load
};

TPatternState& State() {
  // Never destroyed: sheets hold textures of a renderer that is gone at exit.
  static TPatternState* state = new TPatternState();
  return *state;
}

void RefillSound() {
  TScreen* screen = MainScreen();
  if (screen && screen->refillSound) screen->refillSound();
}

// The sheet for a file, or none after reporting why it cannot be used.
std::shared_ptr<TPatRects> SheetOrReport(const std::string& file) {
  std::optional<std::string> found = file.empty() ? std::nullopt : PathFindNoCase(file);
  if (!found) {
    ShowMessage(file + J("というキャラクタパターンのファイルはありません"));
    return nullptr;
  }
  std::string error;
  bool known = false;
  auto sheet = State().cache.Cut(*found, error, &known);
  // A file that already failed in this load was reported then.
  if (!sheet && !known) ShowMessage(*found + J("というキャラクタパターンのファイルを読み込めません: ") + error);
  return sheet;
}

}  // namespace

SDL_Renderer* PatternRenderer() {
  if (State().rendererOverride) return State().rendererOverride;
  TScreen* screen = MainScreen();
  return screen ? screen->Renderer() : nullptr;
}

SDL_Renderer* SetPatternRenderer(SDL_Renderer* renderer) {
  SDL_Renderer* old = State().rendererOverride;
  State().rendererOverride = renderer;
  return old;
}

bool TSheetPatternSource::Find(int32_t n, TPatternView& view) {
  TPatRects* sheet = nullptr;
  int32_t index = 0;
  if (!LookupPattern(n, sheet, index)) return false;
  view.texture = sheet->Texture(PatternRenderer());
  view.imageWidth = sheet->Width();
  view.imageHeight = sheet->Height();
  view.rect = sheet->Elems()[size_t(index)].rect;
  view.opaque = sheet->Opaque(index);
  return true;
}

void InstallPatterns() {
  TPatternState& s = State();
  s.cache.refill = RefillSound;
  TPatternHooks& hooks = PatternHooks();
  hooks.prepare = RegisterPattern;
  hooks.released = [](TCPat& pat) { State().list.Disown(&pat); };
  hooks.startupStep = PrepareStartupPatterns;
  if (!CurrentPatternSource()) SetPatternSource(&s.source);
}

TPatternList& PatternList() { return State().list; }
TPatCache& PatternCache() { return State().cache; }

int32_t PatternCount() { return State().list.Count(); }
int32_t KernelPatternCount() { return State().kernelCount; }
void RecordKernelPatternCount() { State().kernelCount = PatternCount(); }

bool LookupPattern(int32_t n, TPatRects*& sheet, int32_t& elemIndex) {
  TPatternState& s = State();
  size_t sheetIndex = 0;
  if (!s.list.Find(n, sheetIndex, elemIndex)) return false;
  // So many sheets point at a runaway registration; said once per sheet
  // rather than on every draw.
  if (sheetIndex > 200 && s.reportedSheets.insert(sheetIndex).second) {
    ShowMessage(std::to_string(sheetIndex) + "??");
  }
  sheet = s.list.At(sheetIndex).sheet.get();
  return true;
}

bool PatternSize(int32_t n, int32_t& width, int32_t& height) {
  TPatRects* sheet = nullptr;
  int32_t index = 0;
  width = 0;
  height = 0;
  if (!LookupPattern(n, sheet, index)) return false;
  const TRect& r = sheet->Elems()[size_t(index)].rect;
  width = r.Width();
  height = r.Height();
  return true;
}

void TruncatePatterns(int32_t n) { State().list.Truncate(n); }

std::string MissingSheetPath() { return PathLocate(ProgramDir() + "/Kernel/images/404.bmp"); }

void RegisterPattern(TCPat& pat, TInitContext& ctx) {
  TPatternList& list = State().list;
  ++ctx.Done;
  ptrdiff_t listed = list.IndexOfOwner(&pat);
  if (listed >= 0) {
    SetGlobalInt(pat.name, list.FirstNumber(size_t(listed)));
    return;
  }
  SetGlobalInt(pat.name, list.Count());
  std::shared_ptr<TPatRects> sheet = SheetOrReport(pat.sourcePath);
  if (!sheet) sheet = SheetOrReport(MissingSheetPath());
  // Even without the 404 sheet the resource keeps its place in the list.
  list.Append(sheet, &pat);
}

void RebuildAllPatterns() {
  TResourceList* kernel = FindList("patterns");
  TResourceList* page = FindList("usr.patterns");
  if (!kernel || !page) return;
  TruncatePatterns(0);
  kernel->Initialize();
  page->Initialize();
}

void PrepareStartupPatterns() {
  RecordKernelPatternCount();
  RebuildAllPatterns();
}

void LoadPagePatterns() {
  // Another page tries its files anew; the same page loaded again (opening
  // a page loads it twice) does not read or report a bad file again.
  TResource* usr = FindResource("usr");
  std::string page = usr ? usr->sourcePath : std::string();
  if (page != State().lastPage) State().cache.ForgetFailures();
  State().lastPage = page;
  TruncatePatterns(KernelPatternCount());
  if (TResourceList* page = FindList("usr.patterns")) page->Initialize();
  RebuildAllPatterns();
}

void ReleasePatternTextures() {
  TPatternState& s = State();
  s.cache.ReleaseTextures();
  for (size_t i = 0; i < s.list.SheetCount(); ++i) s.list.At(i).sheet->ReleaseTexture();
}

void ResetPatterns() {
  TPatternState& s = State();
  ReleasePatternTextures();
  s.list.Clear();
  s.cache.Clear();
  s.kernelCount = 0;
  s.reportedSheets.clear();
  s.lastPage.clear();
}

}  // namespace ruvel
