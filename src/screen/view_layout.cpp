#include "screen/view_layout.h"

#include <algorithm>
#include <cstdint>

namespace ruvel {

namespace {

// a * b / c rounded down, also for negative a.
int MulDivFloor(int a, int b, int c) {
  int64_t n = int64_t(a) * b;
  int64_t q = n / c;
  if ((n % c != 0) && ((n < 0) != (c < 0))) --q;
  return int(q);
}

}  // namespace

TViewLayout FitPicture(int areaW, int areaH, int picW, int picH) {
  TViewLayout v;
  v.picW = std::max(1, picW);
  v.picH = std::max(1, picH);
  areaW = std::max(0, areaW);
  areaH = std::max(0, areaH);
  int whole = std::min(areaW / v.picW, areaH / v.picH);
  if (whole >= 1) {
    v.w = v.picW * whole;
    v.h = v.picH * whole;
  } else if (int64_t(areaW) * v.picH <= int64_t(areaH) * v.picW) {
    v.w = areaW;
    v.h = MulDivFloor(areaW, v.picH, v.picW);
  } else {
    v.h = areaH;
    v.w = MulDivFloor(areaH, v.picW, v.picH);
  }
  v.x = (areaW - v.w) / 2;
  v.y = (areaH - v.h) / 2;
  return v;
}

void TViewLayout::ToPicture(int& px, int& py) const {
  if (w <= 0 || h <= 0) return;
  px = MulDivFloor(px - x, picW, w);
  py = MulDivFloor(py - y, picH, h);
}

void TViewLayout::ToArea(int& ax, int& ay) const {
  if (w <= 0 || h <= 0) return;
  ax = x + MulDivFloor(ax, w, picW);
  ay = y + MulDivFloor(ay, h, picH);
}

bool ParseScaleChoice(std::string_view text, int& choice) {
  if (text == "fit") {
    choice = kScaleFit;
    return true;
  }
  if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kMaxScale) return false;
  choice = text[0] - '0';
  return true;
}

std::string ScaleChoiceText(int choice) {
  return choice >= 1 && choice <= kMaxScale ? std::to_string(choice) : std::string("fit");
}

}  // namespace ruvel
