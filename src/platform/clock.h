// Time sources for the frame loop and the window: a monotonic clock in
// milliseconds, a fixed-step clock that moves exactly 17 ms per frame-loop
// call (deterministic runs), and a manual clock for tests.
#pragma once

namespace ruvel {

// Milliseconds on a monotonic clock since the first call (the stand-in for
// the multimedia timer: mouse-move timing, the loading window's timer).
double TickMs();

class TClock {
 public:
  virtual ~TClock() = default;
  // "Now" in milliseconds.
  virtual double NowMs() = 0;
  // Called at the start of every frame-loop call.
  virtual void OnLoopCall() {}
};

// Real time: std::chrono::steady_clock.
class TSteadyClock : public TClock {
 public:
  double NowMs() override { return TickMs(); }
};

// Every frame-loop call sees exactly one update step (17 ms) more.
class TFixedStepClock : public TClock {
 public:
  static constexpr double kStepMs = 17.0;
  double NowMs() override { return now_; }
  void OnLoopCall() override { now_ += kStepMs; }

 private:
  double now_ = 0.0;
};

// A clock set by hand.
class TManualClock : public TClock {
 public:
  double NowMs() override { return now; }
  void Advance(double ms) { now += ms; }
  double now = 0.0;
};

}  // namespace ruvel
