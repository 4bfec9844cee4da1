#include "sound/melvane.h"

#include <algorithm>

#include "platform/paths.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

// Music (".mlv") and tone files: regular files of at most 16 MB.
constexpr size_t kMaxMelvaneFileBytes = size_t(16) << 20;

bool ReadFile(const std::string& path, std::string& bytes) {
  return ReadRegularFile(path, kMaxMelvaneFileBytes, bytes) == TReadStatus::kOk;
}

int32_t I32(const std::string& b, size_t at) {
  return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
                 uint32_t(uint8_t(b[at + 3])) << 24);
}

}  // namespace

TMelvane::TMelvane(TWaveOut* device) : engine_(device), blocks_(TSoundGenerator::kChannels) {
  if (IsRegularFile("tones.wdt")) LoadTones("tones.wdt");
}

TMelvane::~TMelvane() {
  effects_.clear();
  engine_.Close();
  StopMusic();
  FreeBlocks();
}

bool TMelvane::SetDelay(int n) {
  if (n < 0 || n >= BufferSize() - 10) return false;
  engine_.delay = n;
  return true;
}

bool TMelvane::LoadTones(const std::string& path) {
  try {
    ApplyTones(ReadToneFile(path));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

TToneTables TMelvane::Tones() const {
  TToneTables t;
  for (int w = 0; w < TToneTables::kWaves; ++w) std::copy_n(engine_.Wave(w), TToneTables::kSteps, t.waves[w].begin());
  for (int e = 0; e < TToneTables::kEnvelopes; ++e) std::copy_n(engine_.Envelope(e), TToneTables::kSteps, t.envelopes[e].begin());
  return t;
}

TToneTables TMelvane::BuiltInTones() {
  TEnveloper fresh(nullptr);
  TToneTables t;
  for (int w = 0; w < TToneTables::kWaves; ++w) std::copy_n(fresh.Wave(w), TToneTables::kSteps, t.waves[w].begin());
  for (int e = 0; e < TToneTables::kEnvelopes; ++e) std::copy_n(fresh.Envelope(e), TToneTables::kSteps, t.envelopes[e].begin());
  return t;
}

void TMelvane::ApplyTones(const TToneTables& tables) {
  for (int w = 0; w < TToneTables::kWaves; ++w) engine_.SetWave(w, tables.waves[w].data());
  for (int e = 0; e < TToneTables::kEnvelopes; ++e) engine_.SetEnvelope(e, tables.envelopes[e].data());
}

void TMelvane::PlayChannel(int ch, std::vector<uint8_t> commands) {
  if (ch < 0 || ch >= TSoundGenerator::kChannels) return;
  engine_.Open();
  if (!engine_.Usable()) {
    status_ = kSoundNoDevice;
    return;
  }
  blocks_[ch] = std::move(commands);
  engine_.SetSequence(ch, blocks_[ch].data(), blocks_[ch].size());
  engine_.StartChannel(ch);
}

void TMelvane::FreeBlocks() {
  for (int c = 0; c < TSoundGenerator::kChannels; ++c) {
    engine_.SetSequence(c, nullptr, 0);
    blocks_[c].clear();
  }
}

TSoundStatus TMelvane::LoadMusic(const std::string& path) {
  std::string b;
  if (!ReadFile(path, b)) {
    StopMusic();
    FreeBlocks();
    return status_ = kSoundCannotOpen;
  }
  return LoadMusicBytes(b);
}

TSoundStatus TMelvane::LoadMusicBytes(const std::string& b) {
  StopMusic();
  FreeBlocks();
  status_ = kSoundOk;
  if (b.size() < 5) return status_ = kSoundMalformed;
  if (I32(b, 0) > kNewestVersion) status_ = kSoundNewerVersion;
  if (uint8_t(b[4]) != TSoundGenerator::kChannels) return status_ = kSoundMalformed;
  size_t at = 5;
  for (int c = 0; c < TSoundGenerator::kChannels; ++c) {
    if (at + 4 > b.size()) {
      FreeBlocks();
      return status_ = kSoundMalformed;
    }
    int32_t len = I32(b, at);
    at += 4;
    // A length beyond the bytes that are left is as malformed as one
    // beyond the file.
    if (len > 0 && size_t(len) > b.size() - at) {
      FreeBlocks();
      return status_ = kSoundMalformed;
    }
    if (len > 0) {
      blocks_[c].assign(b.begin() + long(at), b.begin() + long(at) + len);
      at += size_t(len);
    }
  }
  for (int c = 0; c < TSoundGenerator::kChannels; ++c) {
    engine_.SetSequence(c, blocks_[c].data(), blocks_[c].size());
  }
  return status_;
}

void TMelvane::PlayMusic() {
  engine_.Open();
  if (!engine_.Usable()) {
    status_ = kSoundNoDevice;
    return;
  }
  for (int c = 0; c < TSoundGenerator::kChannels; ++c) engine_.StartChannel(c);
}

void TMelvane::PlayMusicFrom(int64_t startTick) {
  PlayMusic();
  if (status_ == kSoundNoDevice || startTick <= 0) return;
  engine_.SkipTo(engine_.tick + startTick);
}

void TMelvane::StopMusic() {
  if (!engine_.Usable()) return;
  for (int c = 0; c < TSoundGenerator::kChannels; ++c) engine_.StopChannel(c);
}

void TMelvane::SetEnable(bool on) {
  if (on) {
    engine_.Open();
  } else {
    engine_.Close();
  }
  status_ = engine_.DeviceError() ? kSoundNoDevice : kSoundOk;
}

int32_t TMelvane::LoadEffectBytes(const std::string& wavBytes) {
  auto wav = std::make_unique<TWavLoader>();
  wav->LoadBytes(wavBytes);
  return AddEffect(std::move(wav));
}

int32_t TMelvane::LoadEffect(const std::string& path) { return AddEffect(std::make_unique<TWavLoader>(path)); }

int32_t TMelvane::AddEffect(std::unique_ptr<TWavLoader> wav) {
  if (wav->openError) {
    status_ = kSoundCannotOpen;
    return 0;
  }
  if (wav->formatError) {
    status_ = kSoundNoFormat;
    return 0;
  }
  status_ = kSoundOk;
  int32_t id = nextEffectId_++;
  effects_.push_back(TEffect{id, std::move(wav)});
  return id;
}

bool TMelvane::HasEffect(int32_t id) const {
  return std::any_of(effects_.begin(), effects_.end(), [id](const TEffect& e) { return e.id == id; });
}

void TMelvane::PlayEffect(int32_t id, int volume) {
  engine_.Open();
  if (!engine_.Usable()) return;
  for (const TEffect& e : effects_) {
    if (e.id == id) engine_.StartEffect(e.wav->Samples().data(), e.wav->SampleCount(), volume);
  }
}

// The device stays open: music and other effects play on. Only the slots
// still reading this sample are dropped before it is freed.
void TMelvane::FreeEffect(int32_t id) {
  auto it = std::find_if(effects_.begin(), effects_.end(), [id](const TEffect& e) { return e.id == id; });
  if (it == effects_.end()) return;
  engine_.DropEffects(it->wav->Samples().data(), it->wav->SampleCount());
  effects_.erase(it);
}

void TMelvane::Service() {
  if (engine_.Usable()) engine_.Fill();
}

void TMelvane::Tick(double nowMs) {
  if (nowMs - lastTick_ < interval_) return;
  lastTick_ = nowMs;
  Service();
}

}  // namespace ruvel
