// Script source text (CP932 or UTF-8) through the lexer and the parser.
#include "compiler/script_parser.h"
#include "compiler/yup_parser.h"
#include "fuzz_support.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string text = ruvel::fuzz::Bytes(data, size);
  // A source that is valid UTF-8 is converted as the file reader does.
  if (ruvel::LooksLikeUtf8(text)) text = ruvel::Utf8ToCp932(text);
  try {
    ruvel::TYup& parser = ruvel::ScriptParser();
    auto tokens = parser.Tokenize(text);
    if (tokens) parser.Parse(*tokens);
  } catch (const std::exception&) {
  }
  return 0;
}
