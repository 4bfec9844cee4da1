// The instruction set: one table declares every opcode's number, table
// name, word count, listing mnemonic and operand format. Everything else
// (enum, names, sizes, listing) is generated from it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class TCompiledInfo;

// How the listing prints an instruction's operands.
enum class OperandFormat : uint8_t {
  kNone,        // mnemonic only
  kValue,       // " " + text of the inline value (words 1-2)
  kText,        // " " + the PushString text
  kInt1,        // " " + word 1
  kMemberName,  // " " + name of the symbol in word 1
  kInt2,        // " " + word 2
  kCallName,    // " " + count + "," + name of the symbol in word 2
  kCallIndex,   // " " + count + "," + word 2
  kCallFunc,    // " " + count + "," + name of the function handle in word 2
  kClassCall,   // " " + count + "," + class name "@" handle (word 2)
  kClass1,      // " " + class name "@" handle (word 1)
  kJump,        // offset right after the mnemonic
  kPoint,       // " " + class name + "/" + position
  kBad,         // stops the listing
};

// Stack columns, checked by the verifier: need = slots the instruction
// reads from the stack, delta = change of the stack depth. The call
// instructions (kCall) need their receiver and argc arguments and leave
// the receiver slot. Jump_And and Jump_Or keep their operand when they
// jump; the delta is that of falling through.
//  X(code, Name, words, "listing", format, need, delta)
#define RUVEL_OPCODES(X)                                                              \
  X(0, Pop, 1, "Pop", kNone, 1, -1)                                                   \
  X(1, Push, 3, "Push", kValue, 0, 1)                                                 \
  X(2, PushString, 2, "PushString", kText, 0, 1)                                      \
  X(3, PushThis, 1, "PushThis", kNone, 0, 1)                                          \
  X(4, SMemberValPtr, 2, "SMemberValPtr", kInt1, 1, 0)                                \
  X(5, DMemberValPtr, 3, "DMemberValPtr", kMemberName, 1, 0)                          \
  X(6, LocalValPtr, 2, "LocalValPtr", kInt1, 0, 1)                                    \
  X(7, ArgValPtr, 2, "ArgValPtr", kInt1, 0, 1)                                        \
  X(8, PushThis_SMemberValPtr, 3, "PushThis_SMemberValPtr", kInt2, 0, 1)              \
  X(9, PushThis_SMemberValPtr_Deref, 4, "PushThis_SMemberValPtr", kInt2, 0, 1)        \
  X(10, DMemberValPtr_Deref, 4, "DMemberValPtr_Deref", kInt1, 1, 0)                   \
  X(11, LocalValPtr_Deref, 3, "LocalValPtr_Deref", kInt1, 0, 1)                       \
  X(12, ArgValPtr_Deref, 3, "ArgValPtr_Deref", kInt1, 0, 1)                           \
  X(13, Push_Deref, 4, "Push_Deref", kBad, 0, 1)                                      \
  X(14, DCall, 4, "DCall", kCallName, kCall, 0)                                       \
  X(15, SCall, 3, "SCall", kCallIndex, kCall, 0)                                      \
  X(16, SuperCall, 3, "SuperCall", kCallFunc, kCall, 0)                               \
  X(17, NativeCall, 3, "NativeCall", kCallFunc, kCall, 0)                             \
  X(18, Constructor, 3, "Constructor", kClassCall, kCall, 0)                          \
  X(19, Add, 1, "Add", kNone, 2, -1)                                                  \
  X(20, Sub, 1, "Sub", kNone, 2, -1)                                                  \
  X(21, Mul, 1, "Mul", kNone, 2, -1)                                                  \
  X(22, Div, 1, "Div", kNone, 2, -1)                                                  \
  X(23, Mod, 1, "Mod", kNone, 2, -1)                                                  \
  X(24, GT, 1, "GT", kNone, 2, -1)                                                    \
  X(25, GTE, 1, "GTE", kNone, 2, -1)                                                  \
  X(26, LT, 1, "LT", kNone, 2, -1)                                                    \
  X(27, LTE, 1, "LTE", kNone, 2, -1)                                                  \
  X(28, EQ, 1, "EQ", kNone, 2, -1)                                                    \
  X(29, NEQ, 1, "NEQ", kNone, 2, -1)                                                  \
  X(30, And, 1, "And", kNone, 0, 0)                                                   \
  X(31, Or, 1, "Or", kNone, 0, 0)                                                     \
  X(32, Is, 2, "Is", kClass1, 1, 0)                                                   \
  X(33, Not, 1, "Not", kNone, 1, 0)                                                   \
  X(34, Neg, 1, "Neg", kNone, 1, 0)                                                   \
  X(35, Subst, 1, "Subst", kNone, 2, -1)                                              \
  X(36, AddSubst, 1, "AddSubst", kNone, 2, -1)                                        \
  X(37, SubSubst, 1, "SubSubst", kNone, 2, -1)                                        \
  X(38, Deref, 1, "Deref", kNone, 1, 0)                                               \
  X(39, Jump, 2, "Jump", kJump, 0, 0)                                                 \
  X(40, JumpZero, 2, "JumpZero", kJump, 1, -1)                                        \
  X(41, Jump_And, 2, "Jump_And", kJump, 1, -1)                                        \
  X(42, Jump_Or, 2, "Jump_Or", kJump, 1, -1)                                          \
  X(43, Ret, 1, "Ret", kNone, 0, 0)                                                   \
  X(44, InitForIn, 1, "InitForin", kNone, 2, 2)                                       \
  X(45, DoForIn, 2, "DoForin", kJump, 4, 0)                                           \
  X(46, ClearForIn, 1, "ClearForin", kNone, 4, -4)                                    \
  X(47, Point, 4, "Point", kPoint, 0, 0)                                              \
  X(48, Halt, 1, "Halt", kNone, 0, 0)

enum Opcode : uint32_t {
#define RUVEL_OP_ENUM(code, name, words, text, fmt, need, delta) Op_##name = code,
  RUVEL_OPCODES(RUVEL_OP_ENUM)
#undef RUVEL_OP_ENUM
};

constexpr uint32_t kOpcodeCount = 49;

// The need column of the call instructions: argc + 1 slots.
constexpr int32_t kCall = -1;

struct OpcodeInfo {
  const char* tableName;  // "Op_Pop"
  int32_t words;
  const char* listing;    // "Pop"
  OperandFormat format;
  int32_t need;   // slots read from the stack, or kCall
  int32_t delta;  // change of the stack depth (calls: -argc)
};

// Table entry of an opcode; nullptr for an invalid opcode word.
const OpcodeInfo* OpInfo(uint32_t op);
// "Op_Pop" ... "Op_Halt", or "Invalid Code".
const char* OpcodeName(uint32_t op);
// Size in bytes of the instruction at p (PushString: 8 + L); 0 if invalid.
int32_t InstructionSize(const uint32_t* p);
// Byte size L of a PushString text area for a text of n bytes.
inline int32_t PushStringArea(size_t n) { return static_cast<int32_t>((n + 4) & ~size_t{3}); }

// Lists the code from byte address start up to the first Halt, one line per
// instruction ("XXXXXXXX:mnemonic"). Push_Deref or an invalid opcode stops
// the listing with the error "異常な命令が入っています" (EVMError).
void ListCode(const TCompiledInfo& info, int32_t start, std::vector<std::string>& lines);

}  // namespace ruvel

namespace ruvel {
struct Value;
// The inline value of a Push operand pair (tag word, payload word). A
// reference payload is the handle of a value slot; an unknown handle gives
// a reference to the scratch value.
Value InlineValue(uint32_t tagWord, uint32_t payload);
}  // namespace ruvel
