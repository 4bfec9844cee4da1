// The wire format of the debug adapter: messages framed by a header block
// ("Content-Length: N" lines ending in an empty line) and a JSON body of N
// bytes. TDapFrameReader takes bytes as they arrive and hands out whole
// messages, or a protocol error for a block it cannot use (a header without
// a length, a length out of range, a body that is not a JSON object); it
// then skips that block and goes on with the next one.
#pragma once
#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace ruvel {

// The longest body accepted; a longer one is refused and skipped.
constexpr size_t kDapMaxBody = 16u << 20;
// The longest header block; bytes without an end of header that long are
// dropped as garbage.
constexpr size_t kDapMaxHeader = 4096;

struct TDapFrame {
  bool ok = false;
  nlohmann::json body;  // ok: a JSON object
  std::string error;    // !ok: why the block was refused (UTF-8)
};

class TDapFrameReader {
 public:
  void Feed(const char* data, size_t size);
  // The next whole message or error; false when more bytes are needed.
  bool Next(TDapFrame& out);
  // Bytes received and not yet used.
  size_t Pending() const { return buffer_.size() - pos_; }

 private:
  void Compact();
  std::string buffer_;
  size_t pos_ = 0;
  long bodyLength_ = -1;  // >= 0: the header was read, the body is awaited
};

// A message framed for the wire.
std::string DapEncodeFrame(const nlohmann::json& message);

}  // namespace ruvel
