#include "shell/command_line.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/paths.h"
#include "screen/view_layout.h"
#include "shell/cli_text.h"

namespace ruvel {

namespace {

std::string CurrentDir() {
  char cwd[4096];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string();
}

// A path typed by the user, absolute against the folder they typed it in.
std::string FromCurrentDir(const std::string& path) {
  std::string p = PathToPosix(path);
  if (p.empty() || PathIsAbsolute(p)) return p;
  std::string cwd = CurrentDir();
  return cwd.empty() ? p : PathResolve(p, cwd);
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine& cl, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto needValue = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = CliText(TCliText::kNeedsValue, std::string(a));
        return false;
      }
      out = argv[++i];
      return true;
    };
    if (a == "--help" || a == "-h") cl.help = true;
    else if (a == "--version") cl.version = true;
    else if (a == "--headless") cl.headless = true;
    else if (a == "--fixed-clock") cl.fixedClock = true;
    else if (a == "--log") cl.log = true;
    else if (a == "--design") cl.design = true;
    else if (a == "--dev") cl.dev = true;
#ifndef __EMSCRIPTEN__
    else if (a == "--lsp") cl.lsp = true;
    else if (a == "--dap") cl.dap = true;
#endif
    else if (a == "--home") { if (!needValue(cl.home)) return false; }
    else if (a == "--screenshot") { if (!needValue(cl.screenshot)) return false; }
    else if (a == "--record-audio") { if (!needValue(cl.recordAudio)) return false; }
    else if (a == "--input") { if (!needValue(cl.input)) return false; }
    else if (a == "--record-input") { if (!needValue(cl.recordInput)) return false; }
    else if (a == "--record-gif") { if (!needValue(cl.recordGif)) return false; }
    else if (a == "--project") { if (!needValue(cl.project)) return false; }
    else if (a == "--new-project") { if (!needValue(cl.newProject)) return false; }
    else if (a == "--no-sources") cl.noSources = true;
    else if (a == "--export") {
      if (!needValue(cl.exportFrom)) return false;
      if (i + 1 >= argc) {
        error = CliText(TCliText::kNeedsValue, "--export DIR");
        return false;
      }
      cl.exportTo = argv[++i];
    }
    else if (a == "--export-web") {
      if (!needValue(cl.exportWeb)) return false;
      if (i + 1 < argc && argv[i + 1][0] != '-') cl.exportWebFrom = argv[++i];
    }
    else if (a == "--edit-map") { if (!needValue(cl.editMap)) return false; }
    else if (a == "--edit-sheet") { if (!needValue(cl.editSheet)) return false; }
    else if (a == "--edit-tones") {
      cl.editTones = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') cl.editTonesFile = argv[++i];
    }
    else if (a == "--edit-mml") { if (!needValue(cl.editMml)) return false; }
    else if (a == "--compile-mml") { if (!needValue(cl.compileMml)) return false; }
    else if (a == "--render-sfx") { if (!needValue(cl.renderSfx)) return false; }
    else if (a == "--edit-sfx") { if (!needValue(cl.editSfx)) return false; }
    else if (a == "--import-map") { if (!needValue(cl.importMap)) return false; }
    else if (a == "-o") { if (!needValue(cl.output)) return false; }
    else if (a == "--script") {
      if (!needValue(cl.script)) return false;
      cl.headless = true;
    } else if (a == "--frames") {
      std::string v;
      if (!needValue(v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 0) {
        error = CliText(TCliText::kBadFrames, v);
        return false;
      }
      cl.frames = n;
    } else if (a == "--scale") {
      std::string v;
      if (!needValue(v)) return false;
      if (!ParseScaleChoice(v, cl.scale)) {
        error = CliText(TCliText::kBadScale, v);
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = CliText(TCliText::kUnknownOption, std::string(a));
      return false;
    } else if (a == "FULLSCREEN") {
      cl.fullscreen = true;
    } else if (cl.file.empty()) {
      cl.file = std::string(a);
    } else {
      error = CliText(TCliText::kOneFile, std::string(a));
      return false;
    }
  }
  if (!cl.compileMml.empty() && cl.output.empty()) {
    error = CliText(TCliText::kCompileMmlOutput);
    return false;
  }
  if (!cl.renderSfx.empty() && cl.output.empty()) {
    error = CliText(TCliText::kRenderSfxOutput);
    return false;
  }
  if (!cl.importMap.empty() && cl.output.empty()) {
    error = CliText(TCliText::kImportMapOutput);
    return false;
  }
  if (cl.design && !cl.script.empty()) {
    error = CliText(TCliText::kDesignWithScript);
    return false;
  }
  for (std::string* path : {&cl.screenshot, &cl.recordAudio, &cl.input, &cl.recordInput, &cl.recordGif, &cl.script, &cl.project,
                            &cl.newProject, &cl.exportFrom, &cl.exportTo, &cl.exportWeb, &cl.exportWebFrom, &cl.compileMml,
                            &cl.output, &cl.importMap, &cl.editMap, &cl.editSheet,
                            &cl.editMml, &cl.renderSfx, &cl.editSfx}) {
    *path = FromCurrentDir(*path);
  }
  if (!cl.home.empty()) cl.home = FromCurrentDir(cl.home);
  cl.editTonesFile = FromCurrentDir(cl.editTonesFile);
  return true;
}

std::string CommandLineFilePath(const CommandLine& cl) {
  if (cl.file.empty()) return std::string();
  // With --project a page is looked for in the project folder first.
  if (!cl.project.empty() && !PathIsAbsolute(PathToPosix(cl.file))) {
    std::string inProject = PathResolve(PathToPosix(cl.file), cl.project);
    if (PathExists(inProject)) return PathLocate(inProject);
  }
  std::string f = FromCurrentDir(cl.file);
  return PathExists(f) ? PathLocate(f) : PathToPosix(cl.file);
}

std::string HelpText() {
  if (CliJapanese()) {
    return "使い方: ruvel [FILE | FULLSCREEN] [options]\n"
           "\n"
           "  FILE                  開くページ (.cmml) またはプロジェクト\n"
           "  FULLSCREEN            全画面で起動する\n"
           "  --home DIR            プログラムディレクトリ (既定: 実行ファイルの場所)\n"
           "  --headless            ウィンドウを開かずに実行する\n"
           "  --frames N            N フレーム描画したら終了する\n"
           "  --fixed-clock         フレームごとに時間を 17 ms ずつ進める\n"
           "  --screenshot FILE     終了時に最後のフレームを PNG で保存する\n"
           "  --record-audio FILE   音声出力を WAV にも書き出す\n"
           "  --compile-mml F -o O  MML ファイル F を曲ファイル O (.mlv) に変換して終了する\n"
           "  --render-sfx F -o O   効果音ファイル F (.sfx) を WAV ファイル O (16 ビット モノラル 44100 Hz) に変換して終了する\n"
           "  --import-map F -o O   Tiled のマップ F (.tmj か CSV の .tmx) をマップファイル O (.map) に変換して終了する\n"
           "  --input FILE          キーとマウスの操作をファイルから再生する\n"
           "  --record-input FILE   キーとマウスの操作をファイルに記録する\n"
           "  --record-gif FILE     実行の様子を GIF アニメーションに記録する (2 フレームに 1 枚)\n"
           "  --log                 進行状況を標準エラーに出力する\n"
           "  --design              ページをデザインモードで開く (ドラッグで配置を変え、Ctrl+S で保存)\n"
           "  --dev                 開発用のメニュー (実行・ウィンドウ) を表示する\n"
           "  --scale N             ウィンドウの表示倍率 (1〜8、fit で画面に収まる最大の倍率)\n"
           "  --project DIR [PAGE]  フォルダ DIR のプロジェクトを実行する\n"
           "  --new-project DIR     新しいプロジェクトを DIR (新しいか空のフォルダ) に作る\n"
           "  --export DIR OUT      プロジェクト DIR を配布用フォルダ OUT (と OUT.tar.gz) にまとめる\n"
           "  --no-sources          --export でクラスのソースを含めない\n"
           "  --export-web OUT [DIR] プロジェクト DIR (既定: Usr) をブラウザで遊べるフォルダ OUT にまとめる\n"
           "  --script FILE         スクリプトを実行して終了する (0 正常, 1 コンパイル失敗, 2 実行時エラー)\n"
           "  --edit-map FILE       マップエディタだけのウィンドウでマップ FILE を編集する (無いときは新しく作る)\n"
           "  --edit-sheet FILE     パターンシート FILE (BMP/PNG) をパターンエディタだけのウィンドウで編集する\n"
           "  --edit-tones [FILE]   音色ファイル FILE (既定: プロジェクトの tones.wdt) を音色エディタだけのウィンドウで編集する\n"
           "  --edit-mml FILE       MML ファイル FILE を音楽エディタだけのウィンドウで編集する (無いときは新しく作る)\n"
           "  --edit-sfx FILE       効果音エディタだけのウィンドウで効果音 FILE (.sfx) を編集する (無いときは新しく作る)\n"
#ifndef __EMSCRIPTEN__
           "  --lsp                 エディタのための言語サーバを標準入出力で動かす\n"
           "  --dap                 デバッガ (Debug Adapter Protocol) として標準入出力でエディタと通信する\n"
#endif
           "  --help, --version     この説明 / 版を表示する\n"
           "\n"
           "ファイル名は、コマンドを実行したフォルダからの相対パスです。\n";
  }
  return "Usage: ruvel [FILE | FULLSCREEN] [options]\n"
         "\n"
         "  FILE                  page (.cmml) or project to open\n"
         "  FULLSCREEN            start in full-screen mode\n"
         "  --home DIR            program directory (default: where the program is)\n"
         "  --headless            run without a window\n"
         "  --frames N            exit after N drawn frames\n"
         "  --fixed-clock         advance time by exactly 17 ms per frame\n"
         "  --screenshot FILE     save the last frame as PNG on exit\n"
         "  --record-audio FILE   also write the sound output to a WAV file\n"
         "  --compile-mml F -o O  compile the MML file F into the music file O (.mlv) and exit\n"
         "  --render-sfx F -o O   render the sound effect F (.sfx) into the WAV file O (16-bit mono 44100 Hz) and exit\n"
         "  --import-map F -o O   convert the Tiled map F (.tmj or CSV .tmx) into the map file O (.map) and exit\n"
         "  --input FILE          replay key and mouse events from a file\n"
         "  --record-input FILE   record key and mouse events to a file\n"
         "  --record-gif FILE     record the run as an animated GIF (every second frame)\n"
         "  --log                 write progress lines to stderr\n"
         "  --design              open the page in design mode (drag objects, Ctrl+S saves)\n"
         "  --dev                 show the development menus (run, window) and the debugger keys\n"
         "  --scale N             show the picture N times enlarged (1-8; fit: the largest that fits the screen)\n"
         "  --project DIR [PAGE]  run the project in folder DIR (its main page, or PAGE)\n"
         "  --new-project DIR     write a starter project into DIR (a new or empty folder)\n"
         "  --export DIR OUT      pack project DIR with the program into folder OUT (and OUT.tar.gz)\n"
         "  --no-sources          with --export, leave the class sources out\n"
         "  --export-web OUT [DIR] write project DIR (default: Usr) as a web page folder OUT\n"
         "  --script FILE         run a script and exit (0 done, 1 did not compile, 2 run-time error)\n"
         "  --edit-map FILE       edit the map FILE in a window with just the map editor (a new map when it is missing)\n"
         "  --edit-sheet FILE     edit the pattern sheet FILE (BMP/PNG) in a window with only the pattern editor\n"
         "  --edit-tones [FILE]   edit the tone file FILE (default: the project's tones.wdt) in a window with only the tone editor\n"
         "  --edit-mml FILE       edit the MML file FILE in a window with just the music editor (a new song when it is missing)\n"
         "  --edit-sfx FILE       edit the sound effect FILE (.sfx) in a window with just the effect maker (a new one when it is missing)\n"
#ifndef __EMSCRIPTEN__
         "  --lsp                 run the language server for editors on stdin/stdout\n"
         "  --dap                 serve an editor's debugger (Debug Adapter Protocol) on stdin/stdout\n"
#endif
         "  --help, --version     show this text / the version\n"
         "\n"
         "File names are relative to the folder the command is run from.\n";
}

}  // namespace ruvel
