// MML source: compiled, and whatever compiles must be a music file the
// sequencer loads. Seeds include songs built to make the compiler do far
// more work than their size (nested repeats, unmatched brackets).
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "fuzz_support.h"
#include "platform/audio_device.h"
#include "sound/melvane.h"
#include "sound/mml_compiler.h"
#include "sound/music_roll.h"

namespace {

void Seed(const std::string& dir, const std::string& name, const std::string& text) {
  std::ofstream(dir + "/" + name, std::ios::binary) << text;
}

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

// With RUVEL_FUZZ_SEEDS set, writes the seeds there: an ordinary song and
// the hostile shapes.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* env = std::getenv("RUVEL_FUZZ_SEEDS");
  if (!env) return 0;
  std::string dir = env;
  Seed(dir, "song.mml",
       "; two channels\nA t120 @1 v160 o5 l8 cdeg r2 W L [ceg>c<:b]2 W\nB t120 @24 v200 E1,0 o3 l2 c r W L c g W\n"
       "C @wave5{" + Times("128,", 31) + "128} @sample\"hit.wav\",96 @marker\"m\" {ce}4 n40,8 c^16&d M20,3 D-5\n");
  Seed(dir, "nested_twice.mml", "A " + Times("[", 1000) + "c%1" + Times("]", 1000) + "\n");
  Seed(dir, "nested_999.mml", "A " + Times("[", 500) + " " + Times("]999", 500) + "\n");
  Seed(dir, "nested_zero.mml", "A " + Times("[", 1000) + Times("]0", 1000) + " c\n");
  Seed(dir, "unclosed.mml", "A c " + Times("[", 2000) + "\n");
  Seed(dir, "stray.mml", "A c " + Times("]", 2000) + "\n");
  Seed(dir, "breaks.mml", "A " + Times("[c:", 300) + Times("]999", 300) + "\n");
  Seed(dir, "channels.mml", Times("ABCDEFGHIJ [c%1]999\n", 100));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string mlv;
  ruvel::TMmlError error;
  // A smaller cap on repeats written out keeps each run quick under the
  // sanitizers; the paths taken are the same.
  std::vector<ruvel::TMmlNotePlace> places;
  std::string source = ruvel::fuzz::Bytes(data, size);
  if (!ruvel::CompileMml(source, mlv, error, int64_t(1) << 20, &places)) return 0;
  ruvel::TManualWaveOut device;
  ruvel::TMelvane seq(&device);
  if (seq.LoadMusicBytes(mlv) != ruvel::kSoundOk) std::abort();
  // Every note's recorded place is a note command the roll walked.
  ruvel::TMusicRoll roll = ruvel::WalkMusic(mlv);
  for (const ruvel::TMmlNotePlace& p : places) {
    const auto& events = roll.channels[p.channel].events;
    auto it = std::lower_bound(events.begin(), events.end(), p.streamOffset,
                               [](const ruvel::TRollEvent& e, uint32_t o) { return e.offset < o; });
    if (it == events.end() || it->offset != p.streamOffset) std::abort();
  }
  return 0;
}
