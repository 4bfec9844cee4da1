// The handlers of the command table, and the argument readers they share.
// Each takes the session and the request's arguments and returns the
// response body (null: none), or raises EDapRequest.
#pragma once
#include <string>

#include <nlohmann/json.hpp>

#include "dap/dap_session.h"

namespace ruvel {

using TDapHandler = nlohmann::json (*)(TDapSession& session, const nlohmann::json& args);

// Arguments: a required one raises EDapRequest when missing or of another
// type; an optional one gives the default when missing.
int DapIntArg(const nlohmann::json& args, const char* name);
int DapIntArg(const nlohmann::json& args, const char* name, int otherwise);
std::string DapStringArg(const nlohmann::json& args, const char* name);
std::string DapStringArg(const nlohmann::json& args, const char* name, const std::string& otherwise);
bool DapBoolArg(const nlohmann::json& args, const char* name, bool otherwise);

// The commands that work on the debugger engine (dap_debug_commands.cpp).
nlohmann::json DapThreads(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapSetBreakpoints(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapSetExceptionBreakpoints(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapStackTrace(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapScopes(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapVariables(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapEvaluate(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapContinue(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapNext(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapStepIn(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapStepOut(TDapSession& session, const nlohmann::json& args);
nlohmann::json DapPause(TDapSession& session, const nlohmann::json& args);

// The filter of setExceptionBreakpoints that stops on run-time errors.
extern const char* const kDapRuntimeErrorFilter;

}  // namespace ruvel
