// Tone files ("tones.wdt"): wave and envelope tables, written back byte
// for byte, then a note played with them.
#include <cstdlib>
#include <exception>

#include "fuzz_support.h"
#include "platform/audio_device.h"
#include "sound/melvane.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = ruvel::fuzz::WriteScratch("tones.wdt", ruvel::fuzz::Bytes(data, size));
  ruvel::TManualWaveOut device;
  ruvel::TMelvane seq(&device);
  if (!seq.LoadTones(path)) return 0;
  // What was read is what the editor would write back.
  try {
    ruvel::TToneTables tables = ruvel::ParseToneBytes(ruvel::fuzz::Bytes(data, size), "tones.wdt");
    if (!(ruvel::ParseToneBytes(ruvel::ToneBytes(tables), "tones.wdt") == tables) || !(seq.Tones() == tables)) std::abort();
  } catch (const std::exception&) {
    std::abort();
  }
  // Channel 0 plays note 45 for 100 ticks with tone 0 and envelope 0.
  std::string music = std::string("\x64\0\0\0\x0a", 5);
  music += std::string("\x03\0\0\0\x2d\x64\0", 7);
  for (int c = 1; c < 10; ++c) music += std::string("\0\0\0\0", 4);
  if (seq.LoadMusicBytes(music) != ruvel::kSoundOk) return 0;
  seq.PlayMusic();
  device.AdvanceMs(50);
  seq.Service();
  return 0;
}
