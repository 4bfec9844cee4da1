#include "shell/command_line.h"

#include <cstdlib>
#include <string_view>

namespace ruvel {

bool ParseCommandLine(int argc, char** argv, CommandLine& cl, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto needValue = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = std::string(a) + " には値が必要です";
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
    else if (a == "--home") { if (!needValue(cl.home)) return false; }
    else if (a == "--screenshot") { if (!needValue(cl.screenshot)) return false; }
    else if (a == "--record-audio") { if (!needValue(cl.recordAudio)) return false; }
    else if (a == "--script") {
      if (!needValue(cl.script)) return false;
      cl.headless = true;
    } else if (a == "--frames") {
      std::string v;
      if (!needValue(v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 0) {
        error = "--frames には 0 以上の整数を指定してください: " + v;
        return false;
      }
      cl.frames = n;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = "不明なオプションです: " + std::string(a);
      return false;
    } else if (a == "FULLSCREEN") {
      cl.fullscreen = true;
    } else if (cl.file.empty()) {
      cl.file = std::string(a);
    } else {
      error = "開くファイルは一つだけ指定できます: " + std::string(a);
      return false;
    }
  }
  if (cl.design && !cl.script.empty()) {
    error = "--design と --script は同時に指定できません";
    return false;
  }
  return true;
}

std::string HelpText() {
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
         "  --log                 進行状況を標準エラーに出力する\n"
         "  --design              ページをデザインモードで開く (ドラッグで配置を変え、Ctrl+S で保存)\n"
         "  --dev                 開発用のメニュー (実行・ウィンドウ) を表示する\n"
         "  --script FILE         スクリプトを実行して終了する (0 正常, 1 コンパイル失敗, 2 実行時エラー)\n"
         "  --help, --version     この説明 / 版を表示する\n";
}

}  // namespace ruvel
