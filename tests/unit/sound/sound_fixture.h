// Helpers of the sound tests: WAV and music-file bytes built in memory, a
// temporary directory, and an engine on a device that plays only when told.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "sound/melvane.h"

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
