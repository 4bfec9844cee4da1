// The debug adapter's transport: a reader thread turns the bytes of an
// input descriptor into messages and queues them for the game's thread;
// one writer, under a lock, sends responses and events on the output
// descriptor. Requests are served by whoever pops the queue (between
// frames, or while a process is stopped).
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "dap/dap_framing.h"

namespace ruvel {

class TDapChannel {
 public:
  TDapChannel(int inFd, int outFd);
  ~TDapChannel();
  TDapChannel(const TDapChannel&) = delete;
  TDapChannel& operator=(const TDapChannel&) = delete;

  // Starts the reader thread.
  void Start();
  // The next message or protocol error; waits up to timeoutMs (< 0: for
  // ever). False when none came in time or the input has ended.
  bool Pop(TDapFrame& out, int timeoutMs);
  // The input has ended and every message was popped.
  bool Closed();

  // Writes one message (a response or an event) with the next sequence
  // number.
  void Send(nlohmann::json message);

 private:
  void ReadLoop();
  int inFd_;
  int outFd_;
  std::thread reader_;
  std::mutex queueLock_;
  std::condition_variable queueReady_;
  std::deque<TDapFrame> queue_;
  bool inputEnded_ = false;
  std::mutex writeLock_;
  long seq_ = 0;
};

}  // namespace ruvel
