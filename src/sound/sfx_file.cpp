#include "sound/sfx_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// A decimal number written out in full ("1.5", "-20", "3e2"); false
// otherwise. strtod rather than from_chars, which the browser's C++
// library lacks for doubles; the program never changes the C locale.
bool ParseNumber(const std::string& s, double& out) {
  if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(out);
}

std::string Number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

std::string LineText(int line) { return std::to_string(line) + " 行目: "; }

// Text of the file as shown in a message: bytes outside printable ASCII
// become '?', so a broken file cannot put broken text into the message.
std::string Printable(const std::string& text) {
  std::string out;
  for (char c : text) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  return out;
}

}  // namespace

TSfxParams ParseSfx(const std::string& text, std::vector<std::string>& problems) {
  TSfxParams p;
  size_t pos = 0;
  int line = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string raw = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++line;
    size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.resize(hash);
    std::string body = Trim(raw);
    if (body.empty()) continue;
    size_t eq = body.find('=');
    if (eq == std::string::npos) {
      problems.push_back(LineText(line) + "「キー = 値」の形ではないので無視しました");
      continue;
    }
    std::string name = Trim(body.substr(0, eq));
    std::string value = Trim(body.substr(eq + 1));
    int key = SfxKeyByName(name);
    if (key < 0) {
      problems.push_back(LineText(line) + Printable(name) + ": 知らないキーなので無視しました");
      continue;
    }
    double v = 0;
    bool named = false;
    if (key == kSfxWave) {
      for (int w = 0; w < kSfxWaveCount; ++w) {
        if (value == SfxWaveName(w)) {
          v = w;
          named = true;
        }
      }
    }
    if (!named && !ParseNumber(value, v)) {
      problems.push_back(LineText(line) + name + ": 値 \"" + Printable(value) + "\" は数ではないので無視しました");
      continue;
    }
    double clamped = SfxClamp(key, v);
    const TSfxKeyInfo& info = SfxKeyInfo(key);
    if (v < info.min || v > info.max) {
      problems.push_back(LineText(line) + name + ": 値 " + Number(v) + " は範囲 " + Number(info.min) + "〜" +
                         Number(info.max) + " の外なので " + Number(clamped) + " にしました");
    }
    p[key] = clamped;
  }
  if (SfxLimitLength(p)) {
    problems.push_back("attack + sustain + decay + release が上限 " + Number(kSfxMaxSeconds) + " 秒を超えるので " +
                       Number(kSfxMaxSeconds) + " 秒に縮めました");
  }
  return p;
}

std::string SfxText(const TSfxParams& params) {
  std::string out = "# Ruvel sound effect\n";
  for (int k = 0; k < kSfxKeyCount; ++k) {
    out += SfxKeyInfo(k).name;
    out += " = ";
    out += k == kSfxWave ? std::string(SfxWaveName(params.Wave())) : Number(params[k]);
    out += '\n';
  }
  return out;
}

bool LoadSfxFile(const std::string& path, TSfxParams& params, std::vector<std::string>& problems, std::string& error,
                 const std::string& shown) {
  const std::string& name = shown.empty() ? path : shown;
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, kSfxMaxFileBytes, bytes);
  if (status != TReadStatus::kOk) {
    error = ToUtf8(ReadFailureText(status, Utf8ToCp932(name), kSfxMaxFileBytes));
    return false;
  }
  std::vector<std::string> found;
  params = ParseSfx(bytes, found);
  for (const std::string& f : found) {
    // "path:N 行目: ..." for a line, "path: ..." for the whole file.
    bool atLine = !f.empty() && f[0] >= '0' && f[0] <= '9';
    problems.push_back(name + (atLine ? ":" : ": ") + f);
  }
  return true;
}

bool SaveSfxFile(const std::string& path, const TSfxParams& params) { return WriteFileAtomic(path, SfxText(params)); }

}  // namespace ruvel
