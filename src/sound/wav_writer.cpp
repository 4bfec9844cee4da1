#include "sound/wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ruvel {

namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header of a PCM file holding n 16-bit mono samples.
void Header(uint8_t* h, uint32_t n) {
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, 36 + 2 * n);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put32(h + 20, 1 | 1u << 16);  // PCM, one channel
  Put32(h + 24, 44100);
  Put32(h + 28, 2 * 44100);
  Put32(h + 32, 2 | 16u << 16);  // block align 2, 16 bits
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, 2 * n);
}

}  // namespace

std::string WavFileBytes(const int16_t* data, size_t n) {
  uint8_t h[44];
  Header(h, uint32_t(n));
  std::string bytes(reinterpret_cast<const char*>(h), sizeof h);
  bytes.reserve(sizeof h + 2 * n);
  for (size_t i = 0; i < n; ++i) {
    bytes.push_back(char(uint16_t(data[i]) & 0xff));
    bytes.push_back(char(uint16_t(data[i]) >> 8));
  }
  return bytes;
}

TWavRecorder::~TWavRecorder() {
  std::string ignored;
  Close(ignored);
}

bool TWavRecorder::Open(const std::string& path, std::string& error) {
  std::string ignored;
  Close(ignored);
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error = std::strerror(errno);
    return false;
  }
  uint8_t h[44];
  Header(h, 0);
  count_ = 0;
  failed_ = std::fwrite(h, 1, sizeof h, file_) != sizeof h;
  return true;
}

void TWavRecorder::Write(const int16_t* data, size_t n) {
  // The sizes are 32-bit: stop short of 4 GiB.
  if (!file_ || 2 * (count_ + n) > 0xFFFFFF00u) return;
  // WAV samples are little-endian whatever the host's order.
  uint8_t bytes[2048];
  while (n > 0) {
    size_t k = std::min(n, sizeof bytes / 2);
    for (size_t i = 0; i < k; ++i) {
      bytes[2 * i] = uint8_t(uint16_t(data[i]) & 0xFF);
      bytes[2 * i + 1] = uint8_t(uint16_t(data[i]) >> 8);
    }
    if (std::fwrite(bytes, 1, 2 * k, file_) != 2 * k) failed_ = true;
    count_ += k;
    data += k;
    n -= k;
  }
}

bool TWavRecorder::Close(std::string& error) {
  if (!file_) return true;
  uint8_t h[44];
  Header(h, uint32_t(count_));
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, file_) == sizeof h;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (!ok) error = std::strerror(errno ? errno : EIO);
  return ok;
}

}  // namespace ruvel
