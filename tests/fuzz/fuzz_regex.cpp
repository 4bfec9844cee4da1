// The regular-expression wrapper: the input's first line is the pattern
// ("/re/flags" or "s/re/repl/flags"), the rest the subject text.
#include "fuzz_support.h"
#include "platform/bregexp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string input = ruvel::fuzz::Bytes(data, size);
  size_t nl = input.find('\n');
  std::string pattern = input.substr(0, nl);
  std::string text = nl == std::string::npos ? std::string() : input.substr(nl + 1);
  static ruvel::TBRegExp re;
  try {
    if (re.Match(pattern, text)) {
      for (int i = 0; i < re.Count(); ++i) re.Get(i);
    }
    std::string subject = text;
    re.Substitute(pattern, subject);
    re.Split(pattern, text, 8);
  } catch (const std::exception&) {
  }
  return 0;
}
