// TCompiledInfo: one code buffer with its symbol information (where each
// operand that names a run-time object stands, and the statement points
// that map code addresses back to source positions).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vm/binary_io.h"
#include "vm/fast_natives.h"

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

// The shape of a method body that only hands a member of its receiver and
// its own arguments to a native and returns (see vm/fast_natives.h):
//  PushThis, PushThis_SMemberValPtr_Deref member, ArgValPtr_Deref 0..args-1,
//  NativeCall args+1, then Ret (the native's result), or Pop, PushThis, Ret
//  (the receiver), or Pop, ArgValPtr_Deref retArg, Ret (that argument).
struct NativeWrapper {
  enum Tail : uint8_t { kNone, kResult, kThis, kArg };
  Tail tail = kNone;
  uint32_t args = 0;
  uint32_t member = 0;
  uint32_t handle = 0;  // the NativeCall's function handle
  uint32_t retArg = 0;
  int32_t steps = 0;    // instructions from the PushThis to the Ret
  // The native last found behind the handle, and its fast form.
  SlowNative seen = nullptr;
  FastNative fast = nullptr;
};

class TCompiledInfo {
 public:
  TCompiledInfo();
  TCompiledInfo(const TCompiledInfo& other);
  TCompiledInfo& operator=(const TCompiledInfo& other) = default;
  ~TCompiledInfo();

  TSymInfoList symbols;
  std::vector<uint32_t> code;  // 32-bit words
  TRTTI* cls = nullptr;
  // Set when a live reload retired this code: the source it was compiled
  // from, for the positions of frames that still run it.
  std::shared_ptr<const std::string> formerSource;

  int32_t LengthBytes() const { return static_cast<int32_t>(code.size() * 4); }
  uint32_t* Start() { return code.data(); }
  // Where the interpreter starts this code: the translated copy made by
  // the last verification (vm/translate.h). Call EnsureVerified first.
  uint32_t* RunStart() { return run_ ? run_->data() : code.data(); }
  // True when p points into this buffer or into a translated copy of it.
  bool Holds(const uint32_t* p) const;
  // Byte address of a word pointer inside this buffer or inside a
  // translated copy of it, -1 outside.
  int32_t AddressOf(const uint32_t* p) const;
  // Source position text ("class,position") of a code address, or "none".
  std::string PositionOf(int32_t address) const;
  // One line per recorded address: "op=<name> ,addr=<a> ,info=<name>".
  std::vector<std::string> SymbolListing() const;

  void WriteBlock(BinaryWriter& w) const;
  void ReadBlock(BinaryReader& r);

  // Checks the code once before it first runs: every opcode valid, every
  // instruction inside the buffer, every jump landing on an instruction,
  // no way to run off the end, no instruction taking stack slots that the
  // code did not push, and no local index at or past locals (the number of
  // locals of the function running this code; 0 for class code). Raises
  // "異常な命令が入っています".
  void EnsureVerified(int32_t locals) {
    if (verified_ != code.size() || verifiedLocals_ != locals) Verify(locals);
  }
  // To be called after the code words were changed in place (linking):
  // the next run verifies and translates them again.
  void CodeChanged() {
    verified_ = static_cast<size_t>(-1);
    wrapper = NativeWrapper();
  }
  // True when the code passed the check for a frame with locals locals.
  bool VerifiedFor(int32_t locals) const { return verified_ == code.size() && verifiedLocals_ == locals; }
  // The wrapper shape of the code as the last verification found it.
  NativeWrapper wrapper;
  // Number of fused groups in the translated copy.
  int32_t FusedGroups() const { return fused_; }
  // Rewrites the current run copy in place for the present mode (statement
  // traps, fused, or plain); nothing before the first verification.
  void RewriteRun();
  // Filled by the debugger on first use: the source line of each statement
  // point (0: unknown); emptied by every verification.
  std::vector<int32_t> pointLines;

 private:
  void Verify(int32_t locals);
  void FillRun(std::vector<uint32_t>& run);
  // True when no path through the code takes more slots from the stack
  // than it pushed itself. start marks the instruction starts.
  bool StackDepthsAgree(const std::vector<char>& start) const;
  // No call can pass more arguments than a process stack has slots.
  static constexpr int32_t kMaxArguments = 1 << 16;
  size_t verified_ = static_cast<size_t>(-1);  // code size when last verified
  int32_t verifiedLocals_ = -1;                 // local count it was verified for
  // The translated copy, and the earlier ones that frames may still be
  // running (a copy is never freed before the code itself).
  std::shared_ptr<std::vector<uint32_t>> run_;
  std::vector<std::shared_ptr<std::vector<uint32_t>>> retired_;
  int32_t fused_ = 0;
};

}  // namespace ruvel
