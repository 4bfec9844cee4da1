#include "shell/error_status.h"

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "platform/source_position.h"
#include "screen/main_screen.h"
#include "vm/interpreter.h"
#include "vm/vm_state.h"

namespace ruvel {

std::string ProcessErrorStatus(TProcess* p, const std::string& message) {
  std::string text = J("実行時エラー: ") + RunningWhere(p);
  TTraceList trace = Trace(p);
  if (!trace.empty()) {
    const TraceEntry& top = trace.front();
    TLineColumn at = top.text ? LineColumnOf(*top.text, top.position) : LineColumnInFile(top.file, top.position);
    text += " (" + PathFileName(top.file);
    if (at.line > 0) text += " " + std::to_string(at.line) + J("行目");
    text += ")";
  }
  return text + ": " + message.substr(0, message.find('\n'));
}

void WireErrorStatus(TScreen& screen, std::function<bool()> developing) {
  VM().runError = [&screen, developing](TProcess* p, const std::string& message) {
    if (!developing || !developing()) return;
    std::string status = ProcessErrorStatus(p, message);
    screen.SetStatusText(status);
    LogLine(status);
  };
}

}  // namespace ruvel
