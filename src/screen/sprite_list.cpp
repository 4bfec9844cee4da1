#include "screen/sprite_list.h"

#include <algorithm>
#include <cstdlib>

namespace ruvel {

bool RectsOverlap(const TRect& a, const TRect& b) {
  int64_t ahw = (int64_t(a.right) - a.left) / 2;
  int64_t ahh = (int64_t(a.bottom) - a.top) / 2;
  int64_t bhw = (int64_t(b.right) - b.left) / 2;
  int64_t bhh = (int64_t(b.bottom) - b.top) / 2;
  int64_t acx = a.left + ahw;
  int64_t acy = a.top + ahh;
  int64_t bcx = b.left + bhw;
  int64_t bcy = b.top + bhh;
  return std::llabs(acx - bcx) < ahw + bhw && std::llabs(acy - bcy) < ahh + bhh;
}

void HoldObject(Instance* inst) {
  if (inst && inst->refcount >= 0) ++inst->refcount;
}

void DropObject(Instance* inst) {
  if (inst && inst->refcount > 0 && --inst->refcount == 0) NoteReusable(inst);
}

TSpriteList::~TSpriteList() { Clear(); }

void TSpriteList::Add(std::unique_ptr<TfSprite> sprite) {
  if (!sprite) return;
  HoldObject(sprite->owner);
  items_.push_back(std::move(sprite));
}

void TSpriteList::Clear() {
  for (auto& s : items_) DropObject(s->owner);
  items_.clear();
}

void TSpriteList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const std::unique_ptr<TfSprite>& a, const std::unique_ptr<TfSprite>& b) {
                     return a->depth > b->depth;
                   });
}

void TSpriteList::Draw(TDrawTarget& target) {
  Sort();
  for (auto& s : items_) s->Draw(target);
}

std::vector<Instance*> TSpriteList::OwnersHit(const TRect& r, TDrawTarget& target) {
  std::vector<Instance*> owners;
  for (auto& s : items_) {
    if (!s->owner || std::find(owners.begin(), owners.end(), s->owner) != owners.end()) continue;
    if (RectsOverlap(s->Bounds(target), r)) owners.push_back(s->owner);
  }
  return owners;
}

}  // namespace ruvel
