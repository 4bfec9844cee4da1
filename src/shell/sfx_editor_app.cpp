#include "shell/sfx_editor_app.h"

#include "devui/sfx_editor_view.h"
#include "platform/cp932.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"

namespace ruvel {

int RunSfxEditorProgram(const CommandLine& cl) {
  TSfxEditorView view;
  TEditorProgram program;
  program.name = J("効果音エディタ");
  program.file = cl.editSfx;
  program.width = 960;
  program.sound = true;
  program.open = [&] { return view.Open(cl.editSfx); };
  UseEditorView(program, view);
  program.draw = [&view](SDL_Renderer*) { view.Draw(true); };
  return RunEditorProgram(cl, program);
}

}  // namespace ruvel
