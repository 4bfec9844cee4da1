// The integer index of the hash tables against a standard map: random adds,
// replacements and erasures (many keys sharing runs of slots), and growth.
#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

#include "natives/int_index.h"

namespace ruvel {
namespace {

TEST(IntIndex, AgreesWithAMapUnderRandomChanges) {
  std::mt19937 rng(7);
  TIntIndex index;
  std::unordered_map<int32_t, int32_t> model;
  EXPECT_EQ(index.Find(0), -1);
  for (int step = 0; step < 200000; ++step) {
    // A small key range makes erasures hit present keys and runs collide.
    int32_t key = static_cast<int32_t>(rng() % 3000) - 1500;
    if (step % 7 == 0) key = static_cast<int32_t>(rng());  // anywhere, negatives included
    int32_t pos = static_cast<int32_t>(rng() % 1000);
    switch (rng() % 4) {
      case 0:
        index.Add(key, pos);
        model.emplace(key, pos);  // a present key keeps its position
        break;
      case 1:
        index.Set(key, pos);
        model[key] = pos;
        break;
      case 2:
        index.Erase(key);
        model.erase(key);
        break;
      default: {
        auto it = model.find(key);
        ASSERT_EQ(index.Find(key), it == model.end() ? -1 : it->second) << "step " << step;
      }
    }
    ASSERT_EQ(index.Size(), model.size());
  }
  for (const auto& [key, pos] : model) ASSERT_EQ(index.Find(key), pos);
  for (const auto& [key, pos] : std::unordered_map<int32_t, int32_t>(model)) index.Erase(key);
  EXPECT_EQ(index.Size(), 0u);
  EXPECT_EQ(index.Find(model.begin()->first), -1);
}

TEST(IntIndex, GrowsPastManyKeys) {
  TIntIndex index;
  for (int32_t k = 0; k < 100000; ++k) index.Add(k * 7919 % 1000003, k);
  EXPECT_EQ(index.Size(), 100000u);
  for (int32_t k = 0; k < 100000; ++k) ASSERT_EQ(index.Find(k * 7919 % 1000003), k);
  EXPECT_EQ(index.Find(-5), -1);
}

}  // namespace
}  // namespace ruvel
