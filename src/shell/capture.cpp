#include "shell/capture.h"

#include <SDL.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/paths.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/screenshot.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"

namespace ruvel {

std::string TCapture::CaptureDir() {
  const std::string& project = PrjManager().projectFile;
  std::string base = project.empty() ? ProgramDir() : PathParent(project);
  return base + "/captures";
}

std::string TCapture::StampedName(const std::string& dir, const std::string& extension) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "capture-%Y%m%d-%H%M%S", &tm);
  std::string path = dir + "/" + stamp + extension;
  for (int n = 2; std::filesystem::exists(path); ++n) path = dir + "/" + stamp + "-" + std::to_string(n) + extension;
  return path;
}

void TCapture::Tell(const std::string& utf8) {
  std::string text = Utf8ToCp932(utf8);
  if (tell) {
    tell(text);
  } else {
    LogLine(text);
  }
}

bool TCapture::HandleKey(int scancode) {
  if (scancode != SDL_SCANCODE_F6 && scancode != SDL_SCANCODE_F8 && scancode != SDL_SCANCODE_F9) return false;
  if (ProjectParam("capture_keys") == "0") return false;
  if (scancode == SDL_SCANCODE_F6) {
    SaveScreenshot();
  } else if (scancode == SDL_SCANCODE_F8) {
    keyed_.reset();
    int w = 0;
    int h = 0;
    std::vector<uint32_t> rgb;
    if (!screen_.ReadDrawingArea(rgb, w, h)) return true;
    keyed_ = std::make_unique<TGifWriter>(w, h);
    keyed_->AddFrame(rgb, kFrameStride * kFrameMs);
    Tell("GIF 録画中 (F9 で保存)");
  } else {
    SaveKeyRecording();
  }
  return true;
}

void TCapture::FrameDrawn() {
  ++drawn_;
  if (drawn_ % kFrameStride != 0 || (!keyed_ && runPath_.empty())) return;
  std::vector<uint32_t> rgb;
  int w = 0;
  int h = 0;
  if (!screen_.ReadDrawingArea(rgb, w, h)) return;
  if (!runPath_.empty()) {
    if (!run_) {
      run_ = std::make_unique<TGifWriter>(w, h);
      std::string error;
      run_->StreamTo(runPath_, error);  // a failure is reported by Finish
    }
    run_->AddFrame(rgb, kFrameStride * kFrameMs);
  }
  // A key recording stops by itself after 30 seconds of play.
  if (keyed_ && keyed_->Frames() * kFrameStride * kFrameMs < kMaxSeconds * 1000.0) {
    keyed_->AddFrame(rgb, kFrameStride * kFrameMs);
  }
}

bool TCapture::SaveScreenshot() {
  std::vector<uint32_t> rgb;
  int w = 0;
  int h = 0;
  std::string error;
  std::string dir = CaptureDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string path = StampedName(dir, ".png");
  if (!screen_.ReadDrawingArea(rgb, w, h) || !WritePng(path, w, h, rgb, error)) {
    Tell("スクリーンショットを保存できません: " + path + " " + error);
    return false;
  }
  Tell("保存しました: " + PathFileName(path));
  return true;
}

bool TCapture::SaveKeyRecording() {
  if (!keyed_) {
    Tell("GIF の録画はまだ始まっていません (F8 で開始)");
    return false;
  }
  std::string dir = CaptureDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string path = StampedName(dir, ".gif");
  std::string error;
  bool ok = keyed_->Save(path, error);
  keyed_.reset();
  Tell(ok ? "保存しました: " + PathFileName(path) : "GIF を保存できません: " + error);
  return ok;
}

bool TCapture::Finish(std::string& error) {
  if (runPath_.empty()) return true;
  if (!run_) {
    error = runPath_ + ": no frame was drawn";
    return false;
  }
  // Frames drawn after the last recorded one still count, so the file
  // lasts as long as the run.
  run_->AddTime(double(drawn_ % kFrameStride) * kFrameMs);
  return run_->Save(runPath_, error);
}

}  // namespace ruvel
