// TCompiledInfo: one code buffer with its symbol information (where each
// operand that names a run-time object stands, and the statement points
// that map code addresses back to source positions).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vm/binary_io.h"

namespace ruvel {

class TRTTI;

struct TCInfoElem {
  int32_t op = 0;
  std::string name;
  std::vector<int32_t> addresses;
};

class TSymInfoList {
 public:
  // Position marks (op 47) go to the point list; other ops are grouped by
  // op and exact name.
  void Record(int32_t op, int32_t address, const std::string& name);
  std::vector<TCInfoElem> elems;
  std::vector<std::pair<std::string, int32_t>> points;  // position text, code address
};

class TCompiledInfo {
 public:
  TSymInfoList symbols;
  std::vector<uint32_t> code;  // 32-bit words
  TRTTI* cls = nullptr;

  int32_t LengthBytes() const { return static_cast<int32_t>(code.size() * 4); }
  uint32_t* Start() { return code.data(); }
  // True when p points into this buffer.
  bool Holds(const uint32_t* p) const { return p >= code.data() && p < code.data() + code.size(); }
  // Byte address of a word pointer inside this buffer, -1 outside.
  int32_t AddressOf(const uint32_t* p) const;
  // Source position text ("class,position") of a code address, or "none".
  std::string PositionOf(int32_t address) const;
  // One line per recorded address: "op=<name> ,addr=<a> ,info=<name>".
  std::vector<std::string> SymbolListing() const;

  void WriteBlock(BinaryWriter& w) const;
  void ReadBlock(BinaryReader& r);

  // Checks the code once before it first runs: every opcode valid, every
  // instruction inside the buffer, every jump landing on an instruction,
  // no way to run off the end, and no instruction taking stack slots that
  // the code did not push. Raises "異常な命令が入っています".
  void EnsureVerified() {
    if (verified_ != code.size()) Verify();
  }

 private:
  void Verify();
  // True when no path through the code takes more slots from the stack
  // than it pushed itself. start marks the instruction starts.
  bool StackDepthsAgree(const std::vector<char>& start) const;
  // No call can pass more arguments than a process stack has slots.
  static constexpr int32_t kMaxArguments = 1 << 16;
  size_t verified_ = static_cast<size_t>(-1);  // code size when last verified
};

}  // namespace ruvel
