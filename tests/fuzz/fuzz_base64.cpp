// The Base64 form of binary streams: lenient decoding, then encoding what
// was decoded must decode to the same bytes.
#include <cstdlib>

#include "fuzz_support.h"
#include "io/bin_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  const ruvel::TPzConv& conv = ruvel::PzConv();
  std::vector<uint8_t> bytes = conv.Decode(ruvel::fuzz::Bytes(data, size));
  std::string text = conv.Encode(bytes.data(), bytes.size());
  if (conv.Decode(text) != bytes) std::abort();
  ruvel::TBinaryInputStream in(std::move(bytes));
  while (in.Position() < in.Length()) in.ReadInt();
  return 0;
}
