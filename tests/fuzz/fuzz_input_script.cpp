// The --input file: read from a file (two passes) and from text give the
// same events; each event written and read back is the same event.
#include <cstdlib>

#include "fuzz_support.h"
#include "shell/input_script.h"

namespace {

bool Same(const ruvel::TInputEvent& a, const ruvel::TInputEvent& b) {
  return a.frame == b.frame && a.kind == b.kind && a.key == b.key && a.right == b.right && a.x == b.x && a.y == b.y;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = ruvel::fuzz::Bytes(data, size);
  std::string path = ruvel::fuzz::WriteScratch("input.txt", text);
  std::vector<ruvel::TInputEvent> fromFile;
  std::vector<ruvel::TInputEvent> fromText;
  bool fileOk = true;
  bool textOk = true;
  try {
    fromFile = ruvel::LoadInputScript(path);
  } catch (const ruvel::EInputScript&) {
    fileOk = false;
  }
  try {
    fromText = ruvel::ParseInputScript(text, path);
  } catch (const ruvel::EInputScript&) {
    textOk = false;
  }
  if (fileOk != textOk || fromFile.size() != fromText.size()) std::abort();
  std::string written;
  for (size_t i = 0; i < fromFile.size(); ++i) {
    if (!Same(fromFile[i], fromText[i])) std::abort();
    written += ruvel::FormatInputEvent(fromFile[i]) + "\n";
  }
  std::vector<ruvel::TInputEvent> again = ruvel::ParseInputScript(written, "again.txt");
  if (again.size() != fromFile.size()) std::abort();
  for (size_t i = 0; i < again.size(); ++i) {
    if (!Same(again[i], fromFile[i])) std::abort();
  }
  return 0;
}
