// WAV files, converted and padded as sample tones are.
#include "fuzz_support.h"
#include "sound/wav_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  ruvel::TWavLoader wav;
  wav.LoadBytes(ruvel::fuzz::Bytes(data, size));
  if (!wav.HasError()) wav.MakePowerOfTwo();
  return 0;
}
