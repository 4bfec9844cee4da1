// Little-endian int32 and string streams used by class files. The reader
// checks every length against the bytes left, so a truncated or garbage
// file raises EIOError instead of reading past the end.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class BinaryWriter {
 public:
  void Int(int32_t v);
  // int32 N = length + 1, then the characters and a NUL byte.
  void String(const std::string& s);
  void StringList(const std::vector<std::string>& list);
  void Bytes(const void* p, size_t n);
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
};

class BinaryReader {
 public:
  explicit BinaryReader(std::string data) : data_(std::move(data)) {}
  int32_t Int();
  std::string String();
  std::vector<std::string> StringList();
  void Bytes(void* p, size_t n);
  size_t Left() const { return data_.size() - pos_; }

 private:
  std::string data_;
  size_t pos_ = 0;
};

}  // namespace ruvel
