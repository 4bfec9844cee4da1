// The channel commands of a music stream: notes, rests, volume, envelope,
// tone, tempo, jumps, ties, portamento, sync points, texts, tables,
// vibrato, one-shot and sample-tone loading. A command whose operands run
// past the end of the block stops the channel.
#include <cstring>

#include "sound/enveloper.h"

namespace ruvel {

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
int32_t I32(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }

}  // namespace

void TEnveloper::RunCommand(int c) {
  TVoice& v = voices_[c];
  if (!v.seq || v.pos >= v.seqLength) {
    StopChannel(c);
    return;
  }
  const uint8_t* p = v.seq + v.pos;
  size_t left = v.seqLength - v.pos;
  // Operand bytes after the command byte must lie inside the block.
  auto need = [&](size_t size) {
    if (left >= size) return true;
    StopChannel(c);
    return false;
  };
  // A NUL-terminated text starting at p + 1; its length, or npos.
  auto text = [&]() -> size_t {
    const void* end = std::memchr(p + 1, 0, left - 1);
    if (!end) {
      StopChannel(c);
      return std::string::npos;
    }
    return size_t(static_cast<const uint8_t*>(end) - (p + 1));
  };
  uint8_t cmd = p[0];
  if (cmd < kTones || cmd == kRest) {
    if (!need(3)) return;
    NoteOn(c, cmd, v.tie);
    v.tie = false;
    v.next = tick + 2 * int64_t(U16(p + 1));
    v.pos += 3;
    return;
  }
  switch (cmd) {
    case 'd':
      if (!need(2)) return;
      v.volume = p[1];
      v.pos += 2;
      return;
    case 'e':
      if (!need(2)) return;
      v.envSpeed = p[1];
      v.pos += 2;
      return;
    case 'f':
      if (!need(2)) return;
      SelectTone(c, p[1]);
      v.pos += 2;
      return;
    case 'g':
      if (!need(3)) return;
      tempo = U16(p + 1);
      v.pos += 3;
      return;
    case 'h': {
      if (!need(5)) return;
      if (++v.jumps > 1) {
        // A loop without a note: stop rather than spin.
        StopChannel(c);
        return;
      }
      int64_t target = int64_t(v.pos) + I32(p + 1);
      if (target < 0 || target >= int64_t(v.seqLength)) {
        StopChannel(c);
        return;
      }
      v.pos = size_t(target);
      return;
    }
    case 'i':
      v.tie = true;
      v.pos += 1;
      return;
    case 'j': {
      if (!need(5)) return;
      v.pos += 5;
      int from = p[1];
      int to = p[2];
      if (from >= kTones || to >= kTones) return;
      v.mute = false;
      v.portFrom = uint32_t(int64_t(StepOf(from)) + int64_t(v.detune) * int64_t(StepOf(from)) / 2048);
      v.portTo = uint32_t(int64_t(StepOf(to)) + int64_t(v.detune) * int64_t(StepOf(to)) / 2048);
      if (!v.tie) v.envPos = 0;
      v.tie = false;
      v.next = tick + 2 * int64_t(U16(p + 3));
      v.portLength = 2 * int64_t(U16(p + 3));
      if (v.portLength > 0) {
        v.portFromPerTick = int64_t(v.portFrom) / v.portLength;
        v.portToPerTick = int64_t(v.portTo) / v.portLength;
      }
      return;
    }
    case 'k':
      if (!need(2)) return;
      if (p[1] < kEnvelopes) v.envTable = p[1];
      v.pos += 2;
      return;
    case 'l':
      v.pos += 1;
      Sync(c);
      return;
    case 'm':
    case 'o': {
      size_t n = text();
      if (n == std::string::npos) return;
      (cmd == 'm' ? marker : fileText) = std::string(reinterpret_cast<const char*>(p + 1), n);
      v.pos += n + 2;
      return;
    }
    case 'n':
      if (!need(2)) return;
      v.detune = int8_t(p[1]);
      v.pos += 2;
      return;
    case 'p':
      v.pos += 1;
      return;
    case 'q':
    case 'r':
      if (!need(34)) return;
      if (cmd == 'q') {
        SetWave(p[1], p + 2);
      } else {
        SetEnvelope(p[1], p + 2);
      }
      v.pos += 34;
      return;
    case 's':
      if (!need(4)) return;
      v.vibSwitch = p[1] != 0;
      v.vibSpeed = uint32_t(p[2]) * 65536;
      v.vibDepth = p[3];
      v.pos += 4;
      return;
    case 't':
      if (!need(2)) return;
      v.oneShot = p[1] == 1;
      v.pos += 2;
      return;
    case 'u': {
      size_t n = text();
      if (n == std::string::npos || !need(n + 3)) return;
      std::string name(reinterpret_cast<const char*>(p + 1), n);
      int tone = p[n + 2];
      v.pos += n + 3;
      fileText = name;
      LoadSampleTone(name, tone);
      return;
    }
    default:
      // 255 ends the stream; any other byte stops the channel too.
      StopChannel(c);
      return;
  }
}

}  // namespace ruvel
