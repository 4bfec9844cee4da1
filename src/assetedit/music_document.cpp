#include "assetedit/music_document.h"

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "sound/mml_compiler.h"

namespace ruvel {

bool TMusicDocument::Load(const std::string& path, std::string& error) {
  std::string bytes;
  bool isNew = false;
  if (!PathExists(path)) {
    isNew = true;
  } else {
    TReadStatus status = ReadRegularFile(path, kMmlMaxSource, bytes);
    if (status != TReadStatus::kOk) {
      error = ReadFailureText(status, path, kMmlMaxSource);
      return false;
    }
    if (!LooksLikeUtf8(bytes)) bytes = Cp932ToUtf8(bytes);
  }
  path_ = path;
  text_ = bytes;
  saved_ = bytes;
  undo_.clear();
  redo_.clear();
  undoBytes_ = 0;
  isNew_ = isNew;
  ++version_;
  return true;
}

bool TMusicDocument::Save(std::string& error) {
  if (!WriteFileAtomic(path_, text_)) {
    error = path_ + J(": 保存できませんでした");
    return false;
  }
  saved_ = text_;
  isNew_ = false;
  return true;
}

void TMusicDocument::SetText(const std::string& text) {
  if (text == text_) return;
  undoBytes_ += text_.size();
  undo_.push_back(std::move(text_));
  text_ = text;
  redo_.clear();
  ++version_;
  Trim();
}

bool TMusicDocument::Undo() {
  if (undo_.empty()) return false;
  redo_.push_back(std::move(text_));
  text_ = std::move(undo_.back());
  undo_.pop_back();
  undoBytes_ -= text_.size();
  ++version_;
  return true;
}

bool TMusicDocument::Redo() {
  if (redo_.empty()) return false;
  undoBytes_ += text_.size();
  undo_.push_back(std::move(text_));
  text_ = std::move(redo_.back());
  redo_.pop_back();
  ++version_;
  Trim();
  return true;
}

void TMusicDocument::Trim() {
  while (undoBytes_ > kMaxUndoBytes && !undo_.empty()) {
    undoBytes_ -= undo_.front().size();
    undo_.pop_front();
  }
}

}  // namespace ruvel
