// TSfxEditor: the document of the effect maker. It holds the parameters
// of one ".sfx" file, changes them as undoable steps (one key, a preset, a
// random effect, a mutation), knows whether they differ from what is on
// disk, saves atomically, and asks for the effect to be played after every
// change. The window (devui/sfx_editor_view.h) draws it and plays it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sound/sfx_keys.h"
#include "sound/sfx_presets.h"

namespace ruvel {

class TSfxEditor {
 public:
  // Reads the file, or starts a new effect at the defaults when there is
  // no file. False with error (UTF-8) when it exists but cannot be read.
  // What the reader clamped or ignored is in Problems().
  bool Open(const std::string& path, std::string& error);
  const std::string& Path() const { return path_; }
  const std::vector<std::string>& Problems() const { return problems_; }
  bool IsNew() const { return isNew_; }

  const TSfxParams& Params() const { return params_; }
  // Sets one key (clamped to its range; the length kept within its limit).
  // merge: part of the same drag as the last change of this key, so one
  // undo step covers the whole drag. False when nothing changed.
  bool Set(int key, double value, bool merge = false);
  void ApplyPreset(TSfxPreset preset);
  void Randomize();
  void Mutate();
  bool Undo();
  bool Redo();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // The parameters differ from the file's (or the file does not exist yet).
  bool Dirty() const { return isNew_ || params_ != saved_; }
  // Writes the file atomically; false with error (UTF-8) and the changes
  // kept when it cannot be written.
  bool Save(std::string& error);

  // Asks for the effect to be played (also done by every change).
  void RequestPlay() { ++playRequests_; }
  // True once for each batch of requests since the last call.
  bool TakePlayRequest();

  // The rendered effect, made again only after a change.
  const std::vector<int16_t>& Samples();
  // Changes so far; views redraw what depends on the parameters.
  uint64_t Version() const { return version_; }

 private:
  struct TStep {
    TSfxParams before;
    TSfxParams after;
    int key;  // the key a slider changed, -1 for whole-effect changes
  };
  void Apply(const TSfxParams& next, int key, bool merge);
  uint32_t NextSeed();

  std::string path_;
  std::vector<std::string> problems_;
  TSfxParams params_;
  TSfxParams saved_;
  bool isNew_ = false;
  std::vector<TStep> undo_;
  std::vector<TStep> redo_;
  uint32_t seedCounter_ = 0;
  uint64_t playRequests_ = 0;
  uint64_t playTaken_ = 0;
  uint64_t version_ = 1;
  uint64_t samplesVersion_ = 0;
  std::vector<int16_t> samples_;
};

}  // namespace ruvel
