#include <cstdio>

#include "shell/command_line.h"
#include "shell/sfx_editor_app.h"

namespace ruvel {

// The browser build has no separate editor window.
int RunSfxEditorProgram(const CommandLine&) {
  std::fprintf(stderr, "ruvel: --edit-sfx is not available here\n");
  return 1;
}

}  // namespace ruvel
