// Stable 32-bit handles for host objects named inside bytecode operands
// (functions, classes, value slots) and for instance records. A handle is
// never reused, and a lookup checks the kind, so a stale or forged operand
// yields nullptr instead of a wrong object.
#pragma once
#include <cstdint>
#include <vector>

namespace ruvel {

enum class HandleKind : uint8_t { kNone = 0, kFunction, kClass, kValueSlot, kInstance };

class HandleTable {
 public:
  HandleTable() { items_.push_back({nullptr, HandleKind::kNone}); }
  uint32_t Add(void* p, HandleKind kind) {
    items_.push_back({p, kind});
    return static_cast<uint32_t>(items_.size() - 1);
  }
  void Remove(uint32_t h) {
    if (h > 0 && h < items_.size()) items_[h] = {nullptr, HandleKind::kNone};
  }
  void* Get(uint32_t h, HandleKind kind) const {
    if (h >= items_.size() || items_[h].kind != kind) return nullptr;
    return items_[h].ptr;
  }
  size_t Size() const { return items_.size(); }

 private:
  struct Item {
    void* ptr;
    HandleKind kind;
  };
  std::vector<Item> items_;
};

}  // namespace ruvel
