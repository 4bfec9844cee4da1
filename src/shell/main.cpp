// Entry point of the program: parses the command line and runs the shell
// (a window, or headless with --headless).
#include <cstdio>
#include <filesystem>
#include <string>

#include "compiler/compile_driver.h"
#include "platform/paths.h"
#include "io/script_file_natives.h"
#include "pages/page_natives.h"
#include "resources/custom_resource.h"
#include "runtime/startup.h"
#include "screen/patterns.h"
#include "screen/dialog_natives.h"
#include "screen/screen_natives.h"
#include "shell/app.h"
#ifndef __EMSCRIPTEN__
#include "dap/dap_server.h"
#endif
#include "shell/cli_text.h"
#include "shell/export_game.h"
#include "shell/export_web.h"
#include "shell/import_map_command.h"
#include "shell/map_editor_app.h"
#include "shell/new_project.h"
#include "shell/command_line.h"
#include "shell/script_mode.h"
#include "shell/sheet_editor_app.h"
#include "shell/tone_editor_app.h"
#include "shell/music_editor_app.h"
#include "shell/startup_path.h"
#include "sound/mml_file.h"
#include "sound/sfx_wav.h"
#include "shell/sfx_editor_app.h"
#include "sound/sound_natives.h"
#include "vm/long_run.h"
#ifndef __EMSCRIPTEN__
#include "langserver/stdio_server.h"
#endif

int main(int argc, char** argv) {
  // Static: in a browser the program's loop outlives main's frame.
  static ruvel::CommandLine cl;
  std::string error;
  if (!ruvel::ParseCommandLine(argc, argv, cl, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    std::fprintf(stderr, "%s\n", ruvel::CliText(ruvel::TCliText::kUsageHint).c_str());
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
  if (!cl.newProject.empty()) {
    if (!ruvel::WriteStarterProject(cl.newProject, error)) {
      std::fprintf(stderr, "ruvel: %s\n", ruvel::CliText(ruvel::TCliText::kNewProjectFailed, error).c_str());
      return 1;
    }
    std::printf("%s\n", ruvel::CliText(ruvel::TCliText::kNewProjectMade, cl.newProject, cl.newProject).c_str());
    return 0;
  }
  // The exports take the kernel of the program directory: the one --home
  // names, else the build's or an installed program's (PREFIX/share/ruvel).
  if (!cl.exportFrom.empty() || !cl.exportWeb.empty()) ruvel::SetProgramDir(ruvel::ResolveProgramDir(cl));
  if (!cl.exportFrom.empty()) {
    if (!ruvel::ExportGame(cl.exportFrom, cl.exportTo, cl.noSources, error)) {
      std::fprintf(stderr, "ruvel: %s\n", ruvel::CliText(ruvel::TCliText::kExportFailed, error).c_str());
      return 1;
    }
    std::printf("%s\n", ruvel::CliText(ruvel::TCliText::kExportMade, cl.exportTo, cl.exportTo, cl.exportTo).c_str());
    return 0;
  }
  if (!cl.exportWeb.empty()) {
    // Without its own PROJECT the export takes the one --project names.
    const std::string& from = cl.exportWebFrom.empty() ? cl.project : cl.exportWebFrom;
    if (!ruvel::ExportWeb(from, cl.exportWeb, error)) {
      std::fprintf(stderr, "ruvel: %s\n", ruvel::CliText(ruvel::TCliText::kExportFailed, error).c_str());
      return 1;
    }
    std::printf("%s\n", ruvel::CliText(ruvel::TCliText::kExportWebMade, cl.exportWeb).c_str());
    return 0;
  }
  // A folder given as the file is the project folder to run ("ruvel
  // mygame"); otherwise the start-up path would treat it as a page and
  // write a new project file into the folder above it.
  if (std::string folder = ruvel::CommandLineFilePath(cl); cl.project.empty() && !folder.empty() &&
                                                            std::filesystem::is_directory(folder)) {
    cl.project = folder;
    cl.file.clear();
  }
  if (!cl.project.empty() && !ruvel::PathExists(cl.project + "/default.ruvelprj")) {
    std::fprintf(stderr, "ruvel: %s\n", ruvel::CliText(ruvel::TCliText::kNoProject, cl.project).c_str());
    return 2;
  }
  // A file named on the command line that is not there is an error of the
  // command, not a reason to open the default page instead.
  std::string file = ruvel::CommandLineFilePath(cl);
  if (!file.empty() && !ruvel::PathExists(file)) {
    std::fprintf(stderr, "ruvel: %s\n", ruvel::CliText(ruvel::TCliText::kNoFile, cl.file).c_str());
    return 2;
  }
  if (!cl.compileMml.empty()) return ruvel::RunCompileMml(cl.compileMml, cl.output);
  if (!cl.renderSfx.empty()) return ruvel::RunRenderSfx(cl.renderSfx, cl.output);
  if (!cl.importMap.empty()) return ruvel::RunImportMap(cl.importMap, cl.output);
#ifndef __EMSCRIPTEN__
  if (!cl.editMap.empty()) return ruvel::RunMapEditor(cl);
#endif
  if (!cl.editSheet.empty()) return ruvel::RunSheetEditorProgram(cl);
  if (cl.editTones) return ruvel::RunToneEditorProgram(cl);
  if (!cl.editMml.empty()) return ruvel::RunMusicEditorProgram(cl);
  if (!cl.editSfx.empty()) return ruvel::RunSfxEditorProgram(cl);
  ruvel::InstallCompiler();
  ruvel::InstallPatterns();
  ruvel::InstallPages();
  ruvel::RegisterNativeTable(ruvel::ScreenNatives);
  ruvel::RegisterNativeTable(ruvel::TileMapNatives);
  ruvel::RegisterNativeTable(ruvel::DialogNatives);
  ruvel::RegisterNativeTable(ruvel::SoundNatives);
  ruvel::RegisterNativeTable(ruvel::FileNatives);
  ruvel::RegisterNativeTable(ruvel::CustomResourceNatives);
#ifndef __EMSCRIPTEN__
  // The language server: no window; the kernel is loaded to check sources.
  if (cl.lsp) return ruvel::lsp::RunStdioServer(ruvel::ResolveProgramDir(cl));
#endif
  if (!cl.script.empty()) return ruvel::RunScriptMode(cl);
#ifndef __EMSCRIPTEN__
  if (cl.dap) return ruvel::RunDapServer(cl);
#endif
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [] { ruvel::RunStartupPath(cl); };
  return ruvel::RunShell(cl, hooks);
}
