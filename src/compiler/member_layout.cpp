#include "compiler/member_layout.h"

#include <algorithm>

#include "platform/error.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

class TSubclasses : public TResourceIterator {
 public:
  explicit TSubclasses(TRTTI& base) : base_(base) {}
  void Visit(TResource* node) override {
    auto* cls = dynamic_cast<TRTTI*>(node);
    if (cls && cls != &base_ && cls->Compiled && cls->DerivesFrom(&base_)) found.push_back(cls);
  }
  std::vector<TRTTI*> found;

 private:
  TRTTI& base_;
};

int Depth(const TRTTI* cls) {
  int depth = 0;
  for (const TRTTI* c = cls; c && depth < 100000; c = c->Parent) ++depth;
  return depth;
}

bool Has(const TRapidStringList& list, int32_t id) { return list.IndexOf(id) >= 0; }

}  // namespace

std::vector<TRTTI*> TMemberLayout::FamilyOf(TRTTI& cls) {
  TSubclasses sub(cls);
  if (VM().root) VM().root->Accept(sub);
  std::stable_sort(sub.found.begin(), sub.found.end(), [](TRTTI* a, TRTTI* b) { return Depth(a) < Depth(b); });
  sub.found.erase(std::unique(sub.found.begin(), sub.found.end()), sub.found.end());
  sub.found.insert(sub.found.begin(), &cls);
  return sub.found;
}

TMemberLayout::TMemberLayout(std::vector<TRTTI*> family) : family_(std::move(family)) {
  for (TRTTI* c : family_) before_.push_back(c->Members);
}

void TMemberLayout::Try(const TRapidStringList& next) {
  family_[0]->Members = next;
  for (size_t i = 1; i < family_.size(); ++i) {
    TRTTI* c = family_[i];
    const TRapidStringList* parentBefore = nullptr;
    for (size_t k = 0; k < i; ++k) {
      if (family_[k] == c->Parent) parentBefore = &before_[k];
    }
    if (!parentBefore) continue;  // a parent outside the family keeps its members
    TRapidStringList members;
    for (int32_t j = 0; j < c->Parent->Members.Count(); ++j) members.AddId(c->Parent->Members.IdAt(j));
    for (int32_t j = 0; j < before_[i].Count(); ++j) {
      int32_t id = before_[i].IdAt(j);
      if (!Has(*parentBefore, id) && !Has(members, id)) members.AddId(id);
    }
    c->Members = members;
  }
}

void TMemberLayout::Undo() {
  for (size_t i = 0; i < family_.size(); ++i) family_[i]->Members = before_[i];
}

bool TMemberLayout::PrefixesHold() const {
  for (size_t i = 1; i < family_.size(); ++i) {
    const TRapidStringList& mine = family_[i]->Members;
    const TRapidStringList& parent = family_[i]->Parent->Members;
    if (mine.Count() < parent.Count()) return false;
    for (int32_t j = 0; j < parent.Count(); ++j) {
      if (mine.IdAt(j) != parent.IdAt(j)) return false;
    }
  }
  return true;
}

bool TMemberLayout::Fits() const {
  for (TRTTI* c : family_) {
    if (!c->InstancePool) continue;
    uint32_t need = static_cast<uint32_t>(c->Members.Count());
    for (size_t i = 0; i < c->InstancePool->size(); ++i) {
      if (i >= c->RecordSlots.size() || c->RecordSlots[i] < need) return false;
    }
  }
  return true;
}

void TMemberLayout::Apply(std::set<Instance*>& touched) {
  std::vector<Value> next;
  std::vector<Value> dropped;
  for (size_t i = 0; i < family_.size(); ++i) {
    TRTTI* c = family_[i];
    const TRapidStringList& old = before_[i];
    const TRapidStringList& now = c->Members;
    c->InstanceSize = 12 + 8 * now.Count();
    if (!c->InstancePool) continue;
    for (Instance* rec : *c->InstancePool) {
      Value* m = rec->members();
      if (rec->refcount < 0) {
        // A free record holds nothing: it only takes the new size.
        for (int32_t j = 0; j < now.Count(); ++j) m[j] = MakeNull();
        rec->count = static_cast<uint32_t>(now.Count());
        continue;
      }
      next.assign(static_cast<size_t>(now.Count()), MakeNull());
      std::vector<bool> kept(rec->count, false);
      for (int32_t j = 0; j < now.Count(); ++j) {
        int32_t k = old.IndexOf(now.IdAt(j));
        if (k >= 0 && static_cast<uint32_t>(k) < rec->count) {
          next[j] = m[k];
          kept[k] = true;
        }
      }
      dropped.clear();
      for (uint32_t k = 0; k < rec->count; ++k) {
        if (!kept[k]) dropped.push_back(m[k]);
      }
      for (int32_t j = 0; j < now.Count(); ++j) m[j] = next[j];
      rec->count = static_cast<uint32_t>(now.Count());
      // Released once the record is whole again: a count reaching zero only
      // marks a record reusable, nothing runs here.
      for (Value& v : dropped) {
        try {
          Release(v);
        } catch (const ERuvel&) {
        }
      }
      if (rec->refcount > 0) touched.insert(rec);
    }
  }
}

}  // namespace ruvel
