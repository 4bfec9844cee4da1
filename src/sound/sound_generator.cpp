#include "sound/sound_generator.h"

#include <algorithm>

namespace ruvel {

std::string WaveOutErrorText(int code) {
  switch (code) {
    case 0: return "MMSYSERR_NOERROR";
    case 2: return "MMSYSERR_BADDEVICEID";
    case 4: return "MMSYSERR_ALLOCATED";
    case 5: return "MMSYSERR_INVALHANDLE";
    case 6: return "MMSYSERR_NODRIVER";
    case 7: return "MMSYSERR_NOMEM";
    case 8: return "MMSYSERR_NOTSUPPORTED";
    case 32: return "WAVERR_BADFORMAT";
    case 34: return "WAVERR_UNPREPARED";
    case 35: return "WAVERR_SYNC";
    default: return "MMSYSTEM" + std::to_string(code);
  }
}

TSoundGenerator::TSoundGenerator(TWaveOut* device) : device_(device) {
  ring_.fill(0);
  // Every table starts as a square wave.
  for (auto& w : waves_) {
    std::fill(w.begin(), w.begin() + 16, uint8_t(103));
    std::fill(w.begin() + 16, w.end(), uint8_t(153));
  }
  for (int c = 0; c < kChannels; ++c) wave_[c] = waves_[0].data();
}

TSoundGenerator::~TSoundGenerator() { TSoundGenerator::Close(); }

void TSoundGenerator::SetDevice(TWaveOut* device) {
  if (open_) Close();
  device_ = device;
}

bool TSoundGenerator::SetRequestedLength(int length) {
  if (length < 256 || length >= 60000) return false;
  requested_ = length;
  return true;
}

bool TSoundGenerator::Open() {
  if (open_) return true;
  length_ = static_cast<size_t>(requested_);
  ring_.fill(0);
  write_ = played_ = recorded_ = 0;
  std::string error;
  if (!device_) {
    error = WaveOutErrorText(6);
  } else if (device_->Open(ring_.data(), length_, error)) {
    open_ = true;
    deviceError_ = false;
    lastError_.clear();
    return true;
  }
  deviceError_ = true;
  lastError_ = error;
  return false;
}

void TSoundGenerator::Close() {
  if (!open_) return;
  if (device_) device_->Close();
  ring_.fill(0);
  open_ = false;
}

void TSoundGenerator::SetWave(int t, const uint8_t* bytes) {
  if (t < 0 || t >= kTones) return;
  std::copy(bytes, bytes + kWaveSize, waves_[t].begin());
}

void TSoundGenerator::ReportPlayed(size_t upTo) {
  if (onPlayed && length_ > 0) {
    if (upTo < recorded_) {
      onPlayed(ring_.data() + recorded_, length_ - recorded_);
      recorded_ = 0;
    }
    if (upTo > recorded_) onPlayed(ring_.data() + recorded_, upTo - recorded_);
  }
  recorded_ = upTo;
}

}  // namespace ruvel
