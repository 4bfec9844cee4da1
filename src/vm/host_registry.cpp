#include "vm/host_registry.h"

#include <cstdint>
#include <vector>

namespace ruvel {

namespace {

// An open-addressing set of object addresses: every host object enters it
// when made and leaves when destroyed, and natives test membership on each
// access, so these are a few instructions without allocation.
class LiveSet {
 public:
  void Insert(const TObject* p) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(slots_.size() * 2 > (size_ + 1) * 4 ? slots_.size() : slots_.size() * 2);
    size_t i = Home(p);
    size_t grave = kNone;
    for (;; i = (i + 1) & mask_) {
      uintptr_t k = slots_[i];
      if (k == Key(p)) return;
      if (k == kTomb && grave == kNone) grave = i;
      if (k == kEmpty) break;
    }
    if (grave != kNone) {
      slots_[grave] = Key(p);
    } else {
      slots_[i] = Key(p);
      ++used_;
    }
    ++size_;
  }
  void Erase(const TObject* p) {
    size_t i = Find(p);
    if (i == kNone) return;
    slots_[i] = kTomb;
    --size_;
  }
  bool Contains(const TObject* p) const { return Find(p) != kNone; }
  size_t Size() const { return size_; }

 private:
  static constexpr uintptr_t kEmpty = 0;
  static constexpr uintptr_t kTomb = 1;
  static constexpr size_t kNone = static_cast<size_t>(-1);
  static uintptr_t Key(const TObject* p) { return reinterpret_cast<uintptr_t>(p); }
  size_t Home(const TObject* p) const {
    return static_cast<size_t>((static_cast<uint64_t>(Key(p)) * 0x9E3779B97F4A7C15ull) >> 20) & mask_;
  }
  size_t Find(const TObject* p) const {
    for (size_t i = Home(p);; i = (i + 1) & mask_) {
      uintptr_t k = slots_[i];
      if (k == Key(p)) return i;
      if (k == kEmpty) return kNone;
    }
  }
  // Rebuilds with n slots (a power of two), dropping the tombstones.
  void Rehash(size_t n) {
    std::vector<uintptr_t> old;
    old.swap(slots_);
    slots_.assign(n, kEmpty);
    mask_ = n - 1;
    used_ = 0;
    size_ = 0;
    for (uintptr_t k : old) {
      if (k != kEmpty && k != kTomb) Insert(reinterpret_cast<const TObject*>(k));
    }
  }

  std::vector<uintptr_t> slots_ = std::vector<uintptr_t>(64, kEmpty);
  size_t mask_ = 63;
  size_t used_ = 0;  // slots not empty (live keys and tombstones)
  size_t size_ = 0;  // live keys
};

LiveSet& Live() {
  static auto* live = new LiveSet();
  return *live;
}

}  // namespace

TObject::TObject() { RegisterHost(this); }
TObject::TObject(const TObject&) { RegisterHost(this); }
TObject::~TObject() { UnregisterHost(this); }

void RegisterHost(const TObject* p) {
  if (p) Live().Insert(p);
}

const TObject* g_liveHostCache[kLiveHostCacheSize] = {};

void UnregisterHost(const TObject* p) {
  if (!p) return;
  const TObject*& cached = g_liveHostCache[LiveHostCacheSlot(p)];
  if (cached == p) cached = nullptr;
  Live().Erase(p);
}

bool IsLiveHostInSet(const TObject* p) {
  if (!p || !Live().Contains(p)) return false;
  g_liveHostCache[LiveHostCacheSlot(p)] = p;
  return true;
}

size_t LiveHostCount() { return Live().Size(); }

}  // namespace ruvel
