// Memory cards: the header check and reading bytes and integers to the end.
#include "fuzz_support.h"
#include "io/memory_card.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes = ruvel::fuzz::Bytes(data, size);
  bool map = size > 0 && (data[0] & 1);
  ruvel::fuzz::WriteScratch(map ? "card.map" : "card.dat", bytes);
  try {
    auto in = ruvel::OpenMemoryCardReader(map ? "card.map" : "card.dat");
    if (!in) return 0;
    unsigned char four[4];
    while (!in->AtEnd()) {
      if (in->ReadByte() < 0) break;
      in->Read(four, 4);
    }
  } catch (const ruvel::ERuvel&) {
  }
  return 0;
}
