// Entry point of the program: parses the command line and runs the shell
// (a window, or headless with --headless).
#include <cstdio>
#include <string>

#include "compiler/compile_driver.h"
#include "io/script_file_natives.h"
#include "pages/page_natives.h"
#include "runtime/custom_resource.h"
#include "runtime/startup.h"
#include "screen/patterns.h"
#include "screen/dialog_natives.h"
#include "screen/screen_natives.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/script_mode.h"
#include "shell/startup_path.h"
#include "sound/sound_natives.h"
#include "vm/long_run.h"

int main(int argc, char** argv) {
  ruvel::CommandLine cl;
  std::string error;
  if (!ruvel::ParseCommandLine(argc, argv, cl, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    std::fprintf(stderr, "'ruvel --help' で使い方を表示します。\n");
    return 64;
  }
  if (cl.help) {
    std::fputs(ruvel::HelpText().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("Ruvel System Ver 1.16\n");
    return 0;
  }
  ruvel::InstallInterruptHandler();
  ruvel::InstallCompiler();
  ruvel::InstallPatterns();
  ruvel::InstallPages();
  ruvel::RegisterNativeTable(ruvel::ScreenNatives);
  ruvel::RegisterNativeTable(ruvel::DialogNatives);
  ruvel::RegisterNativeTable(ruvel::SoundNatives);
  ruvel::RegisterNativeTable(ruvel::FileNatives);
  ruvel::RegisterNativeTable(ruvel::CustomResourceNatives);
  if (!cl.script.empty()) return ruvel::RunScriptMode(cl);
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [&cl] { ruvel::RunStartupPath(cl); };
  return ruvel::RunShell(cl, hooks);
}
