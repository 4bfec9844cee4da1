#include <cstdio>

#include "shell/command_line.h"
#include "shell/tone_editor_app.h"

namespace ruvel {

// The browser build has no separate editor window.
int RunToneEditorProgram(const CommandLine&) {
  std::fprintf(stderr, "ruvel: --edit-tones is not available here\n");
  return 1;
}

}  // namespace ruvel
