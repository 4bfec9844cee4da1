#include "vm/binary_io.h"

#include <cstring>

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

void BinaryWriter::Int(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  char b[4] = {static_cast<char>(u & 0xff), static_cast<char>((u >> 8) & 0xff), static_cast<char>((u >> 16) & 0xff),
               static_cast<char>((u >> 24) & 0xff)};
  data_.append(b, 4);
}

void BinaryWriter::String(const std::string& s) {
  Int(static_cast<int32_t>(s.size() + 1));
  data_.append(s);
  data_.push_back('\0');
}

void BinaryWriter::StringList(const std::vector<std::string>& list) {
  Int(static_cast<int32_t>(list.size()));
  for (const auto& s : list) String(s);
}

void BinaryWriter::Bytes(const void* p, size_t n) { data_.append(static_cast<const char*>(p), n); }

static void Truncated() { throw EIOError(J("ファイルが途中で切れています")); }

int32_t BinaryReader::Int() {
  if (Left() < 4) Truncated();
  const unsigned char* b = reinterpret_cast<const unsigned char*>(data_.data() + pos_);
  pos_ += 4;
  return static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
}

std::string BinaryReader::String() {
  int32_t n = Int();
  if (n < 0 || static_cast<size_t>(n) > Left()) Truncated();
  std::string s(data_.data() + pos_, n);
  pos_ += n;
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

std::vector<std::string> BinaryReader::StringList() {
  int32_t n = Int();
  // Each string takes at least four bytes; a larger count is corrupt.
  if (n < 0 || static_cast<size_t>(n) > Left() / 4) Truncated();
  std::vector<std::string> list;
  list.reserve(n);
  for (int32_t i = 0; i < n; ++i) list.push_back(String());
  return list;
}

void BinaryReader::Bytes(void* p, size_t n) {
  if (n == 0) return;  // an empty buffer's pointer may be null
  if (n > Left()) Truncated();
  std::memcpy(p, data_.data() + pos_, n);
  pos_ += n;
}

}  // namespace ruvel
