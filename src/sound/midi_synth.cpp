#include "sound/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/regular_file.h"
#include "platform/shared_library.h"

namespace ruvel {

// FluidSynth is loaded at the first MIDI piece, not linked: the library
// and the thirty-odd libraries it pulls in cost every start of the program
// about 10 ms, and most runs never play MIDI. The functions used, once each:
#define RUVEL_FLUID_FUNCTIONS(X)                                                                              \
  X(fluid_set_log_function) X(new_fluid_settings) X(delete_fluid_settings) X(fluid_settings_setnum)           \
  X(fluid_settings_setint) X(fluid_settings_setstr) X(new_fluid_synth) X(delete_fluid_synth)                  \
  X(fluid_synth_sfload) X(fluid_synth_sfunload) X(fluid_synth_all_sounds_off) X(fluid_synth_system_reset)     \
  X(fluid_synth_write_float) X(fluid_synth_get_active_voice_count) X(new_fluid_player) X(delete_fluid_player) \
  X(fluid_player_add) X(fluid_player_set_loop) X(fluid_player_play) X(fluid_player_stop)                      \
  X(fluid_player_get_status)

struct TFluidLibrary {
#define RUVEL_FLUID_POINTER(name) decltype(&::name) name = nullptr;
  RUVEL_FLUID_FUNCTIONS(RUVEL_FLUID_POINTER)
#undef RUVEL_FLUID_POINTER
};

namespace {

// The library's functions, loaded once; null when the library or one of
// its functions is missing (the program then plays no MIDI and says so).
const TFluidLibrary* LoadFluidLibrary() {
  static const TFluidLibrary* loaded = [] () -> const TFluidLibrary* {
    void* handle = nullptr;
    for (const char* soname : {"libfluidsynth.so.3", "libfluidsynth.so"}) {
      if ((handle = OpenSharedLibrary(soname))) break;
    }
    if (!handle) return nullptr;
    static TFluidLibrary lib;
    bool complete = true;
#define RUVEL_FLUID_FIND(name)                                                           \
  lib.name = reinterpret_cast<decltype(&::name)>(FindLibrarySymbol(handle, #name)); \
  complete = complete && lib.name;
    RUVEL_FLUID_FUNCTIONS(RUVEL_FLUID_FIND)
#undef RUVEL_FLUID_FIND
    if (!complete) return nullptr;
    // FluidSynth reports problems on stderr by itself; the program says
    // what went wrong in its own words instead.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      lib.fluid_set_log_function(level, nullptr, nullptr);
    }
    return &lib;
  }();
  return loaded;
}

// The General MIDI soundfonts that Debian packages install, smallest first.
constexpr const char* kSystemSoundfonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// MIDI files are read whole (at most 16 MB) to be checked before playing.
constexpr size_t kMaxMidiFileBytes = size_t(16) << 20;

// A standard MIDI file: a header chunk of at least 6 bytes followed by a
// track chunk. FluidSynth reads the file only when it plays it, so a
// broken file is caught here, where it can still be reported.
bool LooksLikeMidi(const std::string& path) {
  std::string b;
  if (ReadRegularFile(path, kMaxMidiFileBytes, b) != TReadStatus::kOk) return false;
  if (b.size() < 8 || b.compare(0, 4, "MThd") != 0) return false;
  uint32_t len = uint32_t(uint8_t(b[4])) << 24 | uint32_t(uint8_t(b[5])) << 16 | uint32_t(uint8_t(b[6])) << 8 |
                 uint8_t(b[7]);
  if (len < 6 || len > 1024 || b.size() < 8 + len + 4) return false;
  return b.compare(8 + len, 4, "MTrk") == 0;
}

// A SoundFont 2 file: a RIFF file of the form "sfbk". Anything else would
// be handed to other loaders that complain on stderr.
bool LooksLikeSoundfont(const std::string& path) {
  if (!IsRegularFile(path)) return false;
  std::ifstream in(path, std::ios::binary);
  char head[12] = {};
  return in.read(head, 12) && std::string(head, 4) == "RIFF" && std::string(head + 8, 4) == "sfbk";
}

// The synthesizer's output level: a loud General MIDI note sits near a
// loud synthesizer channel, with room for chords.
constexpr double kGain = 0.4;

}  // namespace

std::string FindSoundfont(const std::string& setting) {
  if (!setting.empty()) {
    std::string p = PathToPosix(setting);
    if (!PathIsAbsolute(p) && !ProgramDir().empty()) p = PathResolve(p, ProgramDir());
    return PathLocate(p);
  }
  for (const char* p : kSystemSoundfonts) {
    if (PathExists(p)) return p;
  }
  return std::string();
}

TMidiSynth::TMidiSynth() = default;

TMidiSynth::~TMidiSynth() {
  if (player_) {
    fl_->fluid_player_stop(player_);
    fl_->delete_fluid_player(player_);
  }
  if (synth_) fl_->delete_fluid_synth(synth_);
  if (settings_) fl_->delete_fluid_settings(settings_);
}

bool TMidiSynth::LoadSoundfont(const std::string& path, std::string& error) {
  if (synth_ && path == soundfontPath_ && soundfontId_ >= 0) return true;
  if (path.empty() || !PathExists(path)) {
    error = "MIDI を再生するサウンドフォントがありません: " +
            (path.empty() ? std::string("/usr/share/sounds/sf2/TimGM6mb.sf2 (timgm6mb-soundfont)") : ToUtf8(path));
    return false;
  }
  if (!fl_) fl_ = LoadFluidLibrary();
  if (!fl_) {
    error = "MIDI を再生するライブラリ libfluidsynth.so.3 を読み込めません (libfluidsynth3)";
    return false;
  }
  if (!settings_) {
    settings_ = fl_->new_fluid_settings();
    fl_->fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fl_->fluid_settings_setnum(settings_, "synth.gain", kGain);
    fl_->fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fl_->fluid_settings_setstr(settings_, "player.timing-source", "sample");
    // The player is driven by rendering only; it never touches the
    // system's MIDI ports or audio drivers.
    fl_->fluid_settings_setint(settings_, "player.reset-synth", 1);
  }
  if (!synth_) synth_ = fl_->new_fluid_synth(settings_);
  if (!synth_) {
    error = "MIDI シンセサイザーを作成できません";
    return false;
  }
  if (soundfontId_ >= 0) fl_->fluid_synth_sfunload(synth_, soundfontId_, 1);
  soundfontId_ = LooksLikeSoundfont(path) ? fl_->fluid_synth_sfload(synth_, path.c_str(), 1) : -1;
  soundfontPath_ = soundfontId_ >= 0 ? path : std::string();
  if (soundfontId_ < 0) {
    error = "サウンドフォントを読み込めません: " + ToUtf8(path);
    return false;
  }
  return true;
}

bool TMidiSynth::Play(const std::string& midiPath, bool loop, const std::string& soundfont, std::string& error) {
  Stop();
  if (!LoadSoundfont(soundfont, error)) return false;
  if (!LooksLikeMidi(midiPath)) {
    error = "MIDI ファイルではありません: " + ToUtf8(midiPath);
    return false;
  }
  player_ = fl_->new_fluid_player(synth_);
  if (!player_ || fl_->fluid_player_add(player_, midiPath.c_str()) != FLUID_OK) {
    error = "MIDI ファイルを読み込めません: " + ToUtf8(midiPath);
    Stop();
    return false;
  }
  fl_->fluid_player_set_loop(player_, loop ? -1 : 1);
  if (fl_->fluid_player_play(player_) != FLUID_OK) {
    error = "MIDI ファイルを再生できません: " + ToUtf8(midiPath);
    Stop();
    return false;
  }
  sounding_ = true;
  return true;
}

void TMidiSynth::Stop() {
  if (player_) {
    fl_->fluid_player_stop(player_);
    fl_->delete_fluid_player(player_);
    player_ = nullptr;
  }
  if (synth_) {
    fl_->fluid_synth_all_sounds_off(synth_, -1);
    fl_->fluid_synth_system_reset(synth_);
  }
  sounding_ = false;
}

bool TMidiSynth::Playing() const { return player_ && fl_->fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING; }

void TMidiSynth::Render(int16_t* out, size_t n) {
  if (!synth_ || !sounding_) {
    std::fill(out, out + n, int16_t(0));
    return;
  }
  left_.resize(n);
  right_.resize(n);
  fl_->fluid_synth_write_float(synth_, int(n), left_.data(), 0, 1, right_.data(), 0, 1);
  for (size_t i = 0; i < n; ++i) {
    double v = std::lround((left_[i] + right_[i]) * 0.5 * 32767.0);
    out[i] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }
  // Once the piece is over and the last note has faded, stop rendering.
  if (!Playing() && fl_->fluid_synth_get_active_voice_count(synth_) == 0) sounding_ = false;
}

}  // namespace ruvel
