#include "vm/fast_natives.h"

#include <utility>
#include <vector>

namespace ruvel {

namespace {

std::vector<std::pair<SlowNative, FastNative>>& Table() {
  static auto* table = new std::vector<std::pair<SlowNative, FastNative>>();
  return *table;
}

}  // namespace

void RegisterFastNative(SlowNative native, FastNative fast) {
  for (auto& e : Table()) {
    if (e.first == native) {
      e.second = fast;
      return;
    }
  }
  Table().emplace_back(native, fast);
}

FastNative FastFormOf(SlowNative native) {
  for (const auto& e : Table()) {
    if (e.first == native) return e.second;
  }
  return nullptr;
}

}  // namespace ruvel
