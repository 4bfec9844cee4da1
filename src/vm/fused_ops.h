// Internal fused instructions: the interpreter runs a copy of each verified
// code buffer in which the first word of a frequent instruction group is
// replaced by one of these opcodes. Everything else in the copy stays as
// it was, so addresses, jump offsets and the operands of every instruction
// of a group are where the specified code has them; a jump into the middle
// of a group runs the remaining instructions one by one.
//
// A fused handler charges the step budget for every instruction of its
// group, and hands the group to the head instruction's own handler when the
// budget left is smaller than the group, when an operand is not of the kind
// its fast path handles, or when anything would raise an error; so errors,
// positions and reference counts are those of the single instructions.
#pragma once
#include <cstdint>

namespace ruvel {

// Operand sources of three words each, all pushing one value:
//  L = LocalValPtr_Deref n, A = ArgValPtr_Deref n, K = Push of an integer.
// X(group, S1, S2) for every pair the code generator emits as the operands
// of a binary operator (a constant is always the right operand).
#define RUVEL_FUSED_PAIRS(X, group) \
  X(group, L, L)                    \
  X(group, L, A)                    \
  X(group, L, K)                    \
  X(group, A, L)                    \
  X(group, A, A)                    \
  X(group, A, K)

// The fused groups:
//  CmpJump_S1S2  S1 S2 GT|GTE|LT|LTE|EQ|NEQ JumpZero  (4 instructions)
//  Add_S1S2 ...  S1 S2 Add|Sub|Mul|Mod                 (3)
//  AddLocal      LocalValPtr n, Push int, AddSubst, Pop (4), SubLocal alike
//  StoreLocal_S  LocalValPtr n, S, Subst, Pop           (4)
//  StorePop      Subst, Pop                             (2)
//  AddStorePop   Add, Subst, Pop                        (3)
//  ThisNative    PushThis, PushThis_SMemberValPtr_Deref m, ArgValPtr_Deref
//                0..k-1 in order, NativeCall k+1,h (k = 0..3)  (3 + k):
//                the body of a method that hands a member and its own
//                arguments to a native
//  PopThisRet    Pop, PushThis, Ret                     (3)
//  PopArgRet     Pop, ArgValPtr_Deref n, Ret            (3)
//  ArgRet        ArgValPtr_Deref n, Ret                 (2), LocalRet alike
//  RefLoad       LocalValPtr a, LocalValPtr_Deref b     (2)
//  LoadLL        LocalValPtr_Deref a, LocalValPtr_Deref b (2), where no
//                operator group starts at either load
#define RUVEL_FUSED_OPS(PAIR, SINGLE) \
  RUVEL_FUSED_PAIRS(PAIR, CmpJump)    \
  RUVEL_FUSED_PAIRS(PAIR, Add)        \
  RUVEL_FUSED_PAIRS(PAIR, Sub)        \
  RUVEL_FUSED_PAIRS(PAIR, Mul)        \
  RUVEL_FUSED_PAIRS(PAIR, Mod)        \
  SINGLE(AddLocal)                    \
  SINGLE(SubLocal)                    \
  SINGLE(StoreLocal_L)                \
  SINGLE(StoreLocal_A)                \
  SINGLE(StoreLocal_K)                \
  SINGLE(StorePop)                    \
  SINGLE(AddStorePop)                 \
  SINGLE(ThisNative)                  \
  SINGLE(PopThisRet)                  \
  SINGLE(PopArgRet)                   \
  SINGLE(ArgRet)                      \
  SINGLE(LocalRet)                    \
  SINGLE(RefLoad)                     \
  SINGLE(LoadLL)

// Fused opcodes start well above the specified ones.
constexpr uint32_t kFusedBase = 64;

enum FusedOpcode : uint32_t {
  Fx_Before = kFusedBase - 1,
#define RUVEL_FX_PAIR(group, a, b) Fx_##group##_##a##b,
#define RUVEL_FX_SINGLE(name) Fx_##name,
  RUVEL_FUSED_OPS(RUVEL_FX_PAIR, RUVEL_FX_SINGLE)
#undef RUVEL_FX_PAIR
#undef RUVEL_FX_SINGLE
  Fx_End
};

constexpr uint32_t kFusedCount = Fx_End - kFusedBase;

// Statement traps: while the debugger needs statement events, the word at
// each statement start of a run copy is kTrapBase + its original opcode
// (vm/statement_traps.h); the trap's handler calls the debugger, then runs
// the original instruction.
constexpr uint32_t kTrapBase = Fx_End;
constexpr uint32_t kTrapEnd = kTrapBase + kFusedBase;

}  // namespace ruvel
