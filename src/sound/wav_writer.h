// TWavRecorder: writes signed 16-bit mono 44100 Hz samples to a WAV file
// as they come (--record-audio); the header's sizes are set on Close.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace ruvel {

// A whole WAV file (16-bit mono 44100 Hz) holding the n samples of data.
std::string WavFileBytes(const int16_t* data, size_t n);

class TWavRecorder {
 public:
  ~TWavRecorder();
  // Creates the file with its header; false with a reason in error.
  bool Open(const std::string& path, std::string& error);
  void Write(const int16_t* data, size_t n);
  // Completes the header; false when the file could not be written.
  bool Close(std::string& error);
  bool IsOpen() const { return file_ != nullptr; }
  uint64_t SampleCount() const { return count_; }

 private:
  std::FILE* file_ = nullptr;
  uint64_t count_ = 0;
  bool failed_ = false;
};

}  // namespace ruvel
