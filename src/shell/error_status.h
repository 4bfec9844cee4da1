// The status-bar line of a run-time error while a game is being developed
// (--dev or design mode): an object whose process an error ended freezes
// on screen, and the line says where its code stopped.
#pragma once
#include <functional>
#include <string>

namespace ruvel {

class TProcess;
class TScreen;

// "実行時エラー: Class.method (File.ruvel 12行目): message" (CP932), the
// message cut at its first line; the file and line are left out when the
// process ran no compiled code.
std::string ProcessErrorStatus(TProcess* p, const std::string& message);

// Puts that line in the screen's status bar (and the log) for every
// run-time error reported while developing() is true.
void WireErrorStatus(TScreen& screen, std::function<bool()> developing);

}  // namespace ruvel
