#include "vm/translate.h"

#include "vm/fused_ops.h"
#include "vm/opcodes.h"
#include "vm/value.h"

namespace ruvel {

namespace {

// Kind of the three-word operand source at word i: 0 none, 1 L, 2 A, 3 K.
enum Source { kNoSource = 0, kL = 1, kA = 2, kK = 3 };

Source SourceAt(const std::vector<uint32_t>& code, size_t i) {
  if (i + 3 > code.size()) return kNoSource;
  switch (code[i]) {
    case Op_LocalValPtr_Deref:
      return kL;
    case Op_ArgValPtr_Deref:
      return kA;
    case Op_Push:
      return (code[i + 1] & 0xff) == kInt ? kK : kNoSource;
    default:
      return kNoSource;
  }
}

bool IsCompare(uint32_t op) { return op >= Op_GT && op <= Op_NEQ; }

// Offset of the pair (S1, S2) in each group of RUVEL_FUSED_PAIRS, or -1.
int32_t PairIndex(Source a, Source b) {
  if (a != kL && a != kA) return -1;
  if (b == kNoSource) return -1;
  return (a == kL ? 0 : 3) + (b == kL ? 0 : b == kA ? 1 : 2);
}

// True when an operator group (S1 S2 op, or S1 S2 compare JumpZero)
// starts at word i.
bool StartsOperatorGroup(const std::vector<uint32_t>& code, size_t i) {
  if (PairIndex(SourceAt(code, i), SourceAt(code, i + 3)) < 0 || i + 7 > code.size()) return false;
  const uint32_t next = code[i + 6];
  if (IsCompare(next)) return i + 9 <= code.size() && code[i + 7] == Op_JumpZero;
  return next == Op_Add || next == Op_Sub || next == Op_Mul || next == Op_Mod;
}

// The fused opcode for the group at word i and the words it covers; 0 when
// no group starts there.
uint32_t MatchAt(const std::vector<uint32_t>& code, size_t i, size_t& words) {
  const size_t n = code.size();
  const uint32_t op = code[i];
  int32_t pair = PairIndex(SourceAt(code, i), SourceAt(code, i + 3));
  if (pair >= 0 && i + 7 <= n) {
    uint32_t next = code[i + 6];
    if (IsCompare(next) && i + 9 <= n && code[i + 7] == Op_JumpZero) {
      words = 9;
      return Fx_CmpJump_LL + static_cast<uint32_t>(pair);
    }
    words = 7;
    if (next == Op_Add) return Fx_Add_LL + static_cast<uint32_t>(pair);
    if (next == Op_Sub) return Fx_Sub_LL + static_cast<uint32_t>(pair);
    if (next == Op_Mul) return Fx_Mul_LL + static_cast<uint32_t>(pair);
    if (next == Op_Mod) return Fx_Mod_LL + static_cast<uint32_t>(pair);
  }
  if (op == Op_LocalValPtr && i + 7 <= n && code[i + 6] == Op_Pop) {
    Source s = SourceAt(code, i + 2);
    words = 7;
    if (s == kK && code[i + 5] == Op_AddSubst) return Fx_AddLocal;
    if (s == kK && code[i + 5] == Op_SubSubst) return Fx_SubLocal;
    if (code[i + 5] == Op_Subst) {
      if (s == kL) return Fx_StoreLocal_L;
      if (s == kA) return Fx_StoreLocal_A;
      if (s == kK) return Fx_StoreLocal_K;
    }
  }
  if (op == Op_PushThis && i + 5 <= n && code[i + 1] == Op_PushThis_SMemberValPtr_Deref) {
    size_t at = i + 5;
    uint32_t args = 0;
    while (args < 3 && at + 3 <= n && code[at] == Op_ArgValPtr_Deref && code[at + 1] == args) {
      ++args;
      at += 3;
    }
    if (at + 3 <= n && code[at] == Op_NativeCall && code[at + 1] == args + 1) {
      words = at + 3 - i;
      return Fx_ThisNative;
    }
  }
  if (op == Op_Pop && i + 3 <= n && code[i + 1] == Op_PushThis && code[i + 2] == Op_Ret) {
    words = 3;
    return Fx_PopThisRet;
  }
  if (op == Op_Pop && i + 5 <= n && code[i + 1] == Op_ArgValPtr_Deref && code[i + 4] == Op_Ret) {
    words = 5;
    return Fx_PopArgRet;
  }
  if ((op == Op_ArgValPtr_Deref || op == Op_LocalValPtr_Deref) && i + 4 <= n && code[i + 3] == Op_Ret) {
    words = 4;
    return op == Op_ArgValPtr_Deref ? Fx_ArgRet : Fx_LocalRet;
  }
  if (op == Op_LocalValPtr && i + 5 <= n && code[i + 2] == Op_LocalValPtr_Deref) {
    words = 5;
    return Fx_RefLoad;
  }
  // Two loads in a row (a receiver and an argument, two arguments), unless
  // the second begins an operator group, which saves more.
  if (op == Op_LocalValPtr_Deref && i + 6 <= n && code[i + 3] == Op_LocalValPtr_Deref &&
      !StartsOperatorGroup(code, i + 3)) {
    words = 6;
    return Fx_LoadLL;
  }
  if (op == Op_Subst && i + 2 <= n && code[i + 1] == Op_Pop) {
    words = 2;
    return Fx_StorePop;
  }
  if (op == Op_Add && i + 3 <= n && code[i + 1] == Op_Subst && code[i + 2] == Op_Pop) {
    words = 3;
    return Fx_AddStorePop;
  }
  return 0;
}

}  // namespace

int32_t TranslateCode(const std::vector<uint32_t>& code, std::vector<uint32_t>& run) {
  run = code;
  int32_t fused = 0;
  size_t i = 0;
  while (i < code.size()) {
    size_t words = 0;
    uint32_t fx = MatchAt(code, i, words);
    if (fx) {
      run[i] = fx;
      ++fused;
      i += words;
      continue;
    }
    int32_t size = InstructionSize(&code[i]);
    if (size <= 0) break;  // verified code has none; stop rather than loop
    i += static_cast<size_t>(size) / 4;
  }
  return fused;
}

void FindNativeWrapper(const std::vector<uint32_t>& code, NativeWrapper& w) {
  w = NativeWrapper();
  const size_t n = code.size();
  if (n < 8 || code[0] != Op_PushThis || code[1] != Op_PushThis_SMemberValPtr_Deref) return;
  size_t at = 5;
  uint32_t args = 0;
  while (args < 3 && at + 3 <= n && code[at] == Op_ArgValPtr_Deref && code[at + 1] == args) {
    ++args;
    at += 3;
  }
  if (at + 4 > n || code[at] != Op_NativeCall || code[at + 1] != args + 1) return;
  const uint32_t handle = code[at + 2];
  at += 3;
  const int32_t head = 3 + static_cast<int32_t>(args);  // PushThis, member, args, NativeCall
  NativeWrapper found;
  if (code[at] == Op_Ret) {
    found.tail = NativeWrapper::kResult;
    found.steps = head + 1;
  } else if (at + 3 <= n && code[at] == Op_Pop && code[at + 1] == Op_PushThis && code[at + 2] == Op_Ret) {
    found.tail = NativeWrapper::kThis;
    found.steps = head + 3;
  } else if (at + 5 <= n && code[at] == Op_Pop && code[at + 1] == Op_ArgValPtr_Deref && code[at + 4] == Op_Ret) {
    found.tail = NativeWrapper::kArg;
    found.retArg = code[at + 2];
    found.steps = head + 3;
  } else {
    return;
  }
  found.args = args;
  found.member = code[3];
  found.handle = handle;
  w = found;
}

}  // namespace ruvel
