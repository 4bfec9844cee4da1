#include "dap/dap_session.h"

#include <exception>

namespace ruvel {

void TDapSession::ServePending(int waitMs) {
  TDapFrame frame;
  int wait = waitMs;
  while (channel.Pop(frame, wait)) {
    Serve(frame);
    wait = 0;
  }
  if (channel.Closed()) endRequested = true;
}

void TDapSession::SendEvent(const std::string& event, nlohmann::json body) {
  nlohmann::json message = {{"type", "event"}, {"event", event}, {"body", std::move(body)}};
  channel.Send(std::move(message));
}

void TDapSession::SendOutput(const std::string& category, const std::string& text) {
  std::string line = text;
  if (line.empty() || line.back() != '\n') line += '\n';
  SendEvent("output", {{"category", category}, {"output", line}});
}

void TDapSession::Serve(const TDapFrame& frame) {
  nlohmann::json response = {{"type", "response"}, {"request_seq", 0}, {"command", ""}, {"success", false}};
  if (!frame.ok) {
    response["message"] = frame.error;
    channel.Send(std::move(response));
    return;
  }
  const nlohmann::json& m = frame.body;
  auto seq = m.find("seq");
  if (seq != m.end() && seq->is_number_integer()) response["request_seq"] = *seq;
  auto type = m.find("type");
  auto command = m.find("command");
  if (type == m.end() || *type != "request" || command == m.end() || !command->is_string()) {
    // Responses to reverse requests and events from the client need no answer.
    if (type != m.end() && (*type == "response" || *type == "event")) return;
    response["message"] = "要求 (type \"request\" と command) ではありません";
    channel.Send(std::move(response));
    return;
  }
  response["command"] = *command;
  auto args = m.find("arguments");
  static const nlohmann::json kNoArguments = nlohmann::json::object();
  const nlohmann::json& arguments = args != m.end() && args->is_object() ? *args : kNoArguments;
  try {
    nlohmann::json body = DapRunCommand(*this, command->get<std::string>(), arguments);
    response["success"] = true;
    // disconnect is answered when the game has ended.
    if (*command == "disconnect" && gameRunning) {
      pendingDisconnect = std::move(response);
      return;
    }
    if (!body.is_null()) response["body"] = std::move(body);
  } catch (const std::exception& e) {
    response["message"] = e.what();
  }
  channel.Send(std::move(response));
}

}  // namespace ruvel
