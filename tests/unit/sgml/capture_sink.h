// A message sink that records message boxes and log lines while a test runs
// and puts the previous sink back afterwards.
#pragma once
#include <string>
#include <vector>

#include "platform/message_sink.h"

namespace ruvel {

class CaptureSink : public MessageSink {
 public:
  CaptureSink() : previous_(SetSink(this)) {}
  ~CaptureSink() override { SetSink(previous_); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void Log(const std::string& text) override { logs.push_back(text); }

  std::vector<std::string> messages;
  std::vector<std::string> logs;

 private:
  MessageSink* previous_;
};

}  // namespace ruvel
