#include <cstdio>

#include "shell/command_line.h"
#include "shell/sheet_editor_app.h"

namespace ruvel {

// The browser build has no separate editor window.
int RunSheetEditorProgram(const CommandLine&) {
  std::fprintf(stderr, "ruvel: --edit-sheet is not available here\n");
  return 1;
}

}  // namespace ruvel
