// The command table and the commands that do not need a running game.
#include "dap/dap_commands.h"

#include <unistd.h>

#include <array>
#include <string_view>

#include "platform/paths.h"

namespace ruvel {

const char* const kDapRuntimeErrorFilter = "runtimeError";

namespace {

const nlohmann::json& Arg(const nlohmann::json& args, const char* name, bool (nlohmann::json::*is)() const noexcept,
                          const char* kind) {
  auto it = args.find(name);
  if (it == args.end() || !((*it).*is)()) throw EDapRequest(std::string("引数 ") + name + " (" + kind + ") がありません");
  return *it;
}

}  // namespace

int DapIntArg(const nlohmann::json& args, const char* name) {
  const nlohmann::json& v = Arg(args, name, &nlohmann::json::is_number_integer, "整数");
  long long n = v.get<long long>();
  if (n < INT32_MIN || n > INT32_MAX) throw EDapRequest(std::string("引数 ") + name + " が範囲外です");
  return static_cast<int>(n);
}

int DapIntArg(const nlohmann::json& args, const char* name, int otherwise) {
  return args.contains(name) ? DapIntArg(args, name) : otherwise;
}

std::string DapStringArg(const nlohmann::json& args, const char* name) {
  return Arg(args, name, &nlohmann::json::is_string, "文字列").get<std::string>();
}

std::string DapStringArg(const nlohmann::json& args, const char* name, const std::string& otherwise) {
  return args.contains(name) ? DapStringArg(args, name) : otherwise;
}

bool DapBoolArg(const nlohmann::json& args, const char* name, bool otherwise) {
  if (!args.contains(name)) return otherwise;
  return Arg(args, name, &nlohmann::json::is_boolean, "true/false").get<bool>();
}

namespace {

nlohmann::json Initialize(TDapSession& session, const nlohmann::json&) {
  session.initialized = true;
  nlohmann::json filter = {{"filter", kDapRuntimeErrorFilter}, {"label", "実行時エラー"}, {"default", true}};
  return {{"supportsConfigurationDoneRequest", true},
          {"supportsConditionalBreakpoints", true},
          {"supportsEvaluateForHovers", true},
          {"exceptionBreakpointFilters", nlohmann::json::array({filter})}};
}

// Checks the arguments and records the run; the server opens the project
// after this request is answered.
nlohmann::json Launch(TDapSession& session, const nlohmann::json& args) {
  if (session.launchRequested) throw EDapRequest("すでに起動しています");
  std::string project = PathToPosix(DapStringArg(args, "project"));
  char cwd[4096];
  if (!PathIsAbsolute(project) && getcwd(cwd, sizeof cwd)) project = PathResolve(project, cwd);
  project = PathStripSlash(project);
  if (!PathExists(project + "/default.ruvelprj")) throw EDapRequest("プロジェクトがありません: " + project);
  CommandLine& cl = session.launch;
  cl.project = project;
  cl.file = DapStringArg(args, "page", "");
  cl.headless = DapBoolArg(args, "headless", false);
  cl.dev = true;
  if (!cl.file.empty() && CommandLineFilePath(cl).empty()) throw EDapRequest("ページがありません: " + cl.file);
  session.stopOnEntry = DapBoolArg(args, "stopOnEntry", false);
  session.launchRequested = true;
  return nullptr;
}

nlohmann::json ConfigurationDone(TDapSession& session, const nlohmann::json&) {
  session.configured = true;
  return nullptr;
}

nlohmann::json Disconnect(TDapSession& session, const nlohmann::json&) {
  session.endRequested = true;
  return nullptr;
}

struct TDapCommand {
  std::string_view name;
  TDapHandler handler;
};

constexpr std::array kCommands = {
    TDapCommand{"initialize", Initialize},
    TDapCommand{"launch", Launch},
    TDapCommand{"configurationDone", ConfigurationDone},
    TDapCommand{"disconnect", Disconnect},
    TDapCommand{"threads", DapThreads},
    TDapCommand{"setBreakpoints", DapSetBreakpoints},
    TDapCommand{"setExceptionBreakpoints", DapSetExceptionBreakpoints},
    TDapCommand{"stackTrace", DapStackTrace},
    TDapCommand{"scopes", DapScopes},
    TDapCommand{"variables", DapVariables},
    TDapCommand{"evaluate", DapEvaluate},
    TDapCommand{"continue", DapContinue},
    TDapCommand{"next", DapNext},
    TDapCommand{"stepIn", DapStepIn},
    TDapCommand{"stepOut", DapStepOut},
    TDapCommand{"pause", DapPause},
};

}  // namespace

nlohmann::json DapRunCommand(TDapSession& session, const std::string& command, const nlohmann::json& arguments) {
  for (const TDapCommand& c : kCommands) {
    if (c.name == command) return c.handler(session, arguments);
  }
  throw EDapRequest("知らないコマンドです: " + command);
}

}  // namespace ruvel
