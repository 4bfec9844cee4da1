// Helpers of the sound tests: WAV and music-file bytes built in memory, a
// temporary directory, and an engine on a device that plays only when told.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "sound/melvane.h"
#include "test_paths.h"

namespace ruvel::test {

inline void Put16(std::string& b, uint32_t v) {
  b += char(v & 0xFF);
  b += char((v >> 8) & 0xFF);
}
inline void Put32(std::string& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A canonical PCM WAV file holding the given data bytes.
inline std::string WavBytes(uint32_t rate, uint16_t bits, uint16_t channels, const std::string& data) {
  uint16_t align = uint16_t(channels * (bits / 8));
  std::string b = "RIFF";
  Put32(b, uint32_t(36 + data.size()));
  b += "WAVEfmt ";
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * align);
  Put16(b, align);
  Put16(b, bits);
  b += "data";
  Put32(b, uint32_t(data.size()));
  return b + data;
}

// A music file: version, channel count 10, and each channel's commands
// (missing channels are empty).
inline std::string MlvBytes(const std::vector<std::string>& channels, int32_t version = 100) {
  std::string b;
  Put32(b, uint32_t(version));
  b += char(10);
  for (int c = 0; c < 10; ++c) {
    std::string cmds = c < int(channels.size()) ? channels[c] : std::string();
    Put32(b, uint32_t(cmds.size()));
    b += cmds;
  }
  return b;
}

// A note or rest command: byte, 16-bit length.
inline std::string Note(int n, int length) {
  std::string b(1, char(n));
  Put16(b, uint32_t(length));
  return b;
}

inline std::string Bytes(std::initializer_list<int> v) {
  std::string b;
  for (int x : v) b += char(x);
  return b;
}

// An output sample in the 8-bit levels of the synthesis (128 is silence);
// exact while the output did not clip.
inline int Level(int16_t v) { return v / TSoundGenerator::kOutputGain + 128; }

// Collects what the engine plays, as 8-bit levels.
inline void RecordLevels(TEnveloper& e, std::vector<int>& played) {
  e.onPlayed = [&played](const int16_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) played.push_back(Level(d[i]));
  };
}

// The samples of a 16-bit mono WAV file (as the recorder writes it); empty
// when the file is missing or of another format.
inline std::vector<int16_t> ReadWav16(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b[34] != 16 || b[22] != 1) return {};
  std::vector<int16_t> s((b.size() - 44) / 2);
  for (size_t i = 0; i < s.size(); ++i) {
    s[i] = int16_t(uint16_t(uint8_t(b[44 + 2 * i])) | uint16_t(uint8_t(b[45 + 2 * i])) << 8);
  }
  return s;
}

// A format-0 MIDI file (480 ticks a quarter, 120 beats a minute, so a
// quarter lasts 0.5 s) on channel 0: the program, then each note for the
// given number of quarters followed by a rest of restQuarters.
struct MidiNote {
  int key;
  int quarters;
  int restQuarters;
};
inline std::string MidiBytes(int program, const std::vector<MidiNote>& notes) {
  auto vlq = [](uint32_t v) {
    std::string b(1, char(v & 0x7F));
    while (v >>= 7) b.insert(b.begin(), char(0x80 | (v & 0x7F)));
    return b;
  };
  std::string track = vlq(0) + Bytes({0xC0, program});
  uint32_t wait = 0;
  for (const MidiNote& n : notes) {
    track += vlq(wait) + Bytes({0x90, n.key, 100});
    track += vlq(uint32_t(480 * n.quarters)) + Bytes({0x80, n.key, 64});
    wait = uint32_t(480 * n.restQuarters);
  }
  track += vlq(wait) + Bytes({0xFF, 0x2F, 0});
  std::string b = "MThd";
  b += Bytes({0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0});
  b += "MTrk";
  b += Bytes({0, 0, int(track.size() >> 8), int(track.size() & 0xFF)});
  return b + track;
}

// The power of one frequency in samples [from, to) (Goertzel), scaled by
// the window length so windows of different lengths compare.
inline double ToneEnergy(const std::vector<int16_t>& s, size_t from, size_t to, double hz) {
  double k = 2 * std::cos(2 * M_PI * hz / 44100.0);
  double a = 0;
  double b = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) {
    double c = s[i] + k * a - b;
    b = a;
    a = c;
  }
  double n = double(to - from);
  return (a * a + b * b - k * a * b) / (n * n);
}

// Root mean square of samples [from, to).
inline double Rms(const std::vector<int16_t>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) sum += double(s[i]) * s[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// The build directory and the source tree.
inline std::string BuildDir() {
  return ruvel_test::TestBuildDir();
}
inline std::string SourceDir() {
  return ruvel_test::TestSourceDir();
}

class TempDir {
 public:
  TempDir() {
    path = std::filesystem::temp_directory_path() /
           ("ruvel_sound_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string p = (path / name).string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::filesystem::path path;
};

// A sequencer on a manual device, opened, with a buffer of the given length.
struct Rig {
  explicit Rig(int length = 1000) : seq(&device) {
    seq.SetBufferSize(length);
    seq.SetEnable(true);
    seq.Service();  // the first fill only places the write position
  }
  TEnveloper& engine() { return seq.Engine(); }
  // Plays n samples and renders what they freed.
  void Play(size_t n) {
    device.Advance(n);
    seq.Service();
  }
  TManualWaveOut device;
  TMelvane seq;
};

}  // namespace ruvel::test
