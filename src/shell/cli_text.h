// Messages of the command line itself (usage, bad options, no display, a
// missing file, a bad input script), in English unless the user's locale is
// Japanese (LC_ALL, then LC_MESSAGES, then LANG, as the C library picks
// them). The script system's own texts are not here: they stay Japanese.
#pragma once
#include <string>

namespace ruvel {

// Each message once, in English and in Japanese; "%s" marks where
// CliText's arguments go, in order.
#define RUVEL_CLI_TEXTS(X)                                                                               \
  X(kUsageHint, "Run 'ruvel --help' for usage.", "'ruvel --help' で使い方を表示します。")                  \
  X(kNeedsValue, "%s needs a value", "%s には値が必要です")                                                \
  X(kBadFrames, "--frames needs a whole number of 0 or more: %s", "--frames には 0 以上の整数を指定してください: %s") \
  X(kBadScale, "--scale needs 1 to 8 or fit: %s", "--scale には 1〜8 または fit を指定してください: %s") \
  X(kUnknownOption, "unknown option: %s", "不明なオプションです: %s")                                      \
  X(kOneFile, "only one file can be opened: %s", "開くファイルは一つだけ指定できます: %s")                  \
  X(kCompileMmlOutput, "--compile-mml needs -o OUTPUT", "--compile-mml には -o 出力ファイル が必要です") \
  X(kRenderSfxOutput, "--render-sfx needs -o OUTPUT.wav", "--render-sfx には -o 出力ファイル.wav が必要です") \
  X(kImportMapOutput, "--import-map needs -o OUTPUT.map", "--import-map には -o 出力ファイル.map が必要です") \
  X(kImportMapMade, "The map is in %s (%s layers, %s).", "マップを %s に書き出しました (レイヤー %s 個, %s)。") \
  X(kImportMapNotSaved, "cannot write %s", "%s に書き込めません")                                        \
  X(kDesignWithScript, "--design and --script cannot be used together", "--design と --script は同時に指定できません") \
  X(kNoFile, "no such file: %s", "ファイルがありません: %s")                                               \
  X(kNoDisplay, "cannot open a display (%s). Without a display, run with --headless.",                     \
    "ディスプレイを開けません (%s)。ディスプレイのない環境では --headless を付けて起動してください。")          \
  X(kNoDisplaySet, "DISPLAY is not set", "DISPLAY が設定されていません")                                   \
  X(kNotRegularFile, "%s: not a regular file (folders, devices and FIFOs are not read)",                   \
    "%s: 通常のファイルではありません (フォルダ・デバイス・FIFO は読みません)")                                \
  X(kFileTooLarge, "%s: the file is too large (at most %s)", "%s: ファイルが大きすぎます (%s まで)")           \
  X(kInputUnreadable, "%s: cannot read the input file", "%s: 入力ファイルを読めません")                     \
  X(kInputLine, "%s:%s: %s", "%s:%s: %s")                                                                  \
  X(kInputLineLong, "a line longer than %s bytes", "%s バイトを超える行です")                            \
  X(kExpectFrame, "expected a frame number (0 or more) at the start of the line",                          \
    "行の先頭にフレーム番号 (0 以上) が必要です")                                                           \
  X(kFrameBack, "frame numbers must not go back (previous line: %s)",                                      \
    "フレーム番号が前の行 (%s) より小さくなっています")                                                      \
  X(kExpectEvent, "expected down, up, move, press or release after the frame number",                      \
    "フレーム番号の後に down, up, move, press, release のどれかが必要です")                                  \
  X(kExpectKey, "expected a key: a code #1..#255 or a name (A..Z, digit keys 0..9, LEFT, RIGHT, UP, DOWN, SPACE, RETURN, ESCAPE, SHIFT, CONTROL, F1..F12)", \
    "キーが必要です: #1..#255 のコードか名前 (A..Z, 数字キー 0..9, LEFT, RIGHT, UP, DOWN, SPACE, RETURN, ESCAPE, SHIFT, CONTROL, F1..F12)") \
  X(kExpectButton, "expected left or right after %s", "%s の後に left か right が必要です")                \
  X(kExpectXY, "expected two whole numbers X Y (drawing-area pixels)", "X Y の二つの整数 (描画領域のピクセル) が必要です") \
  X(kExtraWords, "unexpected text after the event: %s", "イベントの後に余分な文字があります: %s")          \
  X(kRecordInput, "cannot write the input recording: %s", "入力の記録を書き込めません: %s")        \
  X(kNoProject, "no project in %s (default.ruvelprj is missing)", "%s にプロジェクトがありません (default.ruvelprj がありません)") \
  X(kNewProjectFailed, "cannot make the project: %s", "プロジェクトを作れません: %s")                 \
  X(kNewProjectNotEmpty, "%s already holds files (or is not a folder); name a new or empty folder, nothing there is replaced", \
    "%s には既にファイルがあります (またはフォルダではありません)。新しいか空のフォルダを指定してください。既存のファイルは置き換えません") \
  X(kNewProjectMade, "A new project is in %s. Run it with:\n  ruvel --project %s\nand edit its classes/*.ruvel and pages (*.cmml).", \
    "新しいプロジェクトを %s に作りました。実行するには:\n  ruvel --project %s\nclasses/*.ruvel とページ (*.cmml) を編集してください。") \
  X(kExportFailed, "cannot export: %s", "書き出せません: %s")                                         \
  X(kExportPacked, "%s files of the project were packed (listed in %s):", \
    "プロジェクトのファイル %s 個を書き出しました (一覧は %s):")                                   \
  X(kExportInsideProject, "%s is inside the project %s; choose a folder outside it", \
    "%s はプロジェクト %s の中にあります。プロジェクトの外のフォルダを指定してください")               \
  X(kExportLinkLoop, "%s: the link leads back into a folder that holds it (a loop)", \
    "%s: リンクがそれ自身を含むフォルダを指しています (ループ)")                              \
  X(kExportLinksSkipped, "links that lead out of the project (or to nothing) were not followed: %s", \
    "プロジェクトの外 (または存在しない場所) を指すリンクは書き出しませんでした: %s")                  \
  X(kExportArchiveExists, "%s is already there; remove it or choose another OUT", \
    "%s は既にあります。削除するか、別の出力先を指定してください")                            \
  X(kExportOutIsLink, "%s is a link; name a folder that is missing or empty", \
    "%s はリンクです。存在しないか空のフォルダを指定してください")                             \
  X(kExportMade, "The game is in %s and %s.tar.gz. On another machine: %s/start.sh", \
    "ゲームを %s と %s.tar.gz に書き出しました。別のマシンでは: %s/start.sh")                \
  X(kExportWebMade, "The web page is in %s. Serve the folder with any static web server and open index.html.", \
    "Web ページを %s に書き出しました。フォルダを静的 Web サーバーで公開し、index.html を開いてください。")

enum class TCliText {
#define RUVEL_CLI_ENUM(id, en, ja) id,
  RUVEL_CLI_TEXTS(RUVEL_CLI_ENUM)
#undef RUVEL_CLI_ENUM
};

// True when the locale asks for Japanese (a value starting with "ja").
bool CliJapanese();
// The message in the user's language with each "%s" replaced by the next
// argument (UTF-8).
std::string CliText(TCliText id, const std::string& a = {}, const std::string& b = {}, const std::string& c = {});

}  // namespace ruvel
