// Live reload: while the game runs in --dev or design mode (or when the
// project parameter "live_reload" is "1"), the page's folder is watched.
// Between frames, once the edits have settled, a changed class with the
// same parent that kept its methods (it may add some) is swapped in place
// (compiler/hot_swap.h): objects keep their members, a member added starts
// null in them and a removed one is dropped (in subclasses too), and a
// process that runs a changed method (an object's main() loop) starts that
// method again in the new code at its next suspend(). The status bar
// counts the objects so updated ("Basket: 1 個のオブジェクトを更新しました");
// a swap that only changes what later calls run names the file. Any other
// change (a page, the project, a new parent, a method removed, a sound, an
// image that is not a listed pattern sheet) reloads the project and the
// page as opening it would; a listed sheet is cut again and the pattern
// list rebuilt while the page runs on. A
// compile error is shown once and the old code keeps running; the changes
// it held back are applied with the next good save. A changed map file is
// read again into the TileMaps that loaded it (a bad one is reported and
// they keep their tiles). A saved `.mml` or `.mlv` that plays as BGM is
// compiled and played again from its start while the page goes on.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_watch.h"

namespace ruvel {

class TLiveReload {
 public:
  // Edits are applied this long after the last one (editors write a file
  // in several steps).
  static constexpr double kSettleMs = 40.0;
  // Member slots that objects made while live reload is on keep spare for
  // members a later version of their class adds.
  static constexpr int32_t kSpareMemberSlots = 8;

  TLiveReload();
  ~TLiveReload();
  TLiveReload(const TLiveReload&) = delete;
  TLiveReload& operator=(const TLiveReload&) = delete;

  // Called between frames: follows the folder of the current page while
  // enabled, and applies settled changes. nowMs is a monotonic time.
  void BetweenFrames(bool enabled, double nowMs);
  // Makes new objects keep spare member slots while enabled (called before
  // the first page is loaded too).
  static void KeepSpareMembers(bool enabled);

  // The status bar line (CP932).
  std::function<void(const std::string& cp932)> tell;
  // True when design mode holds placements that are not saved yet (the
  // page is then not reloaded, so nothing is lost).
  std::function<bool()> unsavedDesign;

  // What the last applied round did (for the log and tests).
  int swaps = 0;
  int pageReloads = 0;
  int sheetReloads = 0;
  int musicRestarts = 0;

  // True for the files whose edits matter: class sources, pages, projects,
  // resource lists, pattern sheets, sounds, music and tile maps.
  static bool Watched(const std::string& path);

 private:
  void Follow(const std::string& dir);
  void Apply();
  void ReloadPage();
  void ReloadSheets(const std::vector<std::string>& names);
  void Tell(const std::string& utf8);
  bool OwnWrite(const std::string& path);

  TFileWatcher watcher_;
  std::vector<std::string> pending_;
  double lastEventMs_ = 0.0;
  bool reloadHeld_ = false;  // a page reload waits for a good compile
  // Hashes of the files the program saved itself, until their event comes.
  std::map<std::string, uint64_t> ownWrites_;
};

}  // namespace ruvel
