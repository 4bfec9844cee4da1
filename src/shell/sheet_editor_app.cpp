#include "shell/sheet_editor_app.h"

#include "devui/pattern_editor_view.h"
#include "platform/cp932.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"

namespace ruvel {

int RunSheetEditorProgram(const CommandLine& cl) {
  TPatternEditorView view;
  TEditorProgram program;
  program.name = J("パターンエディタ");
  program.file = cl.editSheet;
  program.open = [&] {
    view.projectDir = cl.project;
    return view.Open(cl.editSheet);
  };
  UseEditorView(program, view);
  program.draw = [&view](SDL_Renderer* r) { view.Draw(r, true); };
  // The sheet's texture belongs to the window's renderer.
  program.finish = [&view] { view.ReleaseTexture(); };
  return RunEditorProgram(cl, program);
}

}  // namespace ruvel
