#include "assetedit/tone_editor.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "sound/melvane.h"

namespace ruvel {

namespace {

// A note of about one second at the normal tempo (a tick is a sample).
constexpr uint16_t kNoteTicks = 22050;
constexpr uint8_t kNoteVolume = 160;

bool Present(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

void TToneEditor::Open(const std::string& path, const std::string& source, const TToneTables& builtIn) {
  TToneTables tables = builtIn;
  bool isNew = !Present(path);
  if (!isNew) tables = ReadToneFile(path);
  else if (!source.empty() && Present(source)) tables = ReadToneFile(source);
  tables_ = tables;
  path_ = path;
  isNew_ = isNew;
  edits_.clear();
  done_ = 0;
  savedAt_ = size_t(0);
  stroke_.reset();
  ++version_;
}

void TToneEditor::SelectWave(int w) { wave = std::clamp(w, 0, TToneTables::kWaves - 1); }
void TToneEditor::SelectEnvelope(int e) { envelope = std::clamp(e, 0, TToneTables::kEnvelopes - 1); }

TToneTable& TToneEditor::Table(bool onEnvelope, int index) {
  return onEnvelope ? tables_.envelopes[size_t(index)] : tables_.waves[size_t(index)];
}

void TToneEditor::Press(bool onEnvelope, int index, int value) {
  if (!Loaded()) return;
  TToneEdit edit;
  edit.envelope = onEnvelope;
  edit.index = onEnvelope ? envelope : wave;
  edit.before = Table(onEnvelope, edit.index);
  stroke_ = edit;
  lastIndex_ = index;
  lastValue_ = value;
  StrokeTo(Table(onEnvelope, edit.index), index, value, index, value, onEnvelope ? kEnvelopeTop : kWaveTop);
  ++version_;
}

void TToneEditor::Drag(int index, int value) {
  if (!stroke_) return;
  StrokeTo(Table(stroke_->envelope, stroke_->index), lastIndex_, lastValue_, index, value,
           stroke_->envelope ? kEnvelopeTop : kWaveTop);
  lastIndex_ = index;
  lastValue_ = value;
  ++version_;
}

void TToneEditor::Release() {
  if (!stroke_) return;
  TToneEdit edit = *stroke_;
  stroke_.reset();
  edit.after = Table(edit.envelope, edit.index);
  if (edit.after != edit.before) Push(edit);
}

void TToneEditor::Replace(bool onEnvelope, int index, const TToneTable& after) {
  TToneEdit edit;
  edit.envelope = onEnvelope;
  edit.index = index;
  edit.before = Table(onEnvelope, index);
  edit.after = after;
  if (edit.after == edit.before) return;
  Table(onEnvelope, index) = after;
  Push(edit);
}

void TToneEditor::Push(TToneEdit edit) {
  // The saved tables can no longer be reached once the edits after them go.
  if (savedAt_ && *savedAt_ > done_) savedAt_.reset();
  edits_.resize(done_);
  edits_.push_back(edit);
  done_ = edits_.size();
  ++version_;
}

void TToneEditor::ApplyPreset(TWavePreset preset, double duty, uint32_t seed) {
  if (Loaded()) Replace(false, wave, PresetWave(preset, duty, seed));
}

void TToneEditor::ApplyHarmonics(const std::array<double, kHarmonics>& amps) {
  if (Loaded()) Replace(false, wave, HarmonicWave(amps));
}

bool TToneEditor::PasteWave() {
  if (!Loaded() || !clipboard_) return false;
  Replace(false, wave, *clipboard_);
  return true;
}

bool TToneEditor::Undo() {
  if (!CanUndo() || stroke_) return false;
  const TToneEdit& e = edits_[--done_];
  Table(e.envelope, e.index) = e.before;
  if (e.envelope) envelope = e.index;
  else wave = e.index;
  ++version_;
  return true;
}

bool TToneEditor::Redo() {
  if (!CanRedo() || stroke_) return false;
  const TToneEdit& e = edits_[done_++];
  Table(e.envelope, e.index) = e.after;
  if (e.envelope) envelope = e.index;
  else wave = e.index;
  ++version_;
  return true;
}

bool TToneEditor::Save(std::string& error) {
  if (!Loaded()) return false;
  if (!WriteFileAtomic(path_, ToneBytes(tables_))) {
    error = path_ + J(" に保存できません");
    return false;
  }
  savedAt_ = done_;
  isNew_ = false;
  return true;
}

std::vector<uint8_t> TToneEditor::NoteCommands(int note, int envSpeed) const {
  std::vector<uint8_t> out;
  auto table = [&out](uint8_t command, int index, const TToneTable& t) {
    out.push_back(command);
    out.push_back(uint8_t(index));
    out.insert(out.end(), t.begin(), t.end());
  };
  table('q', wave, Wave());
  table('r', envelope, Envelope());
  for (uint8_t b : {uint8_t('f'), uint8_t(wave), uint8_t('k'), uint8_t(envelope), uint8_t('e'),
                    uint8_t(std::clamp(envSpeed, 1, 255)), uint8_t('d'), kNoteVolume, uint8_t('t'), uint8_t(0)}) {
    out.push_back(b);
  }
  out.push_back(uint8_t(std::clamp(note, 0, TToneTables::kWaves - 1)));
  out.push_back(uint8_t(kNoteTicks & 0xFF));
  out.push_back(uint8_t(kNoteTicks >> 8));
  out.push_back(255);
  return out;
}

void TToneEditor::PlayNote(TMelvane& seq, int note, int envSpeed) const {
  if (Loaded()) seq.PlayChannel(kNoteChannel, NoteCommands(note, envSpeed));
}

}  // namespace ruvel
