// The cookie file: read, queried, changed and written back, then read
// again to the same values.
#include <cstdlib>

#include "fuzz_support.h"
#include "io/cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = ruvel::fuzz::WriteScratch("Cookies.ini", ruvel::fuzz::Bytes(data, size));
  ruvel::TCookieStore store;
  if (!store.Load(path)) return 0;
  std::string before = store.Get("AutoLoadPage");
  store.Set("fuzz", "1");
  store.Save(path);
  ruvel::TCookieStore again;
  if (!again.Load(path) || again.Get("fuzz") != "1" || again.Get("AutoLoadPage") != before) std::abort();
  return 0;
}
