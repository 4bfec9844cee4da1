// Where the host's messages go: message boxes, the main screen's message
// display and progress lines. The shell installs a window-backed sink; tests
// and --headless use the stderr sink or a capturing one.
#pragma once
#include <string>

namespace ruvel {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A message box: shown to the user, never blocks in headless mode. CP932.
  virtual void ShowMessage(const std::string& text) = 0;
  // A progress or log line; discarded unless logging is on. CP932.
  virtual void Log(const std::string& text) = 0;
};

// Writes message boxes to stderr as UTF-8 lines; log lines only when enabled.
class StderrSink : public MessageSink {
 public:
  explicit StderrSink(bool log = false) : log_(log) {}
  void ShowMessage(const std::string& text) override;
  void Log(const std::string& text) override;
  void SetLogging(bool on) { log_ = on; }

 private:
  bool log_;
};

// The sink in use. Owned here; SetSink installs another (not owned) and
// returns the previous one, so a test can restore it.
MessageSink& Sink();
MessageSink* SetSink(MessageSink* sink);

inline void ShowMessage(const std::string& text) { Sink().ShowMessage(text); }
inline void LogLine(const std::string& text) { Sink().Log(text); }

}  // namespace ruvel
