// The text of an `.mml` file as the music editor holds it: UTF-8 (a CP932
// file is converted when read), edits as whole-text steps with undo and
// redo, the dirty flag against what was last read or saved, and the atomic
// save. A missing file opens as a new, empty song.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace ruvel {

class TMusicDocument {
 public:
  // The bytes that undo keeps at most; the oldest steps go first.
  static constexpr size_t kMaxUndoBytes = size_t(32) << 20;

  // Reads path (CP932 as the program's paths are). A missing file gives an
  // empty text and true; a file that cannot be read gives false with the
  // reason (CP932) and leaves the document as it was.
  bool Load(const std::string& path, std::string& error);
  // Writes the text to the path atomically; false with the reason (CP932).
  bool Save(std::string& error);

  // Replaces the text as one edit (nothing when it is the same).
  void SetText(const std::string& text);
  bool Undo();
  bool Redo();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  const std::string& Text() const { return text_; }
  const std::string& Path() const { return path_; }
  bool IsNew() const { return isNew_; }
  bool Dirty() const { return text_ != saved_; }
  // Counts every change of the text (edits, undo, redo, load).
  uint64_t Version() const { return version_; }

 private:
  void Trim();

  std::string path_;
  std::string text_;
  std::string saved_;
  std::deque<std::string> undo_;
  std::deque<std::string> redo_;
  size_t undoBytes_ = 0;
  uint64_t version_ = 0;
  bool isNew_ = false;
};

}  // namespace ruvel
