// The message sink of the windowed program: message boxes are the
// program's own modal boxes (platform/message_box.h) over the main window,
// their text on stderr too; log lines go to stderr when logging is on.
// Install with SetSink (message_sink.h).
#pragma once
#include <utility>

#include "platform/message_box.h"
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
  // What the window's owner does while a box waits.
  void SetHooks(TMessageBoxHooks hooks) { hooks_ = std::move(hooks); }

 private:
  StderrSink fallback_;
  SDL_Window* window_ = nullptr;
  TMessageBoxHooks hooks_;
};

}  // namespace ruvel
