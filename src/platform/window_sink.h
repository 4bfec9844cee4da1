// The message sink of the windowed program: message boxes are SDL message
// boxes over the main window while it is shown; log lines go to stderr when
// logging is on. Install with SetSink (message_sink.h).
#pragma once
#include "platform/message_sink.h"

struct SDL_Window;

namespace ruvel {

class WindowSink : public MessageSink {
 public:
  explicit WindowSink(bool log = false) : fallback_(log) {}
  void ShowMessage(const std::string& text) override;
  void Log(const std::string& text) override { fallback_.Log(text); }
  // The window the boxes belong to; none: boxes go to stderr.
  void SetWindow(SDL_Window* window) { window_ = window; }

 private:
  StderrSink fallback_;
  SDL_Window* window_ = nullptr;
};

}  // namespace ruvel
