// A map from 32-bit integer keys to positions, stored in one flat array
// (open addressing, linear probing, deletion by moving the following run
// back), so that adding a key allocates nothing except when the array
// doubles.
#pragma once
#include <cstdint>
#include <vector>

namespace ruvel {

class TIntIndex {
 public:
  // The position stored for key, or -1.
  int32_t Find(int32_t key) const {
    if (size_ == 0) return -1;
    for (size_t i = Home(key);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.pos < 0) return -1;
      if (s.key == key) return s.pos;
    }
  }
  struct Slot {
    int32_t key;
    int32_t pos;  // -1: empty
  };
  // Where key's position is kept: its slot when present, else the free
  // slot that Fill would take (its pos is then negative). Grows first so
  // that the free slot stays valid for Fill.
  Slot* Claim(int32_t key) {
    if ((size_ + 1) * 4 > slots_.size() * 3) Grow();
    size_t i = Home(key);
    for (; slots_[i].pos >= 0; i = (i + 1) & mask_) {
      if (slots_[i].key == key) break;
    }
    return &slots_[i];
  }
  // Stores pos (>= 0) for key unless key is present (as emplace does).
  void Add(int32_t key, int32_t pos) {
    Slot* s = Claim(key);
    if (s->pos < 0) Fill(s, key, pos);
  }
  // Stores key and pos in a free slot that Claim returned.
  void Fill(Slot* s, int32_t key, int32_t pos) {
    *s = {key, pos};
    ++size_;
  }
  // Stores pos for key, replacing what it had.
  void Set(int32_t key, int32_t pos) {
    Slot* s = Locate(key);
    if (s) s->pos = pos;
    else Add(key, pos);
  }
  void Erase(int32_t key) {
    Slot* s = Locate(key);
    if (!s) return;
    size_t hole = static_cast<size_t>(s - slots_.data());
    // Moves back every later entry of the run whose home does not lie
    // between the hole and itself, so lookups never meet a gap early.
    for (size_t i = (hole + 1) & mask_; slots_[i].pos >= 0; i = (i + 1) & mask_) {
      size_t home = Home(slots_[i].key);
      bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
      if (stays) continue;
      slots_[hole] = slots_[i];
      hole = i;
    }
    slots_[hole].pos = -1;
    --size_;
  }
  size_t Size() const { return size_; }

 private:
  size_t Home(int32_t key) const {
    return static_cast<size_t>((uint64_t{static_cast<uint32_t>(key)} * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
  }
  Slot* Locate(int32_t key) {
    if (size_ == 0) return nullptr;
    for (size_t i = Home(key);; i = (i + 1) & mask_) {
      if (slots_[i].pos < 0) return nullptr;
      if (slots_[i].key == key) return &slots_[i];
    }
  }
  void Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{0, -1});
    mask_ = slots_.size() - 1;
    size_ = 0;
    // The keys are distinct: each goes to the first free slot of its run.
    for (const Slot& s : old) {
      if (s.pos < 0) continue;
      size_t i = Home(s.key);
      while (slots_[i].pos >= 0) i = (i + 1) & mask_;
      slots_[i] = s;
      ++size_;
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t size_ = 0;
};

}  // namespace ruvel
