// TSpriteList: the main screen's list of the sprites recorded for a frame.
// It owns the sprites and holds a counted reference to each sprite's owner
// object while the sprite is in the list, so the hit test never reports an
// object whose record was reused. Drawing sorts the list in place by depth
// (deepest first) and the hit test walks it in that order.
#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/rect.h"
#include "screen/sprite.h"

namespace ruvel {

// The hit test's overlap rule: the centres of the two rectangles are closer
// than the sums of their half extents on both axes (halves truncated).
bool RectsOverlap(const TRect& a, const TRect& b);

class TSpriteList {
 public:
  TSpriteList() = default;
  ~TSpriteList();
  TSpriteList(const TSpriteList&) = delete;
  TSpriteList& operator=(const TSpriteList&) = delete;

  void Add(std::unique_ptr<TfSprite> sprite);
  // Frees every sprite.
  void Clear();
  size_t Size() const { return items_.size(); }
  TfSprite* At(size_t i) const { return items_[i].get(); }

  // Sorts by depth, larger depth first.
  void Sort();
  // Sorts, then draws every sprite into the target.
  void Draw(TDrawTarget& target);
  // The owners of the sprites whose bounds overlap r, each once, in list
  // order.
  std::vector<Instance*> OwnersHit(const TRect& r, TDrawTarget& target);

 private:
  std::vector<std::unique_ptr<TfSprite>> items_;
};

// Counted references held by host code on script objects: taken with
// HoldObject and given back with DropObject, which never fails (a record
// that the collector has already freed is left alone).
void HoldObject(Instance* inst);
void DropObject(Instance* inst);

}  // namespace ruvel
