#include "shell/input_channel.h"

#include <cerrno>
#include <cstring>

namespace ruvel {

TInputChannel::~TInputChannel() {
  std::string ignored;
  StopRecording(ignored);
}

void TInputChannel::LoadReplay(const std::string& path) {
  events_ = LoadInputScript(path);
  next_ = 0;
}

bool TInputChannel::StartRecording(const std::string& path, std::string& error) {
  record_ = std::fopen(path.c_str(), "w");
  if (!record_) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  recordPath_ = path;
  recordFailed_ = std::fputs("# ruvel input recording: frame event arguments (replay with --input)\n", record_) < 0;
  return true;
}

bool TInputChannel::StopRecording(std::string& error) {
  if (!record_) return true;
  bool ok = !recordFailed_ && std::fflush(record_) == 0 && !std::ferror(record_);
  ok = std::fclose(record_) == 0 && ok;
  record_ = nullptr;
  if (!ok) error = recordPath_ + ": " + std::strerror(errno);
  return ok;
}

void TInputChannel::DeliverDue(long drawnFrames, const std::function<void(const TInputEvent&)>& deliver) {
  while (next_ < events_.size() && events_[next_].frame <= drawnFrames) deliver(events_[next_++]);
}

void TInputChannel::Record(const TInputEvent& e) {
  if (!record_) return;
  std::string line = FormatInputEvent(e) + "\n";
  // Flushed at once: a run that ends abnormally keeps what was played.
  if (std::fputs(line.c_str(), record_) < 0 || std::fflush(record_) != 0) recordFailed_ = true;
}

}  // namespace ruvel
