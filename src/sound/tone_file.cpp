#include "sound/tone_file.h"

#include <algorithm>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/regular_file.h"

namespace ruvel {

TToneTables ParseToneBytes(const std::string& bytes, const std::string& name) {
  if (bytes.size() != TToneTables::kFileSize) {
    throw std::runtime_error(name + J(" は音色ファイルではありません (") + std::to_string(bytes.size()) + J(" バイト、") +
                             std::to_string(TToneTables::kFileSize) + J(" バイトのはずです)"));
  }
  TToneTables t;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  for (int w = 0; w < TToneTables::kWaves; ++w) std::copy_n(p + w * TToneTables::kSteps, TToneTables::kSteps, t.waves[w].begin());
  p += TToneTables::kWaveBytes;
  for (int e = 0; e < TToneTables::kEnvelopes; ++e) {
    for (int s = 0; s < TToneTables::kSteps; ++s) {
      t.envelopes[e][s] = std::min<uint8_t>(p[e * TToneTables::kSteps + s], TToneTables::kMaxLevel);
    }
  }
  return t;
}

TToneTables ReadToneFile(const std::string& path) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, TToneTables::kFileSize, bytes);
  if (status != TReadStatus::kOk) throw std::runtime_error(ReadFailureText(status, path, TToneTables::kFileSize));
  return ParseToneBytes(bytes, path);
}

std::string ToneBytes(const TToneTables& tables) {
  std::string out;
  out.reserve(TToneTables::kFileSize);
  for (const auto& w : tables.waves) out.append(w.begin(), w.end());
  for (const auto& e : tables.envelopes) out.append(e.begin(), e.end());
  return out;
}

}  // namespace ruvel
