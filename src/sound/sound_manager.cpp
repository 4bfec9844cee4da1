#include "sound/sound_manager.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "io/cookies.h"
#include "platform/paths.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "sound/mml_file.h"
#include "sound/sfx_wav.h"

namespace ruvel {

namespace {

std::unique_ptr<TSndManager>& Instance() {
  static std::unique_ptr<TSndManager> instance;
  return instance;
}

std::string LowerExtension(const std::string& path) {
  std::string name = PathFileName(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string ext = name.substr(dot);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

TSndManager::TSndManager() : device_(std::make_unique<TManualWaveOut>()), seq_(std::make_unique<TMelvane>(device_.get())) {
  seq_->SetInterval(50);
  seq_->SetBufferSize(kBufferSize);
  seq_->SetDelay(kDelay);
  seq_->Engine().extraSource = [this](int16_t* out, size_t n) { midi_.Render(out, n); };
  soundfontSetting = [] {
    std::string p = PrjManager().GetParam("soundfont");
    return p.empty() ? Cookies().Get("soundfont") : p;
  };
}

TSndManager::~TSndManager() {
  std::string ignored;
  StopRecording(ignored);
  seq_.reset();
}

void TSndManager::AttachDevice(std::unique_ptr<TWaveOut> device) {
  seq_->Engine().SetDevice(device.get());
  device_ = std::move(device);
}

void TSndManager::ReportFile(const std::string& file, const std::string& what) {
  if (!reportedFiles_.insert(file).second) return;
  std::string text = what + ": " + file;
  std::fprintf(stderr, "ruvel: %s\n", ToUtf8(text).c_str());
  if (notice) notice(text);
}

int32_t TSndManager::LoadEffect(const std::string& name) {
  std::string path = LocateSoundFile(name);
  if (path.empty()) {
    ReportFile(name, J("効果音のファイルが見つかりません"));
    return 0;
  }
  // A ".sfx" plays from its rendered copy; what was clamped or ignored in
  // it is told in one message when the copy is made.
  std::vector<std::string> problems;
  std::string error;
  path = EffectFileFor(path, problems, error);
  if (!problems.empty()) {
    std::string text;
    for (const std::string& p : problems) text += (text.empty() ? "" : "\n") + p;
    ShowMessage(Utf8ToCp932(text));
  }
  if (path.empty()) {
    if (reportedFiles_.insert(error).second) ShowMessage(Utf8ToCp932(error));
    return 0;
  }
  int32_t id = seq_->LoadEffect(path);
  TSoundStatus status = seq_->Status();
  if (id == 0 && (status == kSoundCannotOpen || status == kSoundNoFormat)) {
    ReportFile(path, J("効果音のファイルを読めません"));
  }
  return id;
}

void TSndManager::PlayEffect(int32_t id, int volume) {
  if (id != 0 && soundOn_) seq_->PlayEffect(id, volume);
}

void TSndManager::FreeEffect(int32_t id) {
  if (id != 0) seq_->FreeEffect(id);
}

void TSndManager::PlayBgm(const std::string& name, bool hasLoop, bool loop) {
  if (!soundOn_) return;
  if (hasLoop) midiLoop_ = loop;
  std::string path = LocateSoundFile(name);
  if (path.empty()) {
    ReportFile(name, J("BGM のファイルが見つかりません"));
    return;
  }
  std::string ext = LowerExtension(path);
  if (ext == ".mlv" || ext == ".mml") {
    std::string error;
    std::string music = MusicFileFor(path, error);
    if (music.empty()) {
      ShowMessage(Utf8ToCp932(error));
      return;
    }
    midi_.Stop();
    TSoundStatus status = seq_->LoadMusic(music);
    if (status != kSoundOk && status != kSoundNoDevice) ReportFile(music, J("BGM のファイルを読めません"));
    seq_->PlayMusic();
    mode_ = TBgmMode::kMusic;
    musicSource_ = path;
  } else if (ext == ".mid" || ext == ".midi") {
    // The MIDI piece replaces the sequencer's music, as one BGM does another.
    if (mode_ == TBgmMode::kMusic) seq_->StopMusic();
    mode_ = TBgmMode::kMidi;
    musicSource_.clear();
    std::string font = FindSoundfont(soundfontSetting ? soundfontSetting() : std::string());
    std::string error;
    if (!midi_.Play(path, midiLoop_, font, error)) {
      // Each missing soundfont or unusable file is reported once.
      if (reportedFailure_ != font + "\n" + path) ShowMessage(Utf8ToCp932(error));
      reportedFailure_ = font + "\n" + path;
      return;
    }
    seq_->Engine().Open();
  }
}

void TSndManager::Stop() {
  if (mode_ == TBgmMode::kMusic) seq_->StopMusic();
  if (mode_ == TBgmMode::kMidi) midi_.Stop();
  mode_ = TBgmMode::kNone;
  musicSource_.clear();
}

bool TSndManager::RestartMusic(const std::string& path) {
  if (mode_ != TBgmMode::kMusic || musicSource_.empty() || !PathSame(musicSource_, path)) return false;
  std::string source = musicSource_;
  PlayBgm(source, false, midiLoop_);
  return true;
}

void TSndManager::SetEnable(bool on) { seq_->SetEnable(on); }

void TSndManager::SetSoundSwitch(bool on) {
  soundOn_ = on;
  if (!on) Stop();
}

bool TSndManager::StartRecording(const std::string& path, std::string& error) {
  if (!recorder_.Open(path, error)) return false;
  seq_->Engine().onPlayed = [this](const int16_t* data, size_t n) { recorder_.Write(data, n); };
  // The device plays (silence) from now on, so the recording keeps time
  // with the frames from the start instead of from the first sound.
  seq_->Engine().Open();
  return true;
}

bool TSndManager::StopRecording(std::string& error) {
  if (seq_) seq_->Engine().onPlayed = nullptr;
  return recorder_.Close(error);
}

TSndManager& SoundManager() {
  auto& instance = Instance();
  if (!instance) instance = std::make_unique<TSndManager>();
  return *instance;
}

bool ShutDownSound(std::string& error) {
  auto& instance = Instance();
  if (!instance) return true;
  instance->Stop();
  instance->Sequencer().Engine().Close();
  bool ok = instance->StopRecording(error);
  instance.reset();
  return ok;
}

std::string LocateSoundFile(const std::string& name) {
  if (name.empty()) return std::string();
  std::string p = PathToPosix(name);
  std::vector<std::string> tries;
  if (PathIsAbsolute(p)) {
    tries.push_back(p);
  } else {
    if (!PageDir().empty()) tries.push_back(PathResolve(p, PageDir()));
    if (!ProgramDir().empty()) tries.push_back(PathResolve(p, ProgramDir()));
    tries.push_back(p);
  }
  for (const std::string& t : tries) {
    if (auto found = PathFindNoCase(t)) return *found;
  }
  return std::string();
}

}  // namespace ruvel
