// TSoundGenerator: the synthesizer's output side. It owns the ring buffer
// of signed 16-bit samples (0 is silence) that the wave output plays in a
// loop, the buffer length, the open and device-error state, the write
// position, the 96 wave tables and each channel's oscillator (phase, step
// and the wave it reads). Rendering is TEnveloper's (enveloper.h).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio_device.h"

namespace ruvel {

// The text of a wave-output result code ("MMSYSERR_NOMEM", "MMSYSTEM99").
std::string WaveOutErrorText(int code);

class TSoundGenerator {
 public:
  static constexpr size_t kRingSize = 65536;
  static constexpr int kChannels = 10;
  static constexpr int kTones = 96;
  static constexpr int kNoiseTone = 95;
  static constexpr int kWaveSize = 32;
  static constexpr int kDefaultLength = 22050;
  // The synthesis works in the levels of 8-bit sound (a full swing is
  // -128..127); the output scales each level step to 64 steps of 16 bits.
  // A full 8-bit swing thus takes a quarter of the output range, and
  // overlapping channels and effects have four times that before clipping.
  static constexpr int kOutputGain = 64;

  // A mixed level (8-bit steps, 0 is silence) as an output sample.
  static int16_t ToOutput(int32_t level) {
    int32_t v = level * kOutputGain;
    return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }

  // The device is not owned and may be replaced while closed.
  explicit TSoundGenerator(TWaveOut* device);
  virtual ~TSoundGenerator();
  TSoundGenerator(const TSoundGenerator&) = delete;
  TSoundGenerator& operator=(const TSoundGenerator&) = delete;

  void SetDevice(TWaveOut* device);
  TWaveOut* Device() const { return device_; }

  // The length the next Open uses: 256 up to but not including 60000;
  // other values are ignored (returns false).
  bool SetRequestedLength(int length);
  int RequestedLength() const { return requested_; }
  size_t Length() const { return length_; }

  // Opens the device over a silent buffer (nothing when already open). A
  // failure sets the device-error flag and the last-error text.
  virtual bool Open();
  // Stops the device and silences the buffer.
  virtual void Close();
  bool IsOpen() const { return open_; }
  bool DeviceError() const { return deviceError_; }
  // Open and without a device error: fills and plays may run.
  bool Usable() const { return open_ && !deviceError_; }
  const std::string& LastError() const { return lastError_; }

  const int16_t* Buffer() const { return ring_.data(); }
  size_t WritePosition() const { return write_; }
  // Wave table t (0 to 95), 32 unsigned bytes.
  const uint8_t* Wave(int t) const { return waves_[t].data(); }
  void SetWave(int t, const uint8_t* bytes);

  // Receives every stretch of samples the device has played, in order
  // (--record-audio). Called during fills.
  std::function<void(const int16_t* data, size_t n)> onPlayed;

 protected:
  // Passes [recorded_, upTo) to onPlayed and moves recorded_ on.
  void ReportPlayed(size_t upTo);

  TWaveOut* device_;
  std::array<int16_t, kRingSize> ring_{};
  size_t length_ = kDefaultLength;
  int requested_ = kDefaultLength;
  bool open_ = false;
  bool deviceError_ = false;
  std::string lastError_;
  size_t write_ = 0;
  size_t played_ = 0;    // play position read at the last fill
  size_t recorded_ = 0;  // samples up to here went to onPlayed

  std::array<uint32_t, kChannels> phase_{};
  std::array<uint32_t, kChannels> step_{};
  std::array<const uint8_t*, kChannels> wave_{};
  std::array<std::array<uint8_t, kWaveSize>, kTones> waves_{};
};

}  // namespace ruvel
