// Edits of a page in design mode as values. A command knows how to do
// itself and how to take itself back, so the editor keeps a history that
// undoes and redoes every edit: moves, new objects, copies and deletions.
// Objects are named by their generator's global ("$box1"), never by
// pointer: an object deleted and brought back is a new instance. Adding
// an object puts its generator into "usr.gen" and runs the page script's
// statements for that generator alone; removing one takes the generator
// out and drops the object from "$chars" and its global.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "vm/value.h"

namespace ruvel {

struct TDesignCommand {
  enum class Kind { kMove, kAdd, kRemove };
  Kind kind = Kind::kMove;
  std::string global;                          // the generator's name
  int fromX = 0, fromY = 0, toX = 0, toY = 0;  // kMove
  std::string markup;                          // kAdd, kRemove: the generator's line
  size_t index = 0;                            // kAdd, kRemove: its place in "usr.gen"

  // False when the page no longer holds what the command works on.
  bool Apply() const;
  bool Undo() const;
};

class TDesignHistory {
 public:
  // Applies the command and keeps it; what was undone can no longer be
  // redone.
  bool Do(const TDesignCommand& c);
  // Keeps a command that was already carried out (a finished drag).
  void Record(const TDesignCommand& c);
  bool Undo();
  bool Redo();
  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  // The page on screen is the page in its file now.
  void MarkSaved() { savedAt_ = static_cast<long>(done_.size()); }
  // The file no longer holds any state of the history.
  void MarkUnsaved() { savedAt_ = -1; }
  bool AtSaved() const { return savedAt_ == static_cast<long>(done_.size()); }
  // Forgets every command (a new design session); the page counts as saved.
  void Clear();

 private:
  void Push(const TDesignCommand& c);

  std::vector<TDesignCommand> done_;
  std::vector<TDesignCommand> undone_;
  long savedAt_ = 0;  // commands done when the page was saved; -1: none
};

// The global of the generator in "usr.gen" that placed obj, and its place
// in that list; empty when obj was placed some other way.
std::string GeneratorGlobalOf(Instance* obj, size_t* index = nullptr);
// The object a global of the page holds; none when it holds no object.
Instance* ObjectOfGlobal(const std::string& global);
// The names of the page's classes ("usr.classes"), in page order.
std::vector<std::string> PageClassNames();
// "$" + the class's last name with a small first letter + the smallest
// number from 1 that no generator or object global bears ("$box1").
std::string NewObjectGlobal(const std::string& className);

// Commands made from the page as it stands; false when they cannot be.
// A new object of cls at (x, y), last in "usr.gen".
bool MakeAddCommand(const std::string& cls, int x, int y, TDesignCommand& out);
// A copy of obj (its state written into the copy's generator) moved by
// (dx, dy), right after it in "usr.gen".
bool MakeCopyCommand(Instance* obj, int dx, int dy, TDesignCommand& out);
// The removal of obj and its generator.
bool MakeRemoveCommand(Instance* obj, TDesignCommand& out);

}  // namespace ruvel
