// The tone file "tones.wdt": 96 wave tables of 32 unsigned bytes (tone 0
// first), then 16 envelope tables of 32 steps (0 to 15), no header. This
// module reads and checks such a file and turns tables back into its bytes;
// the sequencer copies the tables into the engine, the tone editor edits
// them.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ruvel {

struct TToneTables {
  static constexpr int kWaves = 96;
  static constexpr int kEnvelopes = 16;
  static constexpr int kSteps = 32;
  static constexpr size_t kWaveBytes = size_t(kWaves) * kSteps;
  static constexpr size_t kFileSize = kWaveBytes + size_t(kEnvelopes) * kSteps;
  static constexpr int kMaxLevel = 15;  // highest envelope step

  std::array<std::array<uint8_t, kSteps>, kWaves> waves{};
  std::array<std::array<uint8_t, kSteps>, kEnvelopes> envelopes{};

  bool operator==(const TToneTables&) const = default;
};

// The tables of a file's bytes; std::runtime_error (CP932, naming name)
// when the size is not exactly kFileSize. Envelope steps over 15 become 15.
TToneTables ParseToneBytes(const std::string& bytes, const std::string& name);
// Reads the tone file at path (a regular file only); std::runtime_error
// (CP932, naming the file) when it is missing, unreadable or broken.
TToneTables ReadToneFile(const std::string& path);
// The file's bytes for the tables.
std::string ToneBytes(const TToneTables& tables);

}  // namespace ruvel
