// A debug adapter session: the state of one client's conversation (what
// was launched, whether configuration is done, the frame ids and variable
// references handed out since the last stop) and the serving of its
// messages. Every request goes through one command table; a request the
// table does not know, with bad arguments or at the wrong time gets an
// error response and the session goes on.
#pragma once
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "dap/dap_channel.h"
#include "shell/command_line.h"

namespace ruvel {

// A request that cannot be served; the text goes back in the response.
class EDapRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TDapSession {
 public:
  explicit TDapSession(TDapChannel& channel) : channel(channel) {}

  // Serves the queued messages, waiting up to waitMs (< 0: until one
  // comes) for the first. An ended input ends the session.
  void ServePending(int waitMs);
  // Serves one message.
  void Serve(const TDapFrame& frame);

  void SendEvent(const std::string& event, nlohmann::json body = nlohmann::json::object());
  // An output event; text in UTF-8, category "stdout", "stderr" or "console".
  void SendOutput(const std::string& category, const std::string& text);

  TDapChannel& channel;

  bool initialized = false;
  bool launchRequested = false;
  CommandLine launch;        // the run the launch request asked for
  bool stopOnEntry = false;
  bool configured = false;   // configurationDone came
  bool gameRunning = false;  // the shell runs the launched project
  bool gameStarted = false;  // the project is open and the engine wired
  bool endRequested = false; // disconnect, or the client's input ended
  // The disconnect request, answered once the game has ended.
  std::optional<nlohmann::json> pendingDisconnect;
  bool entryPending = false;  // the next pause stop is reported as "entry"

  // Ids valid until the process runs on: frames from stackTrace, variable
  // references from scopes, variables and evaluate.
  std::set<int> frameIds;
  std::set<int> variableRefs;
};

// The commands one at a time (plain data in, plain data out): the
// response body for a request's arguments, or EDapRequest.
nlohmann::json DapRunCommand(TDapSession& session, const std::string& command, const nlohmann::json& arguments);

}  // namespace ruvel
