// Watching for scripts that run long without finishing a frame. The
// interpreter reports where each outermost run starts and how it ends and
// polls after every slice, so the instruction budget itself is unchanged:
//  - a stretch of runs none of which yielded or halted (a frame never
//    finished) is timed; after kLongRunMs one message names the class and
//    method running then;
//  - while a stretch lasts, a service hook is called now and then so the
//    window can repaint and be closed;
//  - Ctrl+C (SIGINT) ends the program at the next poll with exit code 2
//    and a message naming the same; a second Ctrl+C ends it at once.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ruvel {

class TProcess;
class TFunction;

constexpr int64_t kLongRunMs = 3000;
// How often the service hook is called while a stretch lasts.
constexpr int64_t kLongRunServiceMs = 50;

class TLongRunWatch {
 public:
  // Called by Run around every run. Only outermost runs count: nested runs
  // (destructors, snippets, natives) belong to the run around them.
  // The function an outermost run starts in names the run once its frame
  // is gone (a run that ended right after a long native call).
  void Enter(const TFunction* started = nullptr);
  void Leave(bool finishedFrame);
  // Time spent waiting for a person (a debugger pause) does not count.
  void Rest() { stallSince_ = lastService_ = Now(); }
  // Called after every slice and by the frame loop between frames.
  void Poll() {
    if (depth_ > 0 || interrupted_) SlowPoll();
  }

  // The message shown after kLongRunMs, and the one for Ctrl+C.
  static std::string LongRunMessage(const std::string& where);
  static std::string InterruptMessage(const std::string& where);

  // Pumps the window (repaint, close) during a long run; none by default.
  std::function<void()> service;
  // Ends the program; by default flushes the standard streams and exits
  // with the code without running destructors (the run cannot unwind).
  std::function<void(int code)> exit;
  // Milliseconds of a monotonic clock; replaceable for tests.
  std::function<int64_t()> now;

  bool Reported() const { return reported_; }
  bool Stalling() const { return stalling_; }
  // Set from the signal handler.
  static void RequestInterrupt();
  static bool InterruptRequested();
  // Clears the state (tests).
  void Reset();

 private:
  void SlowPoll();
  int64_t Now() const;
  std::string Where() const;

  int depth_ = 0;
  bool stalling_ = false;
  bool reported_ = false;
  int64_t stallSince_ = 0;
  int64_t lastService_ = 0;
  std::string stalledAt_;  // where the last outermost run was cut off
  const TFunction* started_ = nullptr;  // where the outermost run began
  static volatile int interrupted_;
};

TLongRunWatch& LongRunWatch();

// Makes Ctrl+C request the interrupt above instead of killing the program
// outright.
void InstallInterruptHandler();

}  // namespace ruvel
