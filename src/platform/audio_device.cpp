#include "platform/audio_device.h"

#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ruvel {

namespace {

// Sound libraries probing for a card write screens of their own errors to
// stderr; while SDL looks for a device, stderr goes nowhere.
class TQuietStderr {
 public:
  TQuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~TQuietStderr() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }

 private:
  int saved_ = -1;
};

// Owned here: the real drivers failed once and SDL now runs on its dummy
// driver, so the failure is not tried (and reported) again.
bool g_onDummyDriver = false;

// Starts SDL's audio on a real driver, or else on the dummy driver (which
// plays nothing at the right pace), saying so once.
bool InitAudio(std::string& error) {
  if (!g_onDummyDriver) {
    TQuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
    error = SDL_GetError();
  }
  return false;
}

uint32_t OpenDevice(SDL_AudioSpec& want) {
  SDL_AudioSpec have{};
  TQuietStderr quiet;
  // No changes allowed: SDL converts if the hardware wants another format.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

// Moves SDL's audio to the dummy driver after the real ones failed.
bool FallBackToDummy(const std::string& reason, std::string& error) {
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = SDL_GetError();
    return false;
  }
  if (!g_onDummyDriver) {
    std::fprintf(stderr, "ruvel: 音声デバイスを開けません (%s)。音を出さずに続けます。\n", reason.c_str());
  }
  g_onDummyDriver = true;
  return true;
}

}  // namespace

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
    std::string reason;
    if (!InitAudio(reason) && !FallBackToDummy(reason, error)) return false;
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
  device_ = OpenDevice(want);
  if (!device_ && !g_onDummyDriver) {
    std::string reason = SDL_GetError();
    if (!FallBackToDummy(reason, error)) return false;
    initedAudio_ = true;
    device_ = OpenDevice(want);
  }
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
