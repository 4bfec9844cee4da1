#include "shell/tone_editor_app.h"

#include <string>

#include "devui/tone_editor_view.h"
#include "platform/cp932.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"
#include "shell/script_mode.h"
#include "sound/sound_manager.h"

namespace ruvel {

int RunToneEditorProgram(const CommandLine& cl) {
  std::string programDir = ResolveProgramDir(cl);
  std::string file = cl.editTonesFile;
  if (file.empty()) file = (cl.project.empty() ? programDir + "/Usr" : cl.project) + "/tones.wdt";
  TToneEditorView view;
  TEditorProgram program;
  program.name = J("音色エディタ");
  program.file = file;
  program.sound = true;
  program.open = [&] {
    view.synth = &SoundManager().Sequencer();
    return view.Open(file, programDir + "/tones.wdt");
  };
  UseEditorView(program, view);
  program.draw = [&view](SDL_Renderer*) { view.Draw(true); };
  return RunEditorProgram(cl, program);
}

}  // namespace ruvel
