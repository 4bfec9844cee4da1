// The events of a run that come from --input and go to --record-input. The
// channel hands replayed events to the shell when their frame is due, and
// writes every event that reaches the shell (a person's or a replayed one)
// to the recording, so that replaying the recording repeats the run.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "shell/input_script.h"

namespace ruvel {

class TInputChannel {
 public:
  ~TInputChannel();

  // Loads the replay; raises EInputScript for a malformed file.
  void LoadReplay(const std::string& path);
  // Starts the recording; false with a reason when the file cannot be made.
  bool StartRecording(const std::string& path, std::string& error);
  // Finishes the recording; false when it could not be written completely.
  bool StopRecording(std::string& error);

  bool Replaying() const { return !events_.empty(); }
  // Hands every replayed event of frames up to drawnFrames to deliver, in
  // file order.
  void DeliverDue(long drawnFrames, const std::function<void(const TInputEvent&)>& deliver);
  // Adds an event to the recording (no effect when none is made).
  void Record(const TInputEvent& e);

 private:
  std::vector<TInputEvent> events_;
  size_t next_ = 0;
  std::FILE* record_ = nullptr;
  std::string recordPath_;
  bool recordFailed_ = false;
};

}  // namespace ruvel
