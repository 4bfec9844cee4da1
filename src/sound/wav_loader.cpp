#include "sound/wav_loader.h"

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

uint32_t Word32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

}  // namespace

void TWavLoader::Refuse(std::string text) {
  samples_.clear();
  exponent_ = 0;
  // Also a format error, so that players refuse the file as unusable.
  formatError = true;
  limitError = true;
  limitText_ = std::move(text);
}

void TWavLoader::Load(const std::string& path) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, kMaxWavFileBytes, bytes);
  if (status == TReadStatus::kOk) {
    LoadBytes(bytes);
  } else if (status == TReadStatus::kTooLarge) {
    openError = formatError = dataError = false;
    Refuse(J("WAVファイルが大きすぎます（") + std::to_string(kMaxWavFileBytes >> 20) + J("MBまで）"));
  } else if (status == TReadStatus::kNotRegular) {
    openError = dataError = false;
    Refuse(J("通常のファイルではありません（フォルダ・デバイス・FIFOは読みません）"));
  } else {
    samples_.clear();
    exponent_ = 0;
    openError = true;
    formatError = dataError = limitError = false;
    limitText_.clear();
    return;
  }
  if (limitError) ShowMessage(path + ": " + limitText_);
}

void TWavLoader::LoadBytes(const std::string& b) {
  samples_.clear();
  exponent_ = 0;
  openError = formatError = dataError = limitError = false;
  limitText_.clear();

  size_t fmt = b.find("WAVEfmt ");
  if (fmt == std::string::npos || b.size() < fmt + 8 + 20) {
    formatError = true;
  } else {
    size_t at = fmt + 8;
    chunkSize = Word32(b, at);
    uint32_t w = Word32(b, at + 4);
    formatTag = uint16_t(w & 0xFFFF);
    channels = uint16_t(w >> 16);
    sampleRate = Word32(b, at + 8);
    bytesPerSecond = Word32(b, at + 12);
    w = Word32(b, at + 16);
    blockAlign = uint16_t(w & 0xFFFF);
    bitsPerSample = uint16_t(w >> 16);
    // A zero rate or block, or a frame too short for its sample, cannot be
    // converted (it would divide by zero or read past the frame).
    int sampleBytes = bitsPerSample > 8 ? 2 : 1;
    if (sampleRate == 0 || blockAlign < sampleBytes) formatError = true;
  }
  size_t data = b.find("data");
  if (data == std::string::npos) dataError = true;
  if (formatError || dataError) return;

  if (sampleRate < kMinWavRate || sampleRate > kMaxWavRate) {
    Refuse(J("WAVファイルのサンプリング周波数") + std::to_string(sampleRate) + J("Hzは扱えません（") +
           std::to_string(kMinWavRate) + "-" + std::to_string(kMaxWavRate) + J("Hz）"));
    return;
  }
  size_t start = data + 8;
  size_t length = start < b.size() ? b.size() - start : 0;
  size_t frames = length / blockAlign;
  // Rates above 44100 play each frame once rather than not at all.
  size_t repeat = sampleRate >= 44100 ? 1 : 44100 / sampleRate;
  if (frames * repeat > kMaxWavSamples) {
    Refuse(J("WAVファイルが長すぎます（44100Hzで") + std::to_string(kMaxWavSamples) + J("サンプルまで）"));
    return;
  }
  bool wide = bitsPerSample > 8;
  samples_.reserve(frames * repeat);
  for (size_t f = 0; f < frames; ++f) {
    size_t at = start + f * blockAlign;
    int32_t v = wide ? int32_t(int16_t(uint16_t(uint8_t(b[at])) | uint16_t(uint8_t(b[at + 1])) << 8))
                     : (int32_t(uint8_t(b[at])) - 128) * 256;
    auto out = uint8_t(v / 256 + 128);
    samples_.insert(samples_.end(), repeat, out);
  }
}

void TWavLoader::MakePowerOfTwo() {
  size_t n = samples_.size();
  size_t size = 1;
  int k = 0;
  while (size < n) {
    size <<= 1;
    ++k;
  }
  if (n > 0) samples_[n - 1] = 128;
  samples_.resize(size, 128);
  exponent_ = k;
}

}  // namespace ruvel
