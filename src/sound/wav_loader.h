// TWavLoader: reads a WAV file into unsigned 8-bit mono samples at 44100 Hz
// (first channel only, 8- or 16-bit input, each frame repeated 44100 div
// rate times), and makes the power-of-two copy that sample tones play.
// A file that cannot be used sets one of the error flags and never throws.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

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

  bool HasError() const { return openError || formatError || dataError; }
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

 private:
  std::vector<uint8_t> samples_;
  int exponent_ = 0;
};

}  // namespace ruvel
