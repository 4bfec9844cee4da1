// Measures the synthesizer at full load: all ten channels playing notes
// with vibrato, detune and glides, and nine effects sounding at once,
// rendered through the real fill path in 50 ms steps (the sequencer's own
// timer period). Reports how many times faster than real time it renders
// (target: at least 200 times).
// Usage: synth_bench [SECONDS_OF_AUDIO]   (default 120)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "sound/melvane.h"

using namespace ruvel;

namespace {

void Put16(std::string& b, int v) {
  b += char(v & 0xFF);
  b += char((v >> 8) & 0xFF);
}

// One channel: its own tone, vibrato and detune, then a looping phrase of
// short notes and a glide, so that commands run all the time.
std::string Channel(int c) {
  std::string b = {'d', char(120 + c * 10), 'e', 3, 'f', char(c * 9), 'k', char(c), 'n', char(c - 5),
                   's', 1, char(20 + c), 3};
  size_t loop = b.size();
  for (int k = 0; k < 8; ++k) {
    b += char(36 + c * 3 + k);
    Put16(b, 700 + 50 * c);
  }
  b += {'j', char(40 + c), char(52 + c)};
  Put16(b, 3000);
  int32_t back = int32_t(loop) - int32_t(b.size());
  b += 'h';
  for (int i = 0; i < 4; ++i) b += char((uint32_t(back) >> (8 * i)) & 0xFF);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 120.0;
  if (seconds <= 0) seconds = 120.0;
  std::string mlv;
  for (int i = 0; i < 4; ++i) mlv += char(i == 0 ? 0xE8 : i == 1 ? 0x03 : 0);  // version 1000
  mlv += char(10);
  for (int c = 0; c < 10; ++c) {
    std::string ch = Channel(c);
    for (int i = 0; i < 4; ++i) mlv += char((ch.size() >> (8 * i)) & 0xFF);
    mlv += ch;
  }

  TManualWaveOut device;
  TMelvane seq(&device);
  seq.SetBufferSize(20000);
  seq.SetDelay(1000);
  if (seq.LoadMusicBytes(mlv) != kSoundOk) {
    std::fprintf(stderr, "synth_bench: the music did not load\n");
    return 1;
  }
  seq.PlayMusic();
  seq.Service();
  // Nine long effects: a saw, each at its own pitch and volume.
  std::vector<std::vector<uint8_t>> effects(9);
  for (int e = 0; e < 9; ++e) {
    effects[e].resize(size_t(seconds * 44100) + 44100);
    for (size_t i = 0; i < effects[e].size(); ++i) effects[e][i] = uint8_t(96 + (i * (e + 1)) % 64);
    seq.Engine().StartEffect(effects[e].data(), effects[e].size(), 40 + e * 10);
  }

  const size_t step = 2205;  // 50 ms
  size_t total = size_t(seconds * 44100);
  long long checksum = 0;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpuStart = std::clock();
  for (size_t done = 0; done < total; done += step) {
    device.Advance(step);
    seq.Service();
    checksum += seq.Engine().Buffer()[done % 20000];
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
  int playing = 0;
  for (int c = 0; c < 10; ++c) playing += seq.Engine().Voice(c).state == TChannelState::kPlaying;
  int sounding = 0;
  for (int e = 0; e < TEnveloper::kEffectSlots; ++e) sounding += seq.Engine().Effect(e).remaining > 0;
  // Processor time is the figure to compare: on a busy machine the wall
  // clock also counts the time other programs ran.
  std::printf("synth: %.0f s of audio, %d channels and %d effects: %.1f ms of processor time, %.0f times real time"
              " (wall clock %.1f ms, %.0f times; check %lld)\n",
              seconds, playing, sounding, cpuMs, seconds * 1000.0 / cpuMs, ms, seconds * 1000.0 / ms, checksum);
  return playing == 10 && sounding == 9 ? 0 : 1;
}
