// The commands that work on the debugger engine: breakpoints, the stopped
// process's stack and variables, evaluation and the run commands.
#include <array>
#include <utility>

#include "dap/dap_commands.h"
#include "debugger/debug_engine.h"
#include "platform/paths.h"

namespace ruvel {

namespace {

void NeedStopped() {
  if (!DebugEngine().IsStopped()) throw EDapRequest("停止していません");
}

void NeedGame(const TDapSession& session) {
  if (!session.gameStarted) throw EDapRequest("ゲームが実行されていません");
}

nlohmann::json Source(const std::string& path) {
  if (path.empty()) return nullptr;
  return {{"name", PathFileName(path)}, {"path", path}};
}

nlohmann::json Variable(TDapSession& session, const TVariableInfo& v) {
  if (v.variablesRef > 0) session.variableRefs.insert(v.variablesRef);
  return {{"name", v.name}, {"value", v.value}, {"type", v.type}, {"variablesReference", v.variablesRef}};
}

// Every run command makes the ids of the stop it leaves invalid.
nlohmann::json RunOn(TDapSession& session, void (TDebugEngine::*command)()) {
  NeedStopped();
  session.frameIds.clear();
  session.variableRefs.clear();
  (DebugEngine().*command)();
  return nullptr;
}

}  // namespace

nlohmann::json DapThreads(TDapSession& session, const nlohmann::json&) {
  nlohmann::json threads = nlohmann::json::array();
  if (session.gameStarted) {
    for (const TProcessInfo& p : DebugEngine().Processes()) threads.push_back({{"id", p.id}, {"name", p.name}});
  }
  // While the game runs the engine lists nothing; a client still needs a
  // thread to address a pause to.
  if (threads.empty()) threads.push_back({{"id", 1}, {"name", "root"}});
  return {{"threads", threads}};
}

nlohmann::json DapSetBreakpoints(TDapSession&, const nlohmann::json& args) {
  auto source = args.find("source");
  if (source == args.end() || !source->is_object()) throw EDapRequest("引数 source がありません");
  std::string path = PathLocate(PathToPosix(DapStringArg(*source, "path")));
  std::vector<std::pair<int, std::string>> wanted;
  auto list = args.find("breakpoints");
  if (list != args.end()) {
    if (!list->is_array()) throw EDapRequest("引数 breakpoints が配列ではありません");
    for (const nlohmann::json& b : *list) {
      if (!b.is_object()) throw EDapRequest("breakpoints の要素がオブジェクトではありません");
      int line = DapIntArg(b, "line");
      if (line < 1) throw EDapRequest("行番号が不正です");
      wanted.emplace_back(line, DapStringArg(b, "condition", ""));
    }
  }
  nlohmann::json result = nlohmann::json::array();
  for (const TBreakpoint& b : DebugEngine().SetBreakpoints(path, wanted)) {
    result.push_back({{"id", b.id},
                      {"verified", b.verified},
                      {"line", b.verified && b.actualLine > 0 ? b.actualLine : b.line},
                      {"source", Source(b.file)}});
  }
  return {{"breakpoints", result}};
}

nlohmann::json DapSetExceptionBreakpoints(TDapSession&, const nlohmann::json& args) {
  auto filters = args.find("filters");
  if (filters == args.end() || !filters->is_array()) throw EDapRequest("引数 filters (配列) がありません");
  bool onError = false;
  for (const nlohmann::json& f : *filters) {
    if (!f.is_string()) throw EDapRequest("filters の要素が文字列ではありません");
    if (f == kDapRuntimeErrorFilter) {
      onError = true;
    } else {
      throw EDapRequest("知らないフィルターです: " + f.get<std::string>());
    }
  }
  DebugEngine().SetBreakOnError(onError);
  return nullptr;
}

nlohmann::json DapStackTrace(TDapSession& session, const nlohmann::json& args) {
  NeedGame(session);
  NeedStopped();
  int thread = DapIntArg(args, "threadId");
  int start = DapIntArg(args, "startFrame", 0);
  int levels = DapIntArg(args, "levels", 0);
  if (start < 0 || levels < 0) throw EDapRequest("startFrame / levels が不正です");
  bool known = false;
  for (const TProcessInfo& p : DebugEngine().Processes()) known = known || p.id == thread;
  if (!known) throw EDapRequest("そのスレッドはありません: " + std::to_string(thread));
  std::vector<TFrameInfo> frames = DebugEngine().StackTrace(thread);
  nlohmann::json result = nlohmann::json::array();
  for (size_t i = static_cast<size_t>(start); i < frames.size(); ++i) {
    if (levels > 0 && result.size() >= static_cast<size_t>(levels)) break;
    const TFrameInfo& f = frames[i];
    session.frameIds.insert(f.id);
    std::string name = f.method.empty() ? f.className : f.className + "." + f.method;
    result.push_back({{"id", f.id}, {"name", name}, {"source", Source(f.file)}, {"line", f.line}, {"column", f.column}});
  }
  return {{"stackFrames", result}, {"totalFrames", frames.size()}};
}

nlohmann::json DapScopes(TDapSession& session, const nlohmann::json& args) {
  NeedGame(session);
  NeedStopped();
  int frame = DapIntArg(args, "frameId");
  if (!session.frameIds.count(frame)) throw EDapRequest("そのフレームはありません: " + std::to_string(frame));
  nlohmann::json result = nlohmann::json::array();
  for (const TScopeInfo& s : DebugEngine().Scopes(frame)) {
    if (s.variablesRef > 0) session.variableRefs.insert(s.variablesRef);
    result.push_back({{"name", s.name}, {"variablesReference", s.variablesRef}, {"expensive", false}});
  }
  return {{"scopes", result}};
}

nlohmann::json DapVariables(TDapSession& session, const nlohmann::json& args) {
  NeedGame(session);
  NeedStopped();
  int ref = DapIntArg(args, "variablesReference");
  if (!session.variableRefs.count(ref)) throw EDapRequest("その変数の参照はありません: " + std::to_string(ref));
  nlohmann::json result = nlohmann::json::array();
  for (const TVariableInfo& v : DebugEngine().Variables(ref)) result.push_back(Variable(session, v));
  return {{"variables", result}};
}

nlohmann::json DapEvaluate(TDapSession& session, const nlohmann::json& args) {
  NeedGame(session);
  NeedStopped();
  std::string expression = DapStringArg(args, "expression");
  int frame = DapIntArg(args, "frameId", 0);
  if (frame != 0 && !session.frameIds.count(frame)) throw EDapRequest("そのフレームはありません: " + std::to_string(frame));
  TVariableInfo value;
  std::string error;
  if (!DebugEngine().Evaluate(expression, frame, value, error)) throw EDapRequest(error);
  nlohmann::json v = Variable(session, value);
  return {{"result", v["value"]}, {"type", v["type"]}, {"variablesReference", v["variablesReference"]}};
}

nlohmann::json DapContinue(TDapSession& session, const nlohmann::json&) {
  RunOn(session, &TDebugEngine::Continue);
  return {{"allThreadsContinued", true}};
}

nlohmann::json DapNext(TDapSession& session, const nlohmann::json&) { return RunOn(session, &TDebugEngine::StepOver); }
nlohmann::json DapStepIn(TDapSession& session, const nlohmann::json&) { return RunOn(session, &TDebugEngine::StepInto); }
nlohmann::json DapStepOut(TDapSession& session, const nlohmann::json&) { return RunOn(session, &TDebugEngine::StepOut); }

nlohmann::json DapPause(TDapSession& session, const nlohmann::json&) {
  NeedGame(session);
  if (!DebugEngine().IsStopped()) DebugEngine().RequestPause();
  return nullptr;
}

}  // namespace ruvel
