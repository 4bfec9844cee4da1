#include "platform/audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace ruvel {

TSdlWaveOut::~TSdlWaveOut() {
  Close();
  if (initedAudio_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool TSdlWaveOut::Open(const int16_t* buffer, size_t length, std::string& error) {
  if (device_) Close();
  if (!buffer || length == 0) {
    error = "empty buffer";
    return false;
  }
  if (!SDL_WasInit(SDL_INIT_AUDIO)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      error = SDL_GetError();
      return false;
    }
    initedAudio_ = true;
  }
  buffer_ = buffer;
  length_ = length;
  position_.store(0);
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  want.callback = &TSdlWaveOut::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts if the hardware wants another format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!device_) {
    error = SDL_GetError();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void TSdlWaveOut::Close() {
  if (!device_) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  buffer_ = nullptr;
  length_ = 0;
}

size_t TSdlWaveOut::PlayPosition() const {
  return length_ ? position_.load(std::memory_order_acquire) % length_ : 0;
}

void TSdlWaveOut::Lock() {
  if (device_) SDL_LockAudioDevice(device_);
}

void TSdlWaveOut::Unlock() {
  if (device_) SDL_UnlockAudioDevice(device_);
}

// Runs on SDL's audio thread: copies the next len bytes (len / 2 samples)
// of the loop.
void TSdlWaveOut::Callback(void* user, uint8_t* stream, int len) {
  auto* self = static_cast<TSdlWaveOut*>(user);
  size_t pos = self->position_.load(std::memory_order_relaxed) % self->length_;
  size_t left = static_cast<size_t>(len) / sizeof(int16_t);
  while (left > 0) {
    size_t n = std::min(left, self->length_ - pos);
    std::memcpy(stream, self->buffer_ + pos, n * sizeof(int16_t));
    stream += n * sizeof(int16_t);
    left -= n;
    pos = (pos + n) % self->length_;
  }
  self->position_.store(pos, std::memory_order_release);
}

bool TManualWaveOut::Open(const int16_t* buffer, size_t length, std::string& error) {
  if (!failWith.empty()) {
    error = failWith;
    return false;
  }
  if (!buffer || length == 0) {
    error = "empty buffer";
    return false;
  }
  length_ = length;
  position_ = 0;
  carry_ = 0.0;
  open_ = true;
  return true;
}

void TManualWaveOut::Close() {
  open_ = false;
  length_ = 0;
  position_ = 0;
}

void TManualWaveOut::Advance(size_t n) {
  if (open_) position_ = (position_ + n) % length_;
}

void TManualWaveOut::AdvanceMs(double ms) {
  double samples = ms * 44.1 + carry_;
  auto whole = static_cast<size_t>(samples);
  carry_ = samples - static_cast<double>(whole);
  Advance(whole);
}

}  // namespace ruvel
