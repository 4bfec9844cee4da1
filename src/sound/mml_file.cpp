#include "sound/mml_file.h"


#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/paths.h"
#include "sound/temp_copy.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/regular_file.h"
#include "sound/mml_compiler.h"

namespace ruvel {

namespace {

// Reads an MML source: only a regular file, and never more than one byte
// past the compiler's limit. A file over the limit comes back as that many
// bytes, so the compiler's own size check names the cap.
TReadStatus ReadAll(const std::string& path, std::string& bytes) {
  TReadStatus status = ReadRegularFile(path, kMmlMaxSource, bytes);
  if (status == TReadStatus::kTooLarge) {
    bytes.assign(kMmlMaxSource + 1, ' ');
    return TReadStatus::kOk;
  }
  return status;
}

bool IsMml(const std::string& path) {
  std::string name = PathFileName(path);
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".mml");
}

}  // namespace

namespace {

// shownIn and shownOut are the names the messages use (UTF-8).
bool Compile(const std::string& in, const std::string& out, const std::string& shownIn, const std::string& shownOut,
             std::string& error) {
  std::string source;
  TReadStatus read = ReadAll(in, source);
  if (read == TReadStatus::kNotRegular) {
    error = ToUtf8(ReadFailureText(read, Utf8ToCp932(shownIn), kMmlMaxSource));
    return false;
  }
  if (read != TReadStatus::kOk) {
    error = shownIn + ": " + MmlErrorText(TMmlErrorKind::CannotRead);
    return false;
  }
  std::string mlv;
  TMmlError e;
  if (!CompileMml(source, mlv, e)) {
    error = e.Text(shownIn);
    return false;
  }
  if (!WriteFileAtomic(out, mlv)) {
    error = shownOut + ": " + MmlErrorText(TMmlErrorKind::CannotWrite);
    return false;
  }
  return true;
}

}  // namespace

bool CompileMmlFile(const std::string& in, const std::string& out, std::string& error) {
  return Compile(in, out, in, out, error);
}

std::string MusicFileFor(const std::string& path, std::string& error) {
  if (!IsMml(path)) return path;
  const TTempCopy copy = TempCopyFor(path, "_mml_", ".mlv");
  if (copy.fresh) return copy.path;
  const std::string& cached = copy.path;
  // Script paths are CP932; the message is UTF-8 like every host text.
  if (!Compile(path, cached, ToUtf8(path), ToUtf8(cached), error)) return std::string();
  return cached;
}

int RunCompileMml(const std::string& in, const std::string& out) {
  std::string error;
  if (CompileMmlFile(in, out, error)) return 0;
  std::fprintf(stderr, "ruvel: %s\n", error.c_str());
  return 1;
}

}  // namespace ruvel
