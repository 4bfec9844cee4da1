// TWavLoader: reads a WAV file into unsigned 8-bit mono samples at 44100 Hz
// (first channel only, 8- or 16-bit input, each frame repeated 44100 div
// rate times), and makes the power-of-two copy that sample tones play.
// A file that cannot be used sets one of the error flags and never throws;
// one refused by a limit is also reported in a message box.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

// Limits on what a WAV file may ask for: rates outside the range would be
// repeated tens of thousands of times or mean a broken header; longer
// sounds than kMaxWavSamples (about six minutes at 44100 Hz) and larger
// files than kMaxWavFileBytes are refused rather than converted.
constexpr uint32_t kMinWavRate = 4000;
constexpr uint32_t kMaxWavRate = 192000;
constexpr size_t kMaxWavSamples = size_t(1) << 24;
constexpr size_t kMaxWavFileBytes = size_t(64) << 20;

class TWavLoader {
 public:
  TWavLoader() = default;
  explicit TWavLoader(const std::string& path) { Load(path); }

  // Reads and converts the file; earlier contents are dropped.
  void Load(const std::string& path);
  // Converts bytes already read (the whole file).
  void LoadBytes(const std::string& bytes);
  // Makes Samples() a copy padded with 128 up to the next power of two
  // (the last converted sample is silenced too), setting Exponent().
  void MakePowerOfTwo();

  bool HasError() const { return openError || formatError || dataError || limitError; }
  // Why a file was refused by a limit (Japanese, for a message); empty
  // otherwise.
  const std::string& LimitText() const { return limitText_; }
  const std::vector<uint8_t>& Samples() const { return samples_; }
  size_t SampleCount() const { return samples_.size(); }
  int Exponent() const { return exponent_; }

  // The fmt fields as read.
  uint32_t chunkSize = 0;
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;

  bool openError = false;    // the file could not be opened
  bool formatError = false;  // no usable "WAVEfmt " chunk
  bool dataError = false;    // no "data" chunk
  bool limitError = false;   // beyond a limit above (LimitText says which); formatError too

 private:
  void Refuse(std::string text);

  std::vector<uint8_t> samples_;
  int exponent_ = 0;
  std::string limitText_;
};

}  // namespace ruvel
