#include "natives/natives_system.h"

#include <spawn.h>
#include <unistd.h>

#include "platform/paths.h"
#include "natives/native_table.h"

extern char** environ;

namespace ruvel {

namespace {

void CloseMainWindow() {
  if (SystemHost().closeMainWindow) SystemHost().closeMainWindow();
}

}  // namespace

SystemHooks& SystemHost() {
  static SystemHooks hooks;
  return hooks;
}

void NativeSystemExit(Value*, int32_t, int32_t) { CloseMainWindow(); }

void NativeSystemOpenIDE(Value*, int32_t, int32_t) {
  std::optional<std::string> ide = PathFindNoCase(ProgramDir() + "/Ruvel.exe");
  if (ide && access(ide->c_str(), X_OK) == 0) {
    std::string path = *ide;
    char* argv[] = {path.data(), nullptr};
    pid_t pid;
    posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ);
  }
  CloseMainWindow();
}

void NativeSystemVersion(Value* self, int32_t, int32_t) { ValueSetInt(*self, 1160); }

const std::vector<NativeEntry>& SystemNatives() {
  static const std::vector<NativeEntry> table = {
      {"System", "_n_exit", NativeSystemExit},
      {"System", "_n_openIDE", NativeSystemOpenIDE},
      {"System", "_n_version", NativeSystemVersion},
  };
  return table;
}

}  // namespace ruvel
