// TDesignEditor: placing a page's objects with the mouse in design mode.
// A left press selects the topmost object under the pointer (the owner of
// the last sprite in drawing order that the hit test finds) and grabs it;
// dragging moves its members x and y in steps of the 8-pixel grid; the
// arrow keys nudge it by one grid step; a frame is drawn around everything
// the selected object drew. New objects, copies and deletions go through
// the same editor, and every edit is a command in its history, so each
// can be undone and redone; the editor tells whether the page on screen
// differs from its file. The selection itself is the script global
// "$_tmp_cur_select", which the press statements set, so scripts and the
// release's "inspect" see the same object. Owner: the main screen.
#pragma once
#include <functional>
#include <string>

#include "platform/rect.h"
#include "screen/design_commands.h"
#include "screen/sprite.h"
#include "vm/value.h"

namespace ruvel {

class TSpriteList;

class TDesignEditor {
 public:
  static constexpr int kGrid = 8;
  // The pointer snaps by dropping the low bits (as "$mouseX" does in
  // design mode); an object's position goes to the nearest grid line.
  static int SnapPointer(int v) { return v & ~(kGrid - 1); }
  static int SnapPosition(int v) { return (v + kGrid / 2) & ~(kGrid - 1); }

  // The owner of the last sprite in list order (the one drawn on top) whose
  // bounds the hit test finds at (x, y); none when nothing is there.
  static Instance* TopmostAt(TSpriteList& sprites, TDrawTarget& target, int x, int y);

  // A press at picture position (x, y) once the press statements have run;
  // top is the object chosen by TopmostAt (none on empty space). The
  // object becomes the selection, and a left press grabs it for dragging.
  void Press(Instance* top, int x, int y, bool left);
  // The pointer, held down, is at (x, y): the grabbed object moves by the
  // pointer's grid steps since the press, its position rounded to the
  // grid. True when the object moved.
  bool DragTo(int x, int y);
  // The button went up: the drag ends (the selection stays).
  void Release();
  // Moves the selection by (dx, dy) grid steps; true when it moved.
  bool Nudge(int dx, int dy);
  // Forgets the selection (and any drag).
  void Deselect();
  bool Dragging() const { return dragging_; }

  // The picture position of the last press (either button), on the grid:
  // where the popup menu's new objects go.
  int PointX() const { return pointX_; }
  int PointY() const { return pointY_; }
  void SetPoint(int x, int y) {
    pointX_ = SnapPointer(x);
    pointY_ = SnapPointer(y);
  }
  // A new object of class cls at (x, y) on the grid; it becomes the
  // selection. False when the class cannot make one.
  bool AddObject(const std::string& cls, int x, int y);
  // A copy of the selection, kCopyOffset pixels right of and below it; the
  // copy becomes the selection.
  bool CopySelection();
  static constexpr int kCopyOffset = 2 * kGrid;
  // Removes the selected object and its generator.
  bool DeleteSelection();
  // Takes back or does again the last edit; false when there is none.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }

  // The selected object: "$_tmp_cur_select" when it holds an object.
  static Instance* Selected();
  // Makes obj the selection (none: nothing is selected).
  static void SetSelected(Instance* obj);
  // The union of the bounds of every sprite the selected object recorded;
  // false when there is no selection or it drew nothing.
  static bool SelectionBounds(TSpriteList& sprites, TDrawTarget& target, TRect& bounds);
  // Draws the selection frame into the target (its renderer target is
  // already the drawing surface).
  static void DrawSelection(TSpriteList& sprites, TDrawTarget& target);

  // Edits not yet saved. Setting it calls onModifiedChanged when it
  // changes; clearing it marks the page on screen as the saved one.
  bool Modified() const { return modified_; }
  void SetModified(bool on);
  // A new design session: no drag, nothing selected, nothing modified.
  void Reset();
  std::function<void()> onModifiedChanged;

 private:
  // Puts the object at (x, y); true when that changed its members.
  bool MoveTo(Instance* obj, int x, int y);
  // After a change of the history: the unsaved flag follows it.
  void HistoryChanged();
  void SetFlag(bool on);

  bool dragging_ = false;
  Instance* grabbed_ = nullptr;  // compared with the selection, never dereferenced alone
  int grabX_ = 0;                // the object's position at the press
  int grabY_ = 0;
  int pressX_ = 0;               // the press point, snapped
  int pressY_ = 0;
  int pointX_ = 0;
  int pointY_ = 0;
  bool modified_ = false;
  TDesignHistory history_;
};

// The members x and y of a script object as integers; false when it has
// no such members.
bool ObjectPosition(Instance* obj, int& x, int& y);
// Sets them; true when that changed them.
bool SetObjectPosition(Instance* obj, int x, int y);

}  // namespace ruvel
