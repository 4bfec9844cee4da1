#include "shell/project_tones.h"

#include <sys/stat.h>

#include <cstdio>
#include <exception>

#include "platform/cp932.h"
#include "sound/melvane.h"

namespace ruvel {

namespace {

// Anything at the path counts, a FIFO or a folder too: the reader refuses
// those with a message rather than passing over them in silence.
bool Present(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

TProjectTones* g_tones = nullptr;

}  // namespace

TProjectTones* ProjectTones() { return g_tones; }
void SetProjectTones(TProjectTones* tones) { g_tones = tones; }

TProjectTones::TProjectTones(TMelvane& seq) : seq_(seq), program_(seq.Tones()) {}

std::string TProjectTones::ProjectFile(const std::string& folder) { return folder + "/tones.wdt"; }

bool TProjectTones::Read(const std::string& path, TToneTables& tables) {
  try {
    tables = ReadToneFile(path);
    return true;
  } catch (const std::exception& e) {
    std::string text = e.what();
    if (!told_.insert(text).second) return false;
    std::fprintf(stderr, "ruvel: %s\n", ToUtf8(text).c_str());
    if (tell) tell(text);
    return false;
  }
}

void TProjectTones::LoadProgramTones(const std::string& programDir) {
  std::string path = programDir + "/tones.wdt";
  if (!programDir.empty() && Present(path)) Read(path, program_);
  Apply();
}

void TProjectTones::UseProject(const std::string& folder) {
  folder_ = folder;
  Apply();
}

void TProjectTones::Apply() {
  TToneTables tables = program_;
  if (!folder_.empty() && Present(ProjectFile(folder_))) Read(ProjectFile(folder_), tables);
  seq_.ApplyTones(tables);
}

}  // namespace ruvel
