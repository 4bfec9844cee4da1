// Binary streams of 32-bit integers and their Base64 form: scripts pack
// integers into a text with "BinWriter" and unpack them with "BinReader".
// Both streams are registered host objects that scripts free by hand.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vm/value.h"

namespace ruvel {

// A growing byte buffer: capacity 128 at first, capacity × 2 + 1 whenever
// a byte meets a full buffer.
class TBinaryOutputStream : public TObject {
 public:
  static constexpr size_t kInitialCapacity = 128;
  // A stream refuses to grow beyond this many bytes (a run-time error), so
  // a runaway script loop cannot take all memory.
  static constexpr size_t kMaxBytes = size_t{64} << 20;

  TBinaryOutputStream();
  ~TBinaryOutputStream() override;
  TBinaryOutputStream(const TBinaryOutputStream&) = delete;
  TBinaryOutputStream& operator=(const TBinaryOutputStream&) = delete;
  const char* TypeName() const override { return "TBinaryOutputStream"; }

  void WriteByte(uint8_t b);
  // Appends i as 4 bytes, little-endian.
  void WriteInt(int32_t i);

  const uint8_t* Data() const { return buffer_.get(); }
  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }

 private:
  std::unique_ptr<uint8_t[]> buffer_;
  size_t size_ = 0;
  size_t capacity_ = kInitialCapacity;
};

// Decoded bytes read back as integers.
class TBinaryInputStream : public TObject {
 public:
  explicit TBinaryInputStream(std::vector<uint8_t> bytes);
  ~TBinaryInputStream() override;
  TBinaryInputStream(const TBinaryInputStream&) = delete;
  TBinaryInputStream& operator=(const TBinaryInputStream&) = delete;
  const char* TypeName() const override { return "TBinaryInputStream"; }

  // The next 4 bytes as a little-endian integer; bytes past the end read
  // as 0.
  int32_t ReadInt();
  size_t Position() const { return position_; }
  size_t Length() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

// The program's Base64 coder (standard alphabet, "=" padding, no line
// breaks). Decoding never fails: characters outside the alphabet count as
// 0, every full group of 4 characters gives 3 bytes and a final shorter
// group gives nothing.
class TPzConv {
 public:
  std::string Encode(const uint8_t* data, size_t n) const;
  std::vector<uint8_t> Decode(std::string_view text) const;
};

// The one coder, owned here.
const TPzConv& PzConv();

}  // namespace ruvel
