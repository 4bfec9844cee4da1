#include "dap/dap_channel.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace ruvel {

TDapChannel::TDapChannel(int inFd, int outFd) : inFd_(inFd), outFd_(outFd) {}

TDapChannel::~TDapChannel() {
  // The reader blocks in read(); at exit it is left to the process's end.
  if (reader_.joinable()) reader_.detach();
}

void TDapChannel::Start() { reader_ = std::thread([this] { ReadLoop(); }); }

void TDapChannel::ReadLoop() {
  TDapFrameReader frames;
  char buf[65536];
  for (;;) {
    ssize_t n = read(inFd_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    frames.Feed(buf, static_cast<size_t>(n));
    TDapFrame frame;
    while (frames.Next(frame)) {
      std::lock_guard<std::mutex> lock(queueLock_);
      queue_.push_back(std::move(frame));
      queueReady_.notify_one();
    }
  }
  std::lock_guard<std::mutex> lock(queueLock_);
  inputEnded_ = true;
  queueReady_.notify_all();
}

bool TDapChannel::Pop(TDapFrame& out, int timeoutMs) {
  std::unique_lock<std::mutex> lock(queueLock_);
  auto ready = [this] { return !queue_.empty() || inputEnded_; };
  if (timeoutMs < 0) {
    queueReady_.wait(lock, ready);
  } else if (timeoutMs > 0) {
    queueReady_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
  }
  if (queue_.empty()) return false;
  out = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

bool TDapChannel::Closed() {
  std::lock_guard<std::mutex> lock(queueLock_);
  return inputEnded_ && queue_.empty();
}

void TDapChannel::Send(nlohmann::json message) {
  std::lock_guard<std::mutex> lock(writeLock_);
  message["seq"] = ++seq_;
  std::string frame = DapEncodeFrame(message);
  size_t done = 0;
  while (done < frame.size()) {
    ssize_t n = write(outFd_, frame.data() + done, frame.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the client has gone; nothing to tell it
    done += static_cast<size_t>(n);
  }
}

}  // namespace ruvel
