// The protocol's framing on a byte stream: header lines ("Content-Length:
// N", others ignored) ended by an empty line, then N bytes of JSON. The
// reader pulls bytes through a callback, so the same code serves stdin and
// the fuzz target.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace ruvel::lsp {

// Largest message body accepted; a bigger one is skipped with an error.
constexpr size_t kMaxFrameBytes = size_t(64) << 20;

class FrameReader {
 public:
  // read fills up to n bytes and returns how many; 0 at the end of input.
  using ReadFn = std::function<size_t(char* data, size_t n)>;
  explicit FrameReader(ReadFn read) : read_(std::move(read)) {}

  enum class Status { kMessage, kEnd, kBadFrame };
  // The next body. kBadFrame: a header block without a usable length (or
  // too large a length) was read and dropped; error says why and reading
  // may go on.
  Status Next(std::string& body, std::string& error);

 private:
  bool Fill();

  ReadFn read_;
  std::string buffer_;
  size_t pos_ = 0;
  bool ended_ = false;
};

// A body with its header.
std::string FrameMessage(const std::string& body);

}  // namespace ruvel::lsp
