// TDesignEditor: placing a page's objects with the mouse in design mode.
// A left press selects the topmost object under the pointer (the owner of
// the last sprite in drawing order that the hit test finds) and grabs it;
// dragging moves its members x and y in steps of the 8-pixel grid; the
// arrow keys nudge it by one grid step; a frame is drawn around everything
// the selected object drew; and the editor remembers whether any move has
// not been saved yet. The selection itself is the script global
// "$_tmp_cur_select", which the press statements set, so scripts and the
// release's "inspect" see the same object. Owner: the main screen.
#pragma once
#include <functional>

#include "platform/rect.h"
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

  // The selected object: "$_tmp_cur_select" when it holds an object.
  static Instance* Selected();
  // The union of the bounds of every sprite the selected object recorded;
  // false when there is no selection or it drew nothing.
  static bool SelectionBounds(TSpriteList& sprites, TDrawTarget& target, TRect& bounds);
  // Draws the selection frame into the target (its renderer target is
  // already the drawing surface).
  static void DrawSelection(TSpriteList& sprites, TDrawTarget& target);

  // Moves not yet saved. Setting it calls onModifiedChanged when it changes.
  bool Modified() const { return modified_; }
  void SetModified(bool on);
  // A new design session: no drag, nothing selected, nothing modified.
  void Reset();
  std::function<void()> onModifiedChanged;

 private:
  // Puts the object at (x, y); true when that changed its members.
  bool MoveTo(Instance* obj, int x, int y);

  bool dragging_ = false;
  Instance* grabbed_ = nullptr;  // compared with the selection, never dereferenced alone
  int grabX_ = 0;                // the object's position at the press
  int grabY_ = 0;
  int pressX_ = 0;               // the press point, snapped
  int pressY_ = 0;
  bool modified_ = false;
};

// The members x and y of a script object as integers; false when it has
// no such members.
bool ObjectPosition(Instance* obj, int& x, int& y);

}  // namespace ruvel
