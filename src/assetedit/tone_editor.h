// The tone editor's model: the 96 wave tables and 16 envelopes of a
// tones.wdt, the wave and envelope being edited, strokes of the mouse that
// set samples or envelope steps, presets and harmonics, copy and paste of
// a wave, unlimited undo and redo, the changed flag, atomic saving in the
// file's own 3584 bytes, and the short command stream that plays a note
// with the selected wave and envelope. tone_editor_view draws it; tests
// drive it through the --edit-tones program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assetedit/tone_waves.h"
#include "sound/tone_file.h"

namespace ruvel {

class TMelvane;

// One change of one table, as the values before and after.
struct TToneEdit {
  bool envelope = false;
  int index = 0;
  TToneTable before{};
  TToneTable after{};
};

class TToneEditor {
 public:
  static constexpr int kEnvelopeTop = TToneTables::kMaxLevel;
  static constexpr int kWaveTop = 255;
  // The channel the editor's notes play on (the last one).
  static constexpr int kNoteChannel = 9;

  // Edits the tone file at path. When it does not exist yet the tables of
  // source (the program's file) are the start, or the built-in ones when
  // source is empty; std::runtime_error (CP932) when a file is broken.
  void Open(const std::string& path, const std::string& source, const TToneTables& builtIn);
  const std::string& Path() const { return path_; }
  bool Loaded() const { return !path_.empty(); }
  // True while path has not been written yet.
  bool IsNew() const { return isNew_; }
  const TToneTables& Tables() const { return tables_; }
  bool Dirty() const { return !savedAt_ || *savedAt_ != done_; }
  // Grows with every change (views redraw thumbnails).
  uint64_t Version() const { return version_; }

  int wave = 0;      // the wave being edited (0..95)
  int envelope = 0;  // the envelope being edited (0..15)
  const TToneTable& Wave() const { return tables_.waves[size_t(wave)]; }
  const TToneTable& Envelope() const { return tables_.envelopes[size_t(envelope)]; }
  void SelectWave(int w);
  void SelectEnvelope(int e);

  // A stroke over the wave (or the envelope): step index and value under
  // the pointer; the press starts it, moves fill in the steps passed over,
  // the release makes it one edit.
  void Press(bool onEnvelope, int index, int value);
  void Drag(int index, int value);
  void Release();
  bool Stroking() const { return stroke_.has_value(); }

  // Replaces the selected wave, each as one edit.
  void ApplyPreset(TWavePreset preset, double duty, uint32_t seed);
  void ApplyHarmonics(const std::array<double, kHarmonics>& amps);
  // Copies the selected wave; pastes it over the selected wave.
  void CopyWave() { clipboard_ = Wave(); }
  bool PasteWave();
  bool HasClipboard() const { return clipboard_.has_value(); }

  bool Undo();
  bool Redo();
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < edits_.size(); }

  // Writes the tables to the file atomically. On failure the reason (CP932)
  // is in error and the changes stay unsaved.
  bool Save(std::string& error);

  // The channel stream that plays note (0..95) for about a second with the
  // selected wave and envelope (their tables sent with it, so unsaved edits
  // sound too) at the given envelope speed.
  std::vector<uint8_t> NoteCommands(int note, int envSpeed = 5) const;
  // Plays it on the sequencer's note channel.
  void PlayNote(TMelvane& seq, int note, int envSpeed = 5) const;

 private:
  TToneTable& Table(bool envelope, int index);
  // Records a change of one table made outside a stroke.
  void Replace(bool envelope, int index, const TToneTable& after);
  void Push(TToneEdit edit);

  TToneTables tables_;
  std::string path_;
  bool isNew_ = false;
  std::vector<TToneEdit> edits_;
  size_t done_ = 0;
  std::optional<size_t> savedAt_ = size_t(0);
  uint64_t version_ = 0;
  std::optional<TToneEdit> stroke_;  // the table as the stroke found it
  int lastIndex_ = 0;
  int lastValue_ = 0;
  std::optional<TToneTable> clipboard_;
};

}  // namespace ruvel
