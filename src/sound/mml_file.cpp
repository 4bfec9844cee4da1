#include "sound/mml_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/paths.h"
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

// Modification time in nanoseconds, -1 when the file is missing.
int64_t ModifiedNs(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool IsMml(const std::string& path) {
  std::string name = PathFileName(path);
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".mml");
}

// A short stable name for a source path, so that two songs of the same
// name in different folders get different copies.
std::string PathHash(const std::string& path) {
  uint32_t h = 2166136261u;
  for (char c : path) h = (h ^ uint8_t(c)) * 16777619u;
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
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
  std::string dir = ProgramDir().empty() ? std::string("Temp") : ProgramDir() + "/Temp";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string cached = dir + "/_mml_" + PathBaseName(path) + "_" + PathHash(path) + ".mlv";
  int64_t cachedTime = ModifiedNs(cached);
  // Strictly newer: a song saved within the clock tick of the last compile
  // has the same time as the compiled copy and is compiled again.
  if (cachedTime >= 0 && cachedTime > ModifiedNs(path)) return cached;
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
