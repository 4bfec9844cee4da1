// Pictures of play for the game maker: F6 saves the drawing area as PNG,
// F8 starts a recording and F9 saves it as an animated GIF (every second
// frame, at most 30 seconds), both into "captures" beside the project with
// a time-stamped name; --record-gif FILE records a whole run. The project
// parameter "capture_keys" set to "0" leaves F6, F8 and F9 to the game.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/gif_writer.h"

namespace ruvel {

class TScreen;

class TCapture {
 public:
  // Frames drawn per recorded frame, and the longest key recording.
  static constexpr int kFrameStride = 2;
  static constexpr double kMaxSeconds = 30.0;
  static constexpr double kFrameMs = 17.0;

  explicit TCapture(TScreen& screen) : screen_(screen) {}

  // --record-gif: every frame of the run is streamed to this file (into a
  // temporary file beside it, renamed over it by Finish). Check the path
  // first with TGifWriter::CanWrite.
  void RecordRunTo(const std::string& path) { runPath_ = path; }
  // The keys F6, F8, F9 (SDL scancodes); true when one was used.
  bool HandleKey(int scancode);
  // Called after each drawn frame.
  void FrameDrawn();
  // Saves the --record-gif file; false with a reason in error.
  bool Finish(std::string& error);

  // The folder captures go to: "captures" beside the project file, else
  // in the program directory.
  static std::string CaptureDir();
  // "capture-YYYYMMDD-HHMMSS" + extension, unique in dir.
  static std::string StampedName(const std::string& dir, const std::string& extension);

  // Tells the person what happened (status bar text, CP932); set by the
  // shell, the message box otherwise.
  std::function<void(const std::string& cp932)> tell;

 private:
  bool SaveScreenshot();
  bool SaveKeyRecording();
  void Tell(const std::string& utf8);

  TScreen& screen_;
  std::string runPath_;
  std::unique_ptr<TGifWriter> run_;
  std::unique_ptr<TGifWriter> keyed_;  // F8 .. F9
  long drawn_ = 0;
};

}  // namespace ruvel
