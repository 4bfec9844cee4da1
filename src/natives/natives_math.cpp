// Number natives: the 30-bit random generator, degree-table sine and
// cosine, the piecewise-linear angle, distances, truncation and parsing.
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/message_sink.h"
#include "platform/error.h"
#include "natives/natives_args.h"
#include "natives/natives_core.h"
#include "vm/arith.h"

namespace ruvel {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct DegreeTables {
  std::array<float, 360> sine;
  std::array<float, 360> cosine;
  DegreeTables() {
    for (int d = 0; d < 360; ++d) {
      sine[d] = static_cast<float>(std::sin(d * kPi / 180.0));
      cosine[d] = static_cast<float>(std::cos(d * kPi / 180.0));
    }
  }
};

const DegreeTables& Tables() {
  static const DegreeTables tables;
  return tables;
}

// A whole degree brought into 0..359.
int DegreeIndex(int32_t d) {
  int64_t x = d;
  if (x < 0) x = 360 - ((-x) % 360);
  return static_cast<int>(x % 360);
}

void TableLookup(Value* self, int32_t argc, bool cosine) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  try {
    int i = DegreeIndex(a.Int(1));
    a.ReturnFloat(cosine ? Tables().cosine[i] : Tables().sine[i]);
  } catch (const EVMError&) {
    // An arithmetic fault (a float that is no integer) is logged; the
    // result stays unset.
    LogLine("!!" + a.Text(1));
  }
}

// The float made from a double result; an infinite result from finite
// operands is an overflow, as in the interpreter's float arithmetic.
float ToFloatChecked(double r) {
  float f = static_cast<float>(r);
  if (!std::isfinite(f) && !std::isnan(r)) RaiseFloatOverflow();
  return f;
}

// "-"? digits, with an optional final line end (as "$" allows).
bool MatchesNumber(const std::string& s, bool withPoint) {
  size_t n = s.size();
  if (n > 0 && s[n - 1] == '\n') --n;
  size_t i = 0;
  if (i < n && s[i] == '-') ++i;
  size_t before = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++before;
  if (!withPoint) return before > 0 && i == n;
  if (i >= n || s[i] != '.') return false;
  ++i;
  size_t after = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++after;
  return after > 0 && i == n;
}

}  // namespace

TRandom& Random() {
  static TRandom random;
  return random;
}

void NativeRandomize(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  Random().Seed(a.Int(1));
}

void NativeRnd(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) {
    float f = static_cast<float>(Random().Next() / 1073741824.0);
    // Rounding to single precision must not reach 1.
    if (f >= 1.0f) f = std::nextafter(1.0f, 0.0f);
    a.ReturnFloat(f);
    return;
  }
  int32_t n = a.Int(1);
  if (n < 1) {
    a.ReturnInt(0);
    return;
  }
  // For n above 2^30 the divisor would be 0; every state is then below n.
  uint32_t c = (1u << 30) / static_cast<uint32_t>(n);
  if (c == 0) c = 1;
  uint32_t q;
  do {
    q = Random().Next() / c;
  } while (q >= static_cast<uint32_t>(n));
  a.ReturnInt(static_cast<int32_t>(q));
}

void NativeSin(Value* self, int32_t argc, int32_t) { TableLookup(self, argc, false); }

void NativeCos(Value* self, int32_t argc, int32_t) { TableLookup(self, argc, true); }

void NativeAngle(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  double x = a.Float(1);
  double y = a.Float(2);
  if (std::fabs(x) < 0.0001 && std::fabs(y) < 0.0001) x = 1;
  double s = 1;
  if (y < 0) {
    s = -1;
    y = -y;
  }
  double r;
  if (x > 0) {
    r = x > y ? 45 * y / x : 90 - 45 * x / y;
  } else {
    double ax = -x;
    r = ax > y ? 180 - 45 * y / ax : 90 + 45 * ax / y;
  }
  r *= s;
  if (!std::isfinite(r)) {
    LogLine("!!angle " + a.Text(1) + "," + a.Text(2));
    return;
  }
  a.ReturnFloat(static_cast<float>(r));
}

void NativeDist(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  double x = a.Float(1);
  double y = a.Float(2);
  a.ReturnFloat(ToFloatChecked(std::sqrt(x * x + y * y)));
}

void NativeTrunc(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnInt(FloatToIntChecked(a.Float(1)));
}

void NativeFloor(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  // The whole number is given back as a float.
  float x = a.Float(1);
  int32_t t = FloatToIntChecked(x);
  if (static_cast<double>(x) - t < 0) t = WrapSub(t, 1);
  a.ReturnFloat(static_cast<float>(t));
}

void NativeSqrt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  float x = a.Float(1);
  if (x < 0) {
    a.ReturnNull();
    return;
  }
  a.ReturnFloat(std::sqrt(x));
}

void NativeValueOf(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::string s = a.Text(1);
  if (MatchesNumber(s, true)) {
    // A text beyond the float range is no float text: null.
    float f = static_cast<float>(std::strtod(s.c_str(), nullptr));
    if (std::isfinite(f)) a.ReturnFloat(f);
    else a.ReturnNull();
  } else if (MatchesNumber(s, false)) {
    // A number beyond the integer range is no integer text: null.
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) a.ReturnNull();
    else a.ReturnInt(static_cast<int32_t>(v));
  } else {
    a.ReturnNull();
  }
}

// rgb(r, g, b): the colour number the drawing natives take, r + g*256 +
// b*65536. Each part is taken as an integer and held to 0..255, as alpha
// is, so a computed shade that runs over stays the brightest one.
void NativeRgb(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  auto part = [&](int32_t k) { return std::clamp(a.Int(k), 0, 255); };
  a.ReturnInt(part(1) + part(2) * 256 + part(3) * 65536);
}

}  // namespace ruvel
