// The wave output that plays the synthesizer's looping buffer. A device is
// given one buffer of signed 16-bit mono samples at 44100 Hz and plays it
// in a loop; the host asks where playback stands and renders everything up
// to that point. TSdlWaveOut plays through an SDL audio device whose
// callback copies from the buffer on SDL's audio thread; TManualWaveOut
// moves only when told to (deterministic runs and tests).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ruvel {

class TWaveOut {
 public:
  virtual ~TWaveOut() = default;
  // Starts looping over buffer[0, length). The buffer must stay valid until
  // Close. On failure returns false with a reason in error.
  virtual bool Open(const int16_t* buffer, size_t length, std::string& error) = 0;
  virtual void Close() = 0;
  // Bytes played since Open, modulo the buffer length.
  virtual size_t PlayPosition() const = 0;
  // Held while the host changes bytes that the device may be reading.
  virtual void Lock() {}
  virtual void Unlock() {}
};

// An SDL audio device (S16, mono, 44100 Hz). Opening initialises SDL's audio
// subsystem when needed; in --headless runs SDL's dummy driver plays.
class TSdlWaveOut : public TWaveOut {
 public:
  ~TSdlWaveOut() override;
  bool Open(const int16_t* buffer, size_t length, std::string& error) override;
  void Close() override;
  size_t PlayPosition() const override;
  void Lock() override;
  void Unlock() override;

 private:
  static void Callback(void* user, uint8_t* stream, int len);

  uint32_t device_ = 0;  // SDL_AudioDeviceID
  const int16_t* buffer_ = nullptr;
  size_t length_ = 0;
  std::atomic<size_t> position_{0};
  bool initedAudio_ = false;
};

// A device whose play position advances only through Advance: the shell
// moves it by the fixed clock's 17 ms per frame, tests by hand.
class TManualWaveOut : public TWaveOut {
 public:
  bool Open(const int16_t* buffer, size_t length, std::string& error) override;
  void Close() override;
  size_t PlayPosition() const override { return length_ ? position_ % length_ : 0; }
  // Plays n more samples (nothing while closed).
  void Advance(size_t n);
  // Plays the samples of ms more milliseconds, carrying the fractions.
  void AdvanceMs(double ms);
  bool IsOpen() const { return open_; }
  // When set, Open fails with this text (a missing device).
  std::string failWith;

 private:
  size_t length_ = 0;
  size_t position_ = 0;
  double carry_ = 0.0;
  bool open_ = false;
};

}  // namespace ruvel
