// Animated GIF files of the game's pictures, written with giflib. Every
// frame keeps its exact colours: only the part that changed since the last
// frame is stored, cut into pieces of at most 256 colours, each with a
// colour table of its own, so pixel art and anti-aliased text come back
// pixel for pixel. The file loops forever.
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

  // Adds a picture of width x height pixels (0x00RRGGBB, row by row) shown
  // for delayMs milliseconds. False when the encoder failed (error set).
  bool AddFrame(const std::vector<uint32_t>& rgb, double delayMs);
  int Frames() const { return frames_; }
  // Finishes the file and writes it (temporary file, then rename).
  bool Save(const std::string& path, std::string& error);
  const std::string& Error() const { return error_; }

 private:
  bool PutPiece(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1, int delayCs);
  bool PutRect(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1, int delayCs);

  int width_;
  int height_;
  void* gif_ = nullptr;     // GifFileType
  std::string bytes_;       // the encoded file so far
  std::vector<uint32_t> previous_;
  int frames_ = 0;
  double delayCarryCs_ = 0;  // fractions of 1/100 s carried to the next frame
  std::string error_;
};

// A decoded GIF as the tests and tools need it: the picture after each
// image that is shown for a while (pieces shown for 0 s are folded into
// the next), as 0x00RRGGBB pixels.
struct TGifFrames {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint32_t>> pictures;
  std::vector<int> delaysCs;
};
bool ReadGifFrames(const std::string& path, TGifFrames& out, std::string& error);

}  // namespace ruvel
