#include <cstdio>

#include "shell/command_line.h"
#include "shell/music_editor_app.h"

namespace ruvel {

// The browser build has no separate editor window.
int RunMusicEditorProgram(const CommandLine&) {
  std::fprintf(stderr, "ruvel: --edit-mml is not available here\n");
  return 1;
}

}  // namespace ruvel
