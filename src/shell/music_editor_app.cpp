#include "shell/music_editor_app.h"

#include "devui/music_editor_view.h"
#include "platform/cp932.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"
#include "sound/sound_manager.h"

namespace ruvel {

int RunMusicEditorProgram(const CommandLine& cl) {
  TMusicEditorView view(SoundManager().Sequencer());
  TEditorProgram program;
  program.name = J("音楽エディタ");
  program.file = cl.editMml;
  program.width = 1100;
  program.height = 720;
  program.sound = true;
  program.open = [&] { return view.Open(cl.editMml); };
  UseEditorView(program, view);
  program.draw = [&view](SDL_Renderer*) { view.Draw(true); };
  return RunEditorProgram(cl, program);
}

}  // namespace ruvel
