#include "sound/sfx_wav.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "sound/sfx_file.h"
#include "sound/sfx_render.h"
#include "sound/wav_writer.h"

namespace ruvel {

namespace {

// Modification time in nanoseconds, -1 when the file is missing.
int64_t ModifiedNs(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// A short stable name for a source path, so that two effects of the same
// name in different folders get different copies.
std::string PathHash(const std::string& path) {
  uint32_t h = 2166136261u;
  for (char c : path) h = (h ^ uint8_t(c)) * 16777619u;
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
}

}  // namespace

bool RenderSfxFile(const std::string& in, const std::string& out, std::vector<std::string>& problems, std::string& error,
                   const std::string& shownIn, const std::string& shownOut) {
  TSfxParams params;
  if (!LoadSfxFile(in, params, problems, error, shownIn)) return false;
  std::vector<int16_t> samples = RenderSfx(params);
  if (!WriteFileAtomic(out, WavFileBytes(samples.data(), samples.size()))) {
    error = (shownOut.empty() ? out : shownOut) + ": 書き込めません";
    return false;
  }
  return true;
}

bool IsSfxPath(const std::string& path) {
  std::string name = PathFileName(path);
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".sfx");
}

std::string EffectFileFor(const std::string& path, std::vector<std::string>& problems, std::string& error) {
  if (!IsSfxPath(path)) return path;
  std::string dir = ProgramDir().empty() ? std::string("Temp") : ProgramDir() + "/Temp";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string cached = dir + "/_sfx_" + PathBaseName(path) + "_" + PathHash(path) + ".wav";
  int64_t cachedTime = ModifiedNs(cached);
  if (cachedTime >= 0 && cachedTime >= ModifiedNs(path)) return cached;
  // Script paths are CP932; the messages are UTF-8 like every host text.
  if (!RenderSfxFile(path, cached, problems, error, ToUtf8(path), ToUtf8(cached))) return std::string();
  return cached;
}

int RunRenderSfx(const std::string& in, const std::string& out) {
  std::vector<std::string> problems;
  std::string error;
  bool ok = RenderSfxFile(in, out, problems, error);
  for (const std::string& p : problems) std::fprintf(stderr, "ruvel: %s\n", p.c_str());
  if (ok) return 0;
  std::fprintf(stderr, "ruvel: %s\n", error.c_str());
  return 1;
}

}  // namespace ruvel
