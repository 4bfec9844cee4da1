// Draws the pattern sheet of the bundled demo game: every sprite is pixel
// art made from simple shapes, each in a one-pixel magenta frame on a
// white sheet (the frame's corner colour is the transparent colour).
// Usage: make_demo_sheets OUT.bmp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "asset_writers.h"

namespace {

using namespace assets;

Rgb Mix(Rgb a, Rgb b, double t) {
  auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(x + (y - x) * t); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb Ship(double u, double v) {
  // A fighter pointing up: a body triangle with wings and a cockpit.
  double body = std::fabs(u) * 2.2 - (v + 1);
  if (v > 0.95) return kKey;
  if (body < 0 && v > -0.9) {
    if (u * u + (v + 0.1) * (v + 0.1) < 0.06) return {40, 90, 220};
    return Mix(Rgb{230, 240, 255}, Rgb{120, 140, 170}, (v + 1) / 2);
  }
  if (v > 0.3 && v < 0.8 && std::fabs(u) < 0.95 && std::fabs(u) > 0.3) return {200, 60, 60};
  if (v > 0.8 && std::fabs(u) < 0.25) return {255, 180, 40};
  return kKey;
}

Rgb Saucer(double u, double v) {
  double dome = u * u + (v + 0.15) * (v + 0.15) * 2.5;
  double disc = u * u * 0.9 + (v - 0.2) * (v - 0.2) * 9;
  if (dome < 0.25 && v < 0.1) return Mix(Rgb{150, 255, 160}, Rgb{40, 140, 60}, dome * 4);
  if (disc < 0.85) {
    if (std::fabs(v - 0.2) < 0.08 && static_cast<int>((u + 1) * 4) % 2 == 0) return {255, 240, 80};
    return Mix(Rgb{240, 80, 80}, Rgb{120, 20, 30}, disc);
  }
  return kKey;
}

Rgb Bug(double u, double v) {
  double r = u * u + v * v;
  if (r < 0.55) {
    if ((u + 0.3) * (u + 0.3) + (v + 0.2) * (v + 0.2) < 0.03) return {255, 255, 255};
    if ((u - 0.3) * (u - 0.3) + (v + 0.2) * (v + 0.2) < 0.03) return {255, 255, 255};
    return Mix(Rgb{120, 230, 90}, Rgb{30, 110, 40}, r * 1.8);
  }
  if (std::fabs(v - 0.55) < 0.1 && std::fabs(u) < 0.95) return {30, 110, 40};
  if (std::fabs(v + 0.75) < 0.08 && std::fabs(std::fabs(u) - 0.45) < 0.12) return {30, 110, 40};
  return kKey;
}

Rgb Shot(double u, double v) {
  if (std::fabs(u) < 0.22 && std::fabs(v) < 0.9) return Mix(Rgb{255, 255, 200}, Rgb{255, 200, 0}, std::fabs(u) * 4);
  return kKey;
}

Rgb EnemyShot(double u, double v) {
  double r = u * u + v * v;
  if (r < 0.5) return Mix(Rgb{255, 250, 220}, Rgb{255, 110, 0}, r * 2);
  return kKey;
}

Rgb Star(double u, double v) {
  double a = std::atan2(v, u);
  double r = std::sqrt(u * u + v * v);
  double edge = 0.5 + 0.45 * std::cos(5 * (a + M_PI / 2));
  if (r < edge * 0.95) return Mix(Rgb{255, 250, 150}, Rgb{255, 190, 0}, r);
  return kKey;
}

Shader Blast(double size) {
  return [size](double u, double v) -> Rgb {
    double r = std::sqrt(u * u + v * v);
    double ripple = 0.15 * std::sin(std::atan2(v, u) * 7);
    if (r < size + ripple) return Mix(Rgb{255, 255, 200}, Rgb{255, 60, 0}, r / (size + 0.2));
    return kKey;
  };
}

Rgb Heart(double u, double v) {
  double x = u * 1.1, y = -v * 1.1 + 0.25;
  double f = std::pow(x * x + y * y - 0.5, 3) - x * x * y * y * y;
  if (f < 0) return {240, 60, 90};
  return kKey;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_demo_sheets OUT.bmp\n");
    return 2;
  }
  // Patterns in raster order: 0 ship, 1 saucer, 2 bug, 3 shot, 4 enemy
  // shot, 5 star, 6-8 explosion, 9 heart.
  const int n = 24;
  const int step = n + 4;
  std::vector<Shader> shaders = {Ship, Saucer, Bug, Shot, EnemyShot, Star, Blast(0.35), Blast(0.7), Blast(1.0), Heart};
  Canvas c(step * 5 + 2, step * 2 + 2);
  for (size_t i = 0; i < shaders.size(); ++i) {
    int col = static_cast<int>(i % 5), row = static_cast<int>(i / 5);
    Place(c, 2 + col * step, 2 + row * step, n, shaders[i]);
  }
  if (!WriteBmp(argv[1], c)) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
