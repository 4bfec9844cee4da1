// Music files (".mlv"): walked for the piano roll, read, then played for
// two seconds of samples so that every sequence command met is carried
// out, and once more started a second into the song.
#include <cstdlib>
#include <fstream>

#include "fuzz_support.h"
#include "platform/audio_device.h"
#include "sound/melvane.h"
#include "sound/music_roll.h"

// With RUVEL_FUZZ_SEEDS set, writes a small music file there as a seed:
// version 100, ten channels, notes and rests on the first two.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* dir = std::getenv("RUVEL_FUZZ_SEEDS");
  if (!dir) return 0;
  auto put32 = [](std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
  };
  std::string song;
  put32(song, 100);
  song += char(10);
  // Note or rest: the note byte and a 16-bit length.
  const std::string channels[2] = {std::string("\x2d\x30\x00\x30\x18\x00\x63\x18\x00", 9),
                                   std::string("\x21\x60\x00", 3)};
  for (int c = 0; c < 10; ++c) {
    std::string cmds = c < 2 ? channels[c] : std::string();
    put32(song, uint32_t(cmds.size()));
    song += cmds;
  }
  std::ofstream(std::string(dir) + "/song.mlv", std::ios::binary) << song;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string bytes = ruvel::fuzz::Bytes(data, size);
  ruvel::TMusicRoll roll = ruvel::WalkMusic(bytes);
  for (const ruvel::TRollChannel& c : roll.channels) {
    for (size_t i = 1; i < c.notes.size(); ++i) {
      if (c.notes[i].tick < c.notes[i - 1].tick) std::abort();  // the roll is in time order
    }
  }
  ruvel::TManualWaveOut device;
  ruvel::TMelvane seq(&device);
  if (seq.LoadMusicBytes(bytes) != ruvel::kSoundOk) return 0;
  seq.PlayMusic();
  for (int i = 0; i < 40; ++i) {
    device.AdvanceMs(50);
    seq.Service();
  }
  seq.StopMusic();
  seq.PlayMusicFrom(88200);
  device.AdvanceMs(50);
  seq.Service();
  seq.StopMusic();
  return 0;
}
