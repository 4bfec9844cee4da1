#include "sound/sfx_wav.h"

#include <cstdio>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "sound/temp_copy.h"
#include "sound/sfx_file.h"
#include "sound/sfx_render.h"
#include "sound/wav_writer.h"

namespace ruvel {

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
  const TTempCopy copy = TempCopyFor(path, "_sfx_", ".wav");
  if (copy.fresh) return copy.path;
  const std::string& cached = copy.path;
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
