// Score buckets for counting ranks: every score falls into one of 2^18
// buckets ordered as the scores are (the sign, the exponent and the top
// six bits of the fraction of the double), so that a rank is the sum of
// the counts of the better buckets plus the better entries of its own.
#pragma once
#include <bit>
#include <cstdint>
#include <limits>

namespace ruvel::rankd {

constexpr int kScoreBucketShift = 64 - 18;

// The score's bits as an unsigned number in the scores' order.
inline uint64_t OrderedScoreBits(double score) {
  if (score == 0) score = 0;  // -0 is the same score as 0
  uint64_t bits = std::bit_cast<uint64_t>(score);
  return (bits >> 63) ? ~bits : bits | (uint64_t{1} << 63);
}

inline int64_t ScoreBucket(double score) { return static_cast<int64_t>(OrderedScoreBits(score) >> kScoreBucketShift); }

// The smallest score of a bucket (infinity past the last finite one).
inline double BucketStart(int64_t bucket) {
  uint64_t ordered = static_cast<uint64_t>(bucket) << kScoreBucketShift;
  uint64_t bits = (ordered >> 63) ? ordered & ~(uint64_t{1} << 63) : ~ordered;
  double score = std::bit_cast<double>(bits);
  if (score != score) return std::numeric_limits<double>::infinity();
  return score;
}

}  // namespace ruvel::rankd
