// Makes the default tone file "tones.wdt": 96 wave tables of 32 unsigned
// bytes (tone 0 first) and 16 envelopes of 32 steps from 0 to 15. Every
// wave is given the loudness of the old all-square default (an RMS of 25
// around 128), so that tones can be swapped without changing volumes.
// Usage: make_tones OUT.wdt        writes the file
//        make_tones --markdown     prints the tone and envelope tables
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr double kPi = 3.14159265358979323846;
using Shape = std::function<double(double)>;  // one period, x in [0, 1)

// Sum of sine harmonics: {harmonic, amplitude} pairs.
Shape Harmonics(std::initializer_list<std::pair<int, double>> parts) {
  std::vector<std::pair<int, double>> p(parts);
  return [p](double x) {
    double v = 0;
    for (auto [h, a] : p) v += a * std::sin(2 * kPi * h * x);
    return v;
  };
}

// Harmonics 1..n with amplitude 1 / h^power (odd ones only when oddOnly).
Shape Series(int n, double power, bool oddOnly = false) {
  return [=](double x) {
    double v = 0;
    for (int h = 1; h <= n; ++h) {
      if (oddOnly && h % 2 == 0) continue;
      v += std::sin(2 * kPi * h * x) / std::pow(h, power);
    }
    return v;
  };
}

Shape Pulse(double duty) {
  return [=](double x) { return x < duty ? 1.0 : -1.0; };
}

double Saw(double x) { return 2 * x - 1; }
double Triangle(double x) { return x < 0.5 ? 4 * x - 1 : 3 - 4 * x; }

Shape Quantized(Shape s, int levels) {
  return [=](double x) {
    double v = (s(x) + 1) / 2 * (levels - 1);
    return std::round(v) / (levels - 1) * 2 - 1;
  };
}

Shape OctaveUp(Shape s, int times) {
  return [=](double x) { return s(std::fmod(x * times, 1.0)); };
}

struct Tone {
  const char* name;
  const char* character;
  Shape shape;
};

// The 96 tones, by number. Tone 95 is the noise tone: the synthesizer
// rewrites its table while playing.
std::vector<Tone> Tones() {
  return {
      // Low half first, byte for byte the synthesizer's built-in square.
      {"square", "50% pulse, the classic chip sound", [](double x) { return x < 0.5 ? -1.0 : 1.0; }},
      {"pulse 25%", "thinner, nasal chip lead", Pulse(0.25)},
      {"pulse 12.5%", "thin and buzzy", Pulse(0.125)},
      {"pulse 6.25%", "very thin, reedy", Pulse(0.0625)},
      {"pulse 37.5%", "between square and 25%", Pulse(0.375)},
      {"pulse 18.75%", "narrow, bright", Pulse(0.1875)},
      {"pulse 31.25%", "hollow", Pulse(0.3125)},
      {"pulse 43.75%", "almost square, a little edge", Pulse(0.4375)},
      {"sine", "pure and soft", Harmonics({{1, 1}})},
      {"triangle", "soft with a little edge", Triangle},
      {"sawtooth", "bright, full of harmonics", Saw},
      {"reverse saw", "bright, falling ramp", [](double x) { return -Saw(x); }},
      {"half sine", "soft, with even harmonics", [](double x) { return x < 0.5 ? std::sin(2 * kPi * x) : 0.0; }},
      {"rectified sine", "an octave up, warm", [](double x) { return std::fabs(std::sin(2 * kPi * x)); }},
      {"trapezoid", "rounded square", [](double x) { return std::clamp(3 * Triangle(x), -1.0, 1.0); }},
      {"4-bit triangle", "stepped triangle of old consoles", Quantized(Triangle, 16)},
      {"organ 8'+4'", "drawbar organ, two pipes", Harmonics({{1, 1}, {2, 0.7}})},
      {"organ 8'+4'+2'", "brighter drawbar organ", Harmonics({{1, 1}, {2, 0.7}, {4, 0.5}})},
      {"full organ", "all drawbars out", Harmonics({{1, 1}, {2, 0.8}, {3, 0.7}, {4, 0.6}, {6, 0.5}, {8, 0.4}})},
      {"flute organ", "soft stopped pipe", Harmonics({{1, 1}, {2, 0.3}})},
      {"reed organ", "odd harmonics, harmonium", Harmonics({{1, 1}, {3, 0.6}, {5, 0.4}})},
      {"jazz organ", "percussive drawbars", Harmonics({{1, 1}, {2, 0.9}, {3, 0.8}})},
      {"pipe organ", "principal pipe", Harmonics({{1, 1}, {2, 0.5}, {3, 0.35}, {4, 0.25}, {5, 0.2}})},
      {"church organ", "octaves stacked", Harmonics({{1, 1}, {2, 1}, {4, 1}, {8, 1}})},
      {"sine bass", "deep and round", Harmonics({{1, 1}, {2, 0.3}})},
      {"round bass", "warm electric bass", Harmonics({{1, 1}, {2, 0.5}, {3, 0.2}})},
      {"finger bass", "plucked electric bass", Harmonics({{1, 1}, {2, 0.6}, {3, 0.3}, {4, 0.1}})},
      {"bright bass", "slap-like, cuts through", Series(10, 1.5)},
      {"square bass", "hollow chip bass", Series(7, 1, true)},
      {"synth bass", "saw bass", Series(15, 1)},
      {"acid bass", "resonant, squelchy",
       Harmonics({{1, 1}, {2, 0.5}, {3, 0.35}, {4, 0.6}, {5, 0.7}, {6, 0.2}})},
      {"sub bass", "almost pure low end", Harmonics({{1, 1}, {3, 0.1}})},
      {"strings", "bowed ensemble", Series(12, 1.2)},
      {"soft strings", "dark, slow strings", Series(10, 2)},
      {"brass", "bold section brass", Harmonics({{1, 1}, {2, 0.9}, {3, 0.6}, {4, 0.45}, {5, 0.35}, {6, 0.25}, {7, 0.2}, {8, 0.15}})},
      {"soft brass", "mellow horn section", Harmonics({{1, 1}, {2, 0.6}, {3, 0.3}, {4, 0.15}})},
      {"clarinet", "hollow, odd harmonics", Harmonics({{1, 1}, {3, 0.5}, {5, 0.3}, {7, 0.15}, {9, 0.1}})},
      {"oboe", "nasal double reed", Harmonics({{1, 0.6}, {2, 0.9}, {3, 1}, {4, 0.6}, {5, 0.4}, {6, 0.2}})},
      {"flute", "breathy, nearly pure", Harmonics({{1, 1}, {2, 0.15}, {3, 0.05}})},
      {"recorder", "woody and soft", Harmonics({{1, 1}, {3, 0.3}})},
      {"saxophone", "reedy, rich", Series(8, 0.8)},
      {"bassoon", "dark double reed", Harmonics({{1, 0.7}, {2, 1}, {3, 0.8}, {4, 0.5}, {5, 0.3}})},
      {"horn", "round and noble", Harmonics({{1, 1}, {2, 0.4}, {3, 0.2}, {4, 0.1}})},
      {"trumpet", "bright brass", Series(12, 0.6)},
      {"square-saw lead", "chip lead with body", [](double x) { return 0.5 * Saw(x) + 0.5 * (x < 0.5 ? 1 : -1); }},
      {"bright lead", "cutting synth lead", [](double x) { return 0.7 * Saw(x) + 0.3 * (x < 0.25 ? 1 : -1); }},
      {"chip octave lead", "pulse with its octave", [](double x) { return (x < 0.25 ? 1 : -1) + 0.5 * (std::fmod(2 * x, 1.0) < 0.5 ? 1 : -1); }},
      {"hollow lead", "soft odd-harmonic lead", Series(9, 0.5, true)},
      {"piano", "struck string", Harmonics({{1, 1}, {2, 0.6}, {3, 0.4}, {4, 0.25}, {5, 0.15}, {6, 0.1}, {7, 0.05}})},
      {"electric piano", "bell-like tine", Harmonics({{1, 1}, {2, 0.3}, {3, 0.1}, {7, 0.2}})},
      {"harpsichord", "plucked, very bright", Series(15, 0.7)},
      {"clavinet", "funky, thin", [](double x) { return (x < 0.1 ? 1.0 : -0.2) + 0.3 * Saw(x); }},
      {"guitar", "plucked nylon string", Harmonics({{1, 1}, {2, 0.5}, {3, 0.6}, {4, 0.3}, {5, 0.2}, {6, 0.1}})},
      {"harp", "soft pluck", Harmonics({{1, 1}, {2, 0.3}, {3, 0.1}})},
      {"banjo", "twangy pluck", Harmonics({{1, 0.7}, {2, 1}, {3, 0.8}, {4, 0.7}, {5, 0.5}, {6, 0.4}, {8, 0.3}})},
      {"koto", "plucked silk string", Harmonics({{1, 1}, {2, 0.8}, {3, 0.6}, {4, 0.3}, {6, 0.2}})},
      {"vibraphone", "mellow metal bar", Harmonics({{1, 1}, {4, 0.25}})},
      {"marimba", "wooden bar", Harmonics({{1, 1}, {4, 0.2}, {10, 0.1}})},
      {"xylophone", "hard wooden bar", Harmonics({{1, 1}, {3, 0.3}, {6, 0.2}})},
      {"glockenspiel", "small steel bars", Harmonics({{1, 1}, {5, 0.5}, {8, 0.3}})},
      {"music box", "tiny comb", Harmonics({{1, 1}, {4, 0.4}, {9, 0.2}})},
      {"bell", "odd partials", Harmonics({{1, 1}, {3, 0.5}, {5, 0.4}, {7, 0.3}, {9, 0.2}})},
      {"tubular bell", "chime", Harmonics({{1, 1}, {2, 0.7}, {5, 0.5}, {11, 0.3}})},
      {"celesta", "soft bell keys", Harmonics({{1, 1}, {4, 0.3}})},
      {"double saw", "saw with its octave", [](double x) { return Saw(x) + 0.5 * Saw(std::fmod(2 * x, 1.0)); }},
      {"double square", "square with its octave", [](double x) { return (x < 0.5 ? 1 : -1) + 0.5 * (std::fmod(2 * x, 1.0) < 0.5 ? 1 : -1); }},
      {"two pulses", "phasey pulse mix", [](double x) { return (x < 0.3 ? 1 : -1) + (x < 0.7 ? 1 : -1); }},
      {"voice ah", "open vowel", Harmonics({{1, 0.5}, {2, 0.7}, {3, 1}, {4, 0.9}, {5, 0.5}, {6, 0.2}})},
      {"voice oo", "closed vowel", Harmonics({{1, 1}, {2, 0.3}, {3, 0.05}})},
      {"voice ee", "bright vowel", Harmonics({{1, 1}, {2, 0.1}, {7, 0.4}, {8, 0.6}, {9, 0.4}})},
      {"choir", "soft ensemble voices", Harmonics({{1, 1}, {2, 0.5}, {3, 0.4}, {4, 0.35}, {5, 0.2}})},
      {"whistle", "pure and high", Harmonics({{1, 1}, {2, 0.05}})},
      {"ocarina", "round and airy", Harmonics({{1, 1}, {2, 0.08}, {3, 0.03}})},
      {"glass", "bowed glass", Harmonics({{1, 1}, {3, 0.2}, {5, 0.15}})},
      {"sync saw", "hard-synced saw", [](double x) { return Saw(std::fmod(x * 1.5, 1.0)); }},
      {"ring", "ring-modulated sines", [](double x) { return std::sin(2 * kPi * x) * std::sin(6 * kPi * x); }},
      {"folded sine", "warm phase distortion", [](double x) { return std::sin(2 * kPi * x + std::sin(2 * kPi * x)); }},
      {"FM bright", "bright frequency modulation", [](double x) { return std::sin(2 * kPi * x + 2 * std::sin(2 * kPi * x)); }},
      {"FM bell", "metallic frequency modulation", [](double x) { return std::sin(2 * kPi * x + 1.5 * std::sin(6 * kPi * x)); }},
      {"FM bass", "punchy frequency modulation", [](double x) { return std::sin(2 * kPi * x + 1.2 * std::sin(2 * kPi * x)); }},
      {"3-bit saw", "coarse stepped saw", Quantized(Saw, 8)},
      {"2-bit saw", "very coarse saw", Quantized(Saw, 4)},
      {"3-level square", "stepped square", [](double x) { return x < 0.25 ? 1.0 : x < 0.5 ? 0.0 : x < 0.75 ? -1.0 : 0.0; }},
      {"half saw", "saw then silence", [](double x) { return x < 0.5 ? Saw(2 * x) : 0.0; }},
      {"double pulse", "two narrow pulses", [](double x) { return (x < 0.125 || (x >= 0.5 && x < 0.625)) ? 1.0 : -0.33; }},
      {"sine + twelfth", "fundamental with its third harmonic", Harmonics({{1, 1}, {3, 0.5}})},
      {"sine + octave", "fundamental with its octave", Harmonics({{1, 1}, {2, 0.5}})},
      {"sine + two octaves", "fundamental with its double octave", Harmonics({{1, 1}, {4, 0.5}})},
      {"sine 8va", "sine an octave up", Harmonics({{2, 1}})},
      {"triangle 8va", "triangle an octave up", OctaveUp(Triangle, 2)},
      {"square 8va", "square an octave up", OctaveUp(Pulse(0.5), 2)},
      {"saw 8va", "saw an octave up", OctaveUp(Saw, 2)},
      {"sine 15ma", "sine two octaves up", Harmonics({{4, 1}})},
      {"metallic", "sparse high partials", Harmonics({{1, 1}, {7, 0.5}, {11, 0.4}, {13, 0.3}})},
      {"buzz", "every harmonic equally loud", Series(15, 0)},
      {"noise", "white noise (drums, wind, explosions)", nullptr},
  };
}

struct Envelope {
  const char* name;
  const char* character;
  std::function<double(int)> step;  // level 0..15 at step j (0..31)
};

std::vector<Envelope> Envelopes() {
  return {
      {"decay", "the default: falls evenly to silence", [](int j) { return (31 - j) / 2; }},
      {"sustain", "full level while the note lasts", [](int) { return 15; }},
      {"pluck", "fast fall, short", [](int j) { return 15 * std::exp(-j / 4.0); }},
      {"slow decay", "long natural fall", [](int j) { return 15 * std::exp(-j / 16.0); }},
      {"piano", "falls, then holds softly", [](int j) { return std::max(4.0, 15 * std::exp(-j / 6.0)); }},
      {"organ", "short click, then full", [](int j) { return j == 0 ? 12 : 15; }},
      {"swell", "rises over the whole envelope", [](int j) { return j * 15.0 / 31; }},
      {"slow attack", "rises, then holds", [](int j) { return std::min(15.0, j * 15.0 / 8); }},
      {"percussive", "very short hit", [](int j) { return std::max(0, 15 - 3 * j); }},
      {"attack-decay-sustain", "quick rise, falls to 10 and holds",
       [](int j) { return j < 2 ? 8.0 * (j + 1) : std::max(10.0, 15 - (j - 2) * 1.25); }},
      {"sustain 11", "holds a little softer", [](int) { return 11; }},
      {"sustain 7", "holds at half level", [](int) { return 7; }},
      {"echo", "falls, repeats softer twice",
       [](int j) { return j < 10 ? 15 - 1.5 * j : j < 20 ? 9 - 0.9 * (j - 10) : 5 - 0.5 * (j - 20); }},
      {"tremolo", "wavers, then holds", [](int j) { return j >= 30 ? 13 : (j % 4 < 2 ? 15 : 10); }},
      {"fade in-out", "rises and falls", [](int j) { return 15 * std::sin(kPi * j / 31); }},
      {"long tail", "falls and rings on quietly", [](int j) { return std::max(2.0, 15 * std::exp(-j / 8.0)); }},
  };
}

std::vector<uint8_t> WaveTable(const Shape& shape, std::mt19937& rng) {
  std::vector<uint8_t> t(kSize);
  if (!shape) {
    std::uniform_int_distribution<int> noise(90, 167);
    for (auto& b : t) b = uint8_t(noise(rng));
    return t;
  }
  std::vector<double> v(kSize);
  double mean = 0;
  for (int i = 0; i < kSize; ++i) mean += v[i] = shape(double(i) / kSize);
  mean /= kSize;
  double rms = 0;
  for (double& x : v) rms += (x - mean) * (x - mean);
  rms = std::sqrt(rms / kSize);
  for (int i = 0; i < kSize; ++i) {
    double s = rms > 0 ? (v[i] - mean) * 25.0 / rms : 0;
    t[i] = uint8_t(std::clamp(std::lround(128 + s), 28L, 228L));
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_tones OUT.wdt | make_tones --markdown\n");
    return 2;
  }
  auto tones = Tones();
  auto envelopes = Envelopes();
  if (tones.size() != 96 || envelopes.size() != 16) {
    std::fprintf(stderr, "make_tones: %zu tones and %zu envelopes\n", tones.size(), envelopes.size());
    return 1;
  }
  if (std::string(argv[1]) == "--markdown") {
    std::printf("| tone | name | character |\n|---|---|---|\n");
    for (size_t i = 0; i < tones.size(); ++i) std::printf("| %zu | %s | %s |\n", i, tones[i].name, tones[i].character);
    std::printf("\n| envelope | name | character |\n|---|---|---|\n");
    for (size_t i = 0; i < envelopes.size(); ++i) {
      std::printf("| %zu | %s | %s |\n", i, envelopes[i].name, envelopes[i].character);
    }
    return 0;
  }
  std::mt19937 rng(95);
  std::vector<uint8_t> out;
  for (const Tone& t : tones) {
    auto table = WaveTable(t.shape, rng);
    out.insert(out.end(), table.begin(), table.end());
  }
  for (const Envelope& e : envelopes) {
    for (int j = 0; j < kSize; ++j) out.push_back(uint8_t(std::clamp(std::lround(e.step(j)), 0L, 15L)));
  }
  FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
