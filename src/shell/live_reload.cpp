#include "shell/live_reload.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "compiler/hot_swap.h"
#include "platform/regular_file.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "screen/patterns.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "screen/host_state.h"
#include "screen/tilemap_natives.h"
#include "sound/sound_manager.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Extension(const std::string& path) {
  std::string name = PathFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : Lower(name.substr(dot));
}

// Folders whose files the program or the game writes: class and page
// caches, captures, the scripts' own files, and hidden folders.
bool SkipFolder(const std::string& name) {
  std::string n = Lower(name);
  return n.empty() || n[0] == '.' || n == "temp" || n == "captures" || n == "files";
}

uint64_t HashOf(const std::string& bytes) { return std::hash<std::string>{}(bytes) ^ (bytes.size() * 0x9e3779b97f4a7c15ull); }

bool ReadWhole(const std::string& path, std::string& bytes) {
  return ReadRegularFile(path, kMaxSourceFileBytes, bytes) == TReadStatus::kOk;
}

// The classes of the tree whose source is path: the compiled ones, and
// whether one is there without code (its file was missing or did not
// compile when the page was loaded).
class TClassesOfSource : public TResourceIterator {
 public:
  explicit TClassesOfSource(const std::string& path) : path_(path) {}
  void Visit(TResource* node) override {
    auto* cls = dynamic_cast<TRTTI*>(node);
    if (!cls || cls->sourcePath.empty() || !PathSame(cls->sourcePath, path_)) return;
    if (cls->Compiled) found.push_back(cls);
    else broken = true;
  }
  std::vector<TRTTI*> found;
  bool broken = false;

 private:
  const std::string& path_;
};

}  // namespace

TLiveReload::TLiveReload() {
  SetAtomicWriteObserver([this](const std::string& path, const std::string& data) {
    if (Watched(path)) ownWrites_[PathToPosix(path)] = HashOf(data);
  });
}

TLiveReload::~TLiveReload() { SetAtomicWriteObserver(nullptr); }

bool TLiveReload::Watched(const std::string& path) {
  static const char* const kExtensions[] = {".ruvel", ".cmml", ".ruvelprj", ".ruvelres", ".bmp", ".png",
                                            ".wav",   ".mlv",  ".mml",      ".mid",      ".midi",
                                            ".map"};
  std::string name = PathFileName(path);
  if (name.empty() || name[0] == '.') return false;  // editors' and saves' temporary files
  std::string ext = Extension(name);
  return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* e) { return ext == e; });
}

void TLiveReload::Tell(const std::string& utf8) {
  LogLine(Utf8ToCp932(utf8));
  if (tell) tell(Utf8ToCp932(utf8));
}

void TLiveReload::Follow(const std::string& dir) {
  if (dir.empty()) return;
  if (watcher_.Watching() && PathSame(watcher_.Root(), dir)) return;
  pending_.clear();
  reloadHeld_ = false;
  std::string error;
  if (!watcher_.Watch(dir, SkipFolder, error)) {
    Tell("ファイルの変更を監視できません: " + error);
    return;
  }
  LogLine("Watching " + dir);
}

bool TLiveReload::OwnWrite(const std::string& path) {
  auto own = ownWrites_.find(PathToPosix(path));
  if (own == ownWrites_.end()) return false;
  std::string bytes;
  bool same = ReadWhole(path, bytes) && HashOf(bytes) == own->second;
  ownWrites_.erase(own);
  return same;
}

void TLiveReload::KeepSpareMembers(bool enabled) { VM().spareMemberSlots = enabled ? kSpareMemberSlots : 0; }

void TLiveReload::BetweenFrames(bool enabled, double nowMs) {
  KeepSpareMembers(enabled);
  if (!enabled) {
    watcher_.Stop();
    pending_.clear();
    return;
  }
  Follow(PageState().currentDir);
  for (std::string& path : watcher_.Poll()) {
    if (!Watched(path) || OwnWrite(path)) continue;
    if (std::find(pending_.begin(), pending_.end(), path) == pending_.end()) pending_.push_back(path);
    lastEventMs_ = nowMs;
  }
  if (pending_.empty() || nowMs - lastEventMs_ < kSettleMs) return;
  Apply();
}

void TLiveReload::Apply() {
  std::vector<std::string> changed;
  changed.swap(pending_);
  bool reload = reloadHeld_;
  bool failed = false;
  std::vector<std::string> swapped;
  std::vector<std::string> updated;  // "Class: n 個のオブジェクトを更新しました"
  std::vector<std::string> sheets;   // listed pattern sheets: re-cut in place
  for (const std::string& path : changed) {
    LogLine("Changed " + path);
    if (Extension(path) == ".map") {
      // Tile maps read their file again in place; the page goes on.
      std::string error;
      int maps = ReloadTileMapFile(path, error);
      if (!error.empty()) Tell(error + " (前のマップのまま続けます)");
      else if (maps > 0) Tell("マップを読み直しました: " + PathFileName(path));
      continue;
    }
    if ((Extension(path) == ".mml" || Extension(path) == ".mlv") && SoundManager().RestartMusic(path)) {
      // The music playing as BGM starts again from the saved file; the
      // page goes on.
      ++musicRestarts;
      Tell("曲を再生し直しました: " + PathFileName(path));
      continue;
    }
    if ((Extension(path) == ".bmp" || Extension(path) == ".png") && PathExists(path) && SheetIsListed(path)) {
      sheets.push_back(PathFileName(path));
      continue;
    }
    if (Extension(path) != ".ruvel") {
      reload = true;
      continue;
    }
    TClassesOfSource classes(path);
    if (VM().root) VM().root->Accept(classes);
    // A class of the page left without code comes back with a reload once
    // its file is there again; a class that is not loaded is compiled when
    // a page needs it.
    if (classes.broken && classes.found.empty() && PathExists(path)) reload = true;
    if (classes.found.empty()) continue;
    std::string text;
    if (!ReadClassSource(path, text)) {
      reload = true;  // removed: the page shows what is missing
      continue;
    }
    for (TRTTI* cls : classes.found) {
      THotSwapOutcome outcome;
      switch (HotSwapClass(*cls, text, outcome)) {
        case HotSwapResult::kSwapped:
          swapped.push_back(PathFileName(path));
          if (outcome.objects > 0) {
            updated.push_back(cls->name + ": " + std::to_string(outcome.objects) + " 個のオブジェクトを更新しました");
          }
          break;
        case HotSwapResult::kIncompatible:
          LogLine("Reload " + cls->name + ": " + outcome.why);
          reload = true;
          break;
        case HotSwapResult::kCompileError:
          failed = true;
          Tell("コンパイルエラーのため前のコードで実行を続けます: " + PathFileName(path));
          break;
      }
    }
  }
  if (failed) {
    // The old code keeps running; what needs a reload waits for a good save.
    reloadHeld_ = reload;
    return;
  }
  reloadHeld_ = false;
  if (reload) {
    ReloadPage();
    return;
  }
  if (!sheets.empty()) ReloadSheets(sheets);
  if (!swapped.empty()) {
    ++swaps;
    std::string names;
    for (const std::string& n : swapped) names += (names.empty() ? "" : ", ") + n;
    // Objects that restart a method or changed members are counted; a
    // swap that only changes what later calls run names the files.
    std::string said;
    for (const std::string& u : updated) said += (said.empty() ? "" : "、") + u;
    Tell(said.empty() ? "更新しました: " + names : said);
  }
}

// The changed sheets are cut again from the cache and the pattern list is
// built anew, so sprites draw the new pixels without the page starting over.
void TLiveReload::ReloadSheets(const std::vector<std::string>& names) {
  try {
    ReloadPagePatterns();
  } catch (const std::exception& e) {
    LogLine(e.what());
    ReloadPage();
    return;
  }
  ++sheetReloads;
  std::string said;
  for (const std::string& n : names) said += (said.empty() ? "" : ", ") + n;
  Tell("パターンを更新しました: " + said);
}

void TLiveReload::ReloadPage() {
  std::string page = PageState().currentFile;
  if (page.empty()) return;
  if (HostState().designMode && unsavedDesign && unsavedDesign()) {
    Tell("保存していない配置があるため再読み込みしません");
    return;
  }
  bool design = HostState().designMode;
  TPrjManager& prj = PrjManager();
  // The project is read again, so that every changed class is compiled
  // afresh and every sheet and sound is loaded again.
  if (!prj.projectFile.empty()) prj.LoadProject(prj.projectFile);
  prj.RequestPage(page, design);
  prj.PerformPendingPage();
  ++pageReloads;
  Tell("再読み込みしました: " + PathFileName(page));
}

}  // namespace ruvel
