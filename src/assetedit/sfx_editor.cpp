#include "assetedit/sfx_editor.h"

#include "platform/paths.h"
#include "sound/sfx_file.h"
#include "sound/sfx_render.h"

namespace ruvel {

namespace {

constexpr size_t kMaxUndo = 1000;

}  // namespace

bool TSfxEditor::Open(const std::string& path, std::string& error) {
  path_ = path;
  problems_.clear();
  undo_.clear();
  redo_.clear();
  isNew_ = !PathExists(path);
  params_ = TSfxParams();
  if (!isNew_ && !LoadSfxFile(path, params_, problems_, error)) return false;
  saved_ = params_;
  ++version_;
  return true;
}

void TSfxEditor::Apply(const TSfxParams& next, int key, bool merge) {
  if (next == params_) return;
  if (merge && key >= 0 && !undo_.empty() && undo_.back().key == key) {
    undo_.back().after = next;
  } else {
    undo_.push_back(TStep{params_, next, key});
    if (undo_.size() > kMaxUndo) undo_.erase(undo_.begin());
  }
  redo_.clear();
  params_ = next;
  ++version_;
  RequestPlay();
}

bool TSfxEditor::Set(int key, double value, bool merge) {
  if (key < 0 || key >= kSfxKeyCount) return false;
  TSfxParams next = params_;
  next[key] = SfxClamp(key, value);
  SfxLimitLength(next);
  if (next == params_) return false;
  Apply(next, key, merge);
  return true;
}

uint32_t TSfxEditor::NextSeed() { return ++seedCounter_ * 7919u + uint32_t(params_[kSfxSeed]); }

void TSfxEditor::ApplyPreset(TSfxPreset preset) { Apply(MakeSfxPreset(preset, NextSeed()), -1, false); }

void TSfxEditor::Randomize() { Apply(RandomSfx(NextSeed()), -1, false); }

void TSfxEditor::Mutate() { Apply(MutateSfx(params_, NextSeed()), -1, false); }

bool TSfxEditor::Undo() {
  if (undo_.empty()) return false;
  TStep step = undo_.back();
  undo_.pop_back();
  params_ = step.before;
  redo_.push_back(step);
  ++version_;
  RequestPlay();
  return true;
}

bool TSfxEditor::Redo() {
  if (redo_.empty()) return false;
  TStep step = redo_.back();
  redo_.pop_back();
  params_ = step.after;
  undo_.push_back(step);
  ++version_;
  RequestPlay();
  return true;
}

bool TSfxEditor::Save(std::string& error) {
  if (!SaveSfxFile(path_, params_)) {
    error = path_ + " に保存できません (変更はそのまま残っています)";
    return false;
  }
  saved_ = params_;
  isNew_ = false;
  // The next drag of the same slider starts a new undo step.
  if (!undo_.empty()) undo_.back().key = -1;
  return true;
}

bool TSfxEditor::TakePlayRequest() {
  if (playTaken_ == playRequests_) return false;
  playTaken_ = playRequests_;
  return true;
}

const std::vector<int16_t>& TSfxEditor::Samples() {
  if (samplesVersion_ != version_) {
    samples_ = RenderSfx(params_);
    samplesVersion_ = version_;
  }
  return samples_;
}

}  // namespace ruvel
