// Animated GIF files of the game's pictures, written with giflib. The first
// image is the whole picture; each later frame stores only the rectangle
// that changed. A rectangle of more than 256 colours is stored as layers:
// the first holds the 256 most frequent colours (the rest drawn with the
// nearest of them), each further layer draws 255 more colours exactly and
// leaves the other pixels transparent, so pixel art and anti-aliased text
// come back pixel for pixel. No image is shown for 0 s (viewers slow such
// files down or skip them): delays are whole hundredths with the fractions
// carried on, a frame that changed nothing lengthens the one before, and
// the total time stays the time given. The file loops forever.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class TGifWriter {
 public:
  TGifWriter(int width, int height);
  ~TGifWriter();
  TGifWriter(const TGifWriter&) = delete;
  TGifWriter& operator=(const TGifWriter&) = delete;

  // Layers of one frame at most; colours beyond them are drawn with the
  // nearest colour of the last layer.
  static constexpr int kMaxLayers = 16;

  // Adds a picture of width x height pixels (0x00RRGGBB, row by row) shown
  // for delayMs milliseconds. False when the encoder failed (error set).
  bool AddFrame(const std::vector<uint32_t>& rgb, double delayMs);
  // Shows the last picture delayMs longer (no effect before the first).
  void AddTime(double delayMs);
  int Frames() const { return frames_; }
  // Streams the file from now on into a temporary file beside path, so a
  // long recording keeps only the current frame in memory; Save then
  // renames it over path. False (error set) when it cannot be created.
  bool StreamTo(const std::string& path, std::string& error);
  // Finishes the file and writes it (temporary file, then rename). A
  // streamed file goes to the path given to StreamTo.
  bool Save(const std::string& path, std::string& error);
  // True when a temporary file beside path can be made (and removes it):
  // a recording to path can be saved.
  static bool CanWrite(const std::string& path, std::string& error);
  const std::string& Error() const { return error_; }

 private:
  // One image of a frame, kept until the next frame's time is known.
  struct TImage {
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<uint32_t> colours;  // at most 256, the transparent slot last
    std::vector<uint8_t> pixels;
    bool transparent = false;       // index colours.size() - 1 is see-through
    int delayCs = 1;
  };
  void Layer(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1);
  bool Flush();
  bool PutImage(const TImage& image);
  int TakeDelay(double delayMs, int atLeast);
  bool Drain();

  int width_;
  int height_;
  void* gif_ = nullptr;     // GifFileType
  std::string bytes_;       // the encoded file so far (not yet streamed)
  int fd_ = -1;             // the temporary file streamed into, or -1
  std::string temp_;        // its path
  std::string target_;      // the path it becomes
  std::vector<uint32_t> previous_;
  std::vector<TImage> pending_;  // the last frame's images, not written yet
  int frames_ = 0;
  double delayCarryCs_ = 0;  // fractions of 1/100 s carried to the next frame
  std::string error_;
};

// A decoded GIF as the tests and tools need it: the picture of each frame,
// as 0x00RRGGBB pixels, with its time. Images with a transparent colour
// complete the frame before them (the writer's further colour layers), so
// they are folded into it and their time added; so are images shown for
// 0 s, into the next.
struct TGifFrames {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint32_t>> pictures;
  std::vector<int> delaysCs;
};
bool ReadGifFrames(const std::string& path, TGifFrames& out, std::string& error);

}  // namespace ruvel
