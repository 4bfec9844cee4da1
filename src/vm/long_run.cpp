#include "vm/long_run.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "vm/interpreter.h"
#include "vm/vm_state.h"

namespace ruvel {

volatile int TLongRunWatch::interrupted_ = 0;

namespace {

volatile sig_atomic_t interruptCount = 0;

// The first Ctrl+C asks the script loop to stop; a second one, for a
// program stuck where nothing polls, ends it here and now.
extern "C" void OnInterrupt(int) {
  interruptCount = interruptCount + 1;
  TLongRunWatch::RequestInterrupt();
  if (interruptCount > 1) {
    static const char text[] = "ruvel: interrupted\n";
    ssize_t ignored = ::write(2, text, sizeof text - 1);
    (void)ignored;
    ::_exit(2);
  }
}

}  // namespace

void TLongRunWatch::RequestInterrupt() { interrupted_ = 1; }
bool TLongRunWatch::InterruptRequested() { return interrupted_ != 0; }

std::string TLongRunWatch::LongRunMessage(const std::string& where) {
  return J("スクリプトが") + std::to_string(kLongRunMs / 1000) + J("秒以上フレームを終えていません: ") + where;
}

std::string TLongRunWatch::InterruptMessage(const std::string& where) {
  return J("中断しました: ") + (where.empty() ? J("スクリプトは実行されていません") : where);
}

int64_t TLongRunWatch::Now() const {
  if (now) return now();
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string TLongRunWatch::Where() const {
  std::string where;
  if (depth_ > 0) {
    where = RunningWhere(VM().current);
    if (where.empty()) where = FunctionWhere(started_);
  } else if (stalling_) {
    where = stalledAt_;
  }
  // Nothing of a script is known: the host itself was busy between frames.
  if (where.empty() && stalling_) where = J("スクリプトの外（ホストの処理中）");
  return where;
}

void TLongRunWatch::Enter(const TFunction* started) {
  if (depth_++ > 0) return;
  started_ = started;
  if (!stalling_) {
    stalling_ = true;
    stallSince_ = Now();
    lastService_ = stallSince_;
  }
}

void TLongRunWatch::Leave(bool finishedFrame) {
  if (depth_ == 1 && !finishedFrame) {
    stalledAt_ = RunningWhere(VM().current);
    if (stalledAt_.empty()) stalledAt_ = FunctionWhere(started_);
  }
  if (--depth_ > 0) return;
  started_ = nullptr;
  if (finishedFrame) {
    stalling_ = false;
    reported_ = false;
    stalledAt_.clear();
  }
}

void TLongRunWatch::SlowPoll() {
  if (interrupted_) {
    std::string text = InterruptMessage(Where());
    // Said directly: a message box could not be answered any more.
    std::string u = ToUtf8(text);
    std::fprintf(stderr, "%s\n", u.c_str());
    std::fflush(stderr);
    interrupted_ = 0;
    if (exit) {
      exit(2);
      return;
    }
    std::fflush(stdout);
    std::_Exit(2);
  }
  if (!stalling_) return;
  int64_t t = Now();
  if (!reported_ && t - stallSince_ >= kLongRunMs) {
    reported_ = true;
    ShowMessage(LongRunMessage(Where()));
    t = Now();
  }
  if (service && t - stallSince_ >= kLongRunServiceMs && t - lastService_ >= kLongRunServiceMs) {
    lastService_ = t;
    service();
  }
}

void TLongRunWatch::Reset() {
  depth_ = 0;
  stalling_ = false;
  reported_ = false;
  stallSince_ = lastService_ = 0;
  stalledAt_.clear();
  started_ = nullptr;
  interrupted_ = 0;
  interruptCount = 0;
}

TLongRunWatch& LongRunWatch() {
  static TLongRunWatch watch;
  return watch;
}

void InstallInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace ruvel
