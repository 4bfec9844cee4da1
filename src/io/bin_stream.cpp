#include "io/bin_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/cp932.h"
#include "platform/error.h"
#include "vm/host_registry.h"

namespace ruvel {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t SextetOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;  // "=" and every other character
}

}  // namespace

// Output ---------------------------------------------------------------

TBinaryOutputStream::TBinaryOutputStream() : buffer_(new uint8_t[kInitialCapacity]) { RegisterHost(this); }

TBinaryOutputStream::~TBinaryOutputStream() { UnregisterHost(this); }

void TBinaryOutputStream::WriteByte(uint8_t b) {
  if (size_ == capacity_) {
    if (size_ >= kMaxBytes) throw EVMError(J("バイナリストリームが大きすぎます"));
    size_t grown = capacity_ * 2 + 1;
    std::unique_ptr<uint8_t[]> bigger(new uint8_t[grown]);
    std::memcpy(bigger.get(), buffer_.get(), size_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  buffer_[size_++] = b;
}

void TBinaryOutputStream::WriteInt(int32_t i) {
  auto u = static_cast<uint32_t>(i);
  for (int k = 0; k < 4; ++k) WriteByte(static_cast<uint8_t>(u >> (8 * k)));
}

// Input ----------------------------------------------------------------

TBinaryInputStream::TBinaryInputStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) { RegisterHost(this); }

TBinaryInputStream::~TBinaryInputStream() { UnregisterHost(this); }

int32_t TBinaryInputStream::ReadInt() {
  uint32_t u = 0;
  for (int k = 0; k < 4; ++k) {
    size_t at = position_ + static_cast<size_t>(k);
    if (at < bytes_.size()) u |= static_cast<uint32_t>(bytes_[at]) << (8 * k);
  }
  // Past the end the position stays put: every later read gives 0 anyway.
  position_ = std::min(position_ + 4, bytes_.size());
  return static_cast<int32_t>(u);
}

// Base64 ---------------------------------------------------------------

std::string TPzConv::Encode(const uint8_t* data, size_t n) const {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    uint32_t g = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    out += kAlphabet[(g >> 18) & 63];
    out += kAlphabet[(g >> 12) & 63];
    out += kAlphabet[(g >> 6) & 63];
    out += kAlphabet[g & 63];
  }
  if (n - i == 1) {
    uint32_t g = uint32_t{data[i]} << 16;
    out += kAlphabet[(g >> 18) & 63];
    out += kAlphabet[(g >> 12) & 63];
    out += "==";
  } else if (n - i == 2) {
    uint32_t g = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8);
    out += kAlphabet[(g >> 18) & 63];
    out += kAlphabet[(g >> 12) & 63];
    out += kAlphabet[(g >> 6) & 63];
    out += '=';
  }
  return out;
}

std::vector<uint8_t> TPzConv::Decode(std::string_view text) const {
  std::vector<uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i + 4 <= text.size(); i += 4) {
    uint32_t g = 0;
    for (size_t k = 0; k < 4; ++k) g = (g << 6) | SextetOf(static_cast<unsigned char>(text[i + k]));
    out.push_back(static_cast<uint8_t>(g >> 16));
    out.push_back(static_cast<uint8_t>(g >> 8));
    out.push_back(static_cast<uint8_t>(g));
  }
  return out;
}

const TPzConv& PzConv() {
  static const TPzConv conv;
  return conv;
}

}  // namespace ruvel
