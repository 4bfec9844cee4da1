// Where the picture sits in the window: enlarged by the largest whole
// number that fits the area (each picture pixel a sharp square), centred
// with black bands around it; shrunk, keeping its proportions, only when
// the area is smaller than the picture. Also the scale choices a person
// picks (×1, ×2, ×3, fit to the window) and their cookie text.
#pragma once
#include <string>
#include <string_view>

namespace ruvel {

struct TViewLayout {
  int picW = 0;  // the picture's own size
  int picH = 0;
  int x = 0;  // its rectangle in the area
  int y = 0;
  int w = 0;
  int h = 0;

  // The whole-number scale, or 0 when the picture is shrunk.
  int WholeScale() const { return picW > 0 && w % picW == 0 && h % picH == 0 ? w / picW : 0; }
  bool Contains(int ax, int ay) const { return ax >= x && ay >= y && ax < x + w && ay < y + h; }
  // An area position as a picture position (the pixel under it; outside
  // the rectangle the result lies outside the picture).
  void ToPicture(int& px, int& py) const;
  // A picture position as the area position of its pixel's top-left.
  void ToArea(int& ax, int& ay) const;
};

TViewLayout FitPicture(int areaW, int areaH, int picW, int picH);

// Scale choices: 1 .. kMaxScale, or kScaleFit (the largest that fits).
constexpr int kScaleFit = 0;
constexpr int kMaxScale = 8;
// "1" .. "8" or "fit"; false for anything else.
bool ParseScaleChoice(std::string_view text, int& choice);
std::string ScaleChoiceText(int choice);

}  // namespace ruvel
