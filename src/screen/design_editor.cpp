#include "screen/design_editor.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/surface.h"
#include "screen/script_globals.h"
#include "screen/sprite_list.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {

constexpr const char* kSelectionGlobal = "$_tmp_cur_select";
// The frame: a bright line just outside the object and a dark one around
// it, so it shows on light and dark backgrounds alike.
constexpr uint32_t kFrameLight = 0x00FFFF;  // yellow, 0xBBGGRR
constexpr uint32_t kFrameDark = 0x000000;
constexpr int kFrameGap = 2;

// The member slot named name, or none.
Value* Member(Instance* obj, const char* name) {
  if (!obj || !obj->cls) return nullptr;
  int32_t id = Symbols().Find(name);
  if (id < 0) return nullptr;
  int32_t cache = 0;
  return FindMemberSlot(obj, id, cache);
}

// A member read as a whole number: floats are rounded, and values that
// are not numbers do not count as a position.
bool MemberInt(Instance* obj, const char* name, int& out) {
  Value* v = Member(obj, name);
  if (!v) return false;
  if (v->tag == kInt) {
    out = v->i;
    return true;
  }
  if (v->tag == kFloat && std::isfinite(v->f) && std::fabs(v->f) < 1e9f) {
    out = static_cast<int>(std::lround(v->f));
    return true;
  }
  if (v->tag == kNull) {
    out = 0;
    return true;
  }
  return false;
}

void Outline(SDL_Renderer* r, const TRect& rc, uint32_t bgr) {
  SDL_Rect s{rc.left, rc.top, rc.Width(), rc.Height()};
  if (s.w <= 0 || s.h <= 0) return;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SetDrawColor(r, bgr);
  SDL_RenderDrawRect(r, &s);
}

// Adds n grid steps to v without leaving the int range.
int Offset(int v, long long d) {
  long long n = static_cast<long long>(v) + d;
  return static_cast<int>(std::clamp<long long>(n, std::numeric_limits<int>::min() / 2,
                                                std::numeric_limits<int>::max() / 2));
}

}  // namespace

bool ObjectPosition(Instance* obj, int& x, int& y) { return MemberInt(obj, "x", x) && MemberInt(obj, "y", y); }

bool SetObjectPosition(Instance* obj, int x, int y) {
  int oldX = 0;
  int oldY = 0;
  if (!ObjectPosition(obj, oldX, oldY)) return false;
  if (oldX == x && oldY == y) return false;
  ValueSetInt(*Member(obj, "x"), x);
  ValueSetInt(*Member(obj, "y"), y);
  return true;
}

Instance* TDesignEditor::TopmostAt(TSpriteList& sprites, TDrawTarget& target, int x, int y) {
  TRect point{x, y, x + 1, y + 1};
  for (size_t i = sprites.Size(); i-- > 0;) {
    TfSprite* s = sprites.At(i);
    if (s->owner && RectsOverlap(s->Bounds(target), point)) return s->owner;
  }
  return nullptr;
}

Instance* TDesignEditor::Selected() {
  Value* v = GlobalSlot(kSelectionGlobal);
  return v ? ValueAsObject(*v) : nullptr;
}

void TDesignEditor::SetSelected(Instance* obj) {
  if (obj) {
    SetGlobalObject(kSelectionGlobal, obj);
  } else {
    SetGlobalInt(kSelectionGlobal, 0);
  }
}

void TDesignEditor::Press(Instance* top, int x, int y, bool left) {
  dragging_ = false;
  grabbed_ = nullptr;
  pointX_ = SnapPointer(x);
  pointY_ = SnapPointer(y);
  // The press statements left the last owner they called in the global;
  // the object drawn on top is the one the person pointed at.
  if (top) SetGlobalObject(kSelectionGlobal, top);
  Instance* sel = top ? Selected() : nullptr;
  if (!left || !sel || sel != top) return;
  if (!ObjectPosition(sel, grabX_, grabY_)) return;
  grabbed_ = sel;
  pressX_ = SnapPointer(x);
  pressY_ = SnapPointer(y);
  dragging_ = true;
}

bool TDesignEditor::DragTo(int x, int y) {
  if (!dragging_) return false;
  Instance* sel = Selected();
  if (!sel || sel != grabbed_) {
    // A script chose another object meanwhile: the drag is over.
    Release();
    return false;
  }
  int dx = SnapPointer(x) - pressX_;
  int dy = SnapPointer(y) - pressY_;
  // Within the grid cell of the press nothing moves, so a click never
  // shifts an object that lies off the grid.
  if (dx == 0 && dy == 0) return false;
  return MoveTo(sel, SnapPosition(Offset(grabX_, dx)), SnapPosition(Offset(grabY_, dy)));
}

void TDesignEditor::Release() {
  bool wasDragging = dragging_;
  Instance* grabbed = grabbed_;
  dragging_ = false;
  grabbed_ = nullptr;
  if (!wasDragging || !grabbed || grabbed != Selected()) return;
  // A finished drag is one edit, from where the press found the object.
  TDesignCommand move;
  move.global = GeneratorGlobalOf(grabbed);
  move.fromX = grabX_;
  move.fromY = grabY_;
  if (move.global.empty() || !ObjectPosition(grabbed, move.toX, move.toY)) return;
  if (move.toX == move.fromX && move.toY == move.fromY) {
    HistoryChanged();
    return;
  }
  history_.Record(move);
  HistoryChanged();
}

bool TDesignEditor::Nudge(int dx, int dy) {
  if (dragging_) return false;
  Instance* sel = Selected();
  int x = 0;
  int y = 0;
  if (!sel || !ObjectPosition(sel, x, y)) return false;
  int toX = SnapPosition(Offset(x, static_cast<long long>(dx) * kGrid));
  int toY = SnapPosition(Offset(y, static_cast<long long>(dy) * kGrid));
  TDesignCommand move;
  move.global = GeneratorGlobalOf(sel);
  // An object no generator placed is moved, but no save keeps it.
  if (move.global.empty()) return MoveTo(sel, toX, toY);
  move.fromX = x;
  move.fromY = y;
  move.toX = toX;
  move.toY = toY;
  if (!history_.Do(move)) return false;
  HistoryChanged();
  return true;
}

bool TDesignEditor::AddObject(const std::string& cls, int x, int y) {
  Release();
  TDesignCommand add;
  if (!MakeAddCommand(cls, x, y, add) || !history_.Do(add)) return false;
  SetSelected(ObjectOfGlobal(add.global));
  HistoryChanged();
  return true;
}

bool TDesignEditor::CopySelection() {
  Release();
  TDesignCommand copy;
  if (!MakeCopyCommand(Selected(), kCopyOffset, kCopyOffset, copy) || !history_.Do(copy)) return false;
  SetSelected(ObjectOfGlobal(copy.global));
  HistoryChanged();
  return true;
}

bool TDesignEditor::DeleteSelection() {
  Release();
  TDesignCommand remove;
  if (!MakeRemoveCommand(Selected(), remove) || !history_.Do(remove)) return false;
  HistoryChanged();
  return true;
}

bool TDesignEditor::Undo() {
  Release();
  if (!history_.CanUndo()) return false;
  history_.Undo();
  HistoryChanged();
  return true;
}

bool TDesignEditor::Redo() {
  Release();
  if (!history_.CanRedo()) return false;
  history_.Redo();
  HistoryChanged();
  return true;
}

void TDesignEditor::Deselect() {
  Release();
  SetGlobalInt(kSelectionGlobal, 0);
}

bool TDesignEditor::MoveTo(Instance* obj, int x, int y) {
  if (!SetObjectPosition(obj, x, y)) return false;
  // The drag becomes an edit when it ends; the caption shows it at once.
  SetFlag(true);
  return true;
}

bool TDesignEditor::SelectionBounds(TSpriteList& sprites, TDrawTarget& target, TRect& bounds) {
  Instance* sel = Selected();
  if (!sel) return false;
  bool any = false;
  for (size_t i = 0; i < sprites.Size(); ++i) {
    TfSprite* s = sprites.At(i);
    if (s->owner != sel) continue;
    TRect r = s->Bounds(target);
    if (r.Empty()) continue;
    if (!any) {
      bounds = r;
      any = true;
    } else {
      bounds.left = std::min(bounds.left, r.left);
      bounds.top = std::min(bounds.top, r.top);
      bounds.right = std::max(bounds.right, r.right);
      bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
  }
  return any;
}

void TDesignEditor::DrawSelection(TSpriteList& sprites, TDrawTarget& target) {
  TRect b;
  if (!target.renderer || !SelectionBounds(sprites, target, b)) return;
  TRect light{b.left - kFrameGap, b.top - kFrameGap, b.right + kFrameGap, b.bottom + kFrameGap};
  TRect dark{light.left - 1, light.top - 1, light.right + 1, light.bottom + 1};
  Outline(target.renderer, dark, kFrameDark);
  Outline(target.renderer, light, kFrameLight);
}

void TDesignEditor::SetFlag(bool on) {
  if (on == modified_) return;
  modified_ = on;
  if (onModifiedChanged) onModifiedChanged();
}

void TDesignEditor::SetModified(bool on) {
  if (on) {
    history_.MarkUnsaved();
  } else {
    history_.MarkSaved();
  }
  SetFlag(on);
}

void TDesignEditor::HistoryChanged() { SetFlag(!history_.AtSaved()); }

void TDesignEditor::Reset() {
  dragging_ = false;
  grabbed_ = nullptr;
  SetGlobalInt(kSelectionGlobal, 0);
  history_.Clear();
  SetFlag(false);
}

}  // namespace ruvel
