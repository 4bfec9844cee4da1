#include "sound/music_roll.h"

#include <algorithm>
#include <cstring>

#include "sound/sequence_layout.h"

namespace ruvel {

namespace {

constexpr int kTones = 96;
constexpr int kSamplesPerSecond = 44100;

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

// Walks one block; tempo changes are added to tempos.
void WalkChannel(const uint8_t* p, size_t n, TRollChannel& out, std::vector<std::pair<int64_t, int>>& tempos,
                 size_t& budget) {
  int64_t tick = 0;
  bool tie = false;
  std::vector<std::pair<uint32_t, int64_t>> when;  // (offset, tick) of each command
  size_t pos = 0;
  int64_t jumpTo = -1;
  while (pos < n && budget > 0) {
    uint8_t cmd = p[pos];
    when.push_back({uint32_t(pos), tick});
    if (cmd < kTones || cmd == kRollRest) {
      if (n - pos < 3) break;
      int64_t length = 2 * int64_t(p[pos + 1] | p[pos + 2] << 8);
      out.events.push_back({uint32_t(pos), tick, length});
      TRollNote* last = out.notes.empty() ? nullptr : &out.notes.back();
      if (tie && last && last->note == cmd && last->tick + last->length == tick) {
        last->length += length;
      } else if (cmd == kRollRest && last && last->rest() && last->tick + last->length == tick) {
        last->length += length;
      } else {
        out.notes.push_back({tick, length, cmd, uint32_t(pos)});
        --budget;
      }
      tie = false;
      tick += length;
      pos += 3;
      continue;
    }
    if (cmd == 255) break;
    int operands = 0;
    if (!SequenceOperands(cmd, operands)) break;
    if (operands == kSequenceText) {
      const void* end = std::memchr(p + pos + 1, 0, n - pos - 1);
      if (!end) break;
      size_t textEnd = size_t(static_cast<const uint8_t*>(end) - p);
      pos = textEnd + 1 + (cmd == 'u' ? 1 : 0);
      continue;
    }
    if (n - pos < size_t(operands) + 1) break;
    const uint8_t* a = p + pos + 1;
    if (cmd == 'i') tie = true;
    if (cmd == 'g') tempos.push_back({tick, int(a[0] | a[1] << 8)});
    if (cmd == 'j') {
      // A glide shows as its target note over its length.
      int64_t length = 2 * int64_t(a[2] | a[3] << 8);
      out.events.push_back({uint32_t(pos), tick, length});
      if (a[1] < kTones) {
        out.notes.push_back({tick, length, a[1], uint32_t(pos)});
        --budget;
      }
      tie = false;
      tick += length;
    }
    if (cmd == 'h') {
      auto rel = int32_t(a[0] | a[1] << 8 | a[2] << 16 | uint32_t(a[3]) << 24);
      jumpTo = int64_t(pos) + rel;
      break;
    }
    pos += size_t(operands) + 1;
  }
  out.endTick = tick;
  if (jumpTo >= 0) {
    auto it = std::lower_bound(when.begin(), when.end(), std::pair<uint32_t, int64_t>{uint32_t(jumpTo), INT64_MIN});
    out.loopTick = it == when.end() ? tick : it->second;
  }
}

}  // namespace

int64_t TMusicRoll::EndTick() const {
  int64_t end = 0;
  for (const TRollChannel& c : channels) end = std::max(end, c.endTick);
  return end;
}

double TMusicRoll::Seconds(int64_t tick) const {
  // Ticks advance tempo / 120 a sample.
  double seconds = 0.0;
  int64_t from = 0;
  int tempo = 120;
  for (const auto& [at, t] : tempos) {
    if (at >= tick) break;
    seconds += double(at - from) * 120.0 / (double(std::max(tempo, 1)) * kSamplesPerSecond);
    from = at;
    tempo = t;
  }
  return seconds + double(tick - from) * 120.0 / (double(std::max(tempo, 1)) * kSamplesPerSecond);
}

const TRollNote* TMusicRoll::At(int ch, int64_t tick) const {
  const auto& notes = channels[size_t(ch)].notes;
  auto it = std::upper_bound(notes.begin(), notes.end(), tick, [](int64_t t, const TRollNote& n) { return t < n.tick; });
  if (it == notes.begin()) return nullptr;
  --it;
  return tick < it->tick + it->length ? &*it : nullptr;
}

TMusicRoll WalkMusic(const std::string& b) {
  TMusicRoll roll;
  if (b.size() < 5 || uint8_t(b[4]) != TMusicRoll::kChannels) return roll;
  size_t at = 5;
  size_t budget = TMusicRoll::kMaxNotes;
  for (TRollChannel& c : roll.channels) {
    if (at + 4 > b.size()) break;
    uint32_t len = U32(b, at);
    at += 4;
    if (len > b.size() - at) break;
    WalkChannel(reinterpret_cast<const uint8_t*>(b.data()) + at, len, c, roll.tempos, budget);
    at += len;
  }
  std::stable_sort(roll.tempos.begin(), roll.tempos.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  return roll;
}

}  // namespace ruvel
