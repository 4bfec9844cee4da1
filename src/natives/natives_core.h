// The core native library behind the kernel classes "classes.lang.Object",
// "classes.lang.Array" and "classes.lang.String": handlers for the
// registration table (CoreNatives), plus the host hooks and the random
// generator they use.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vm/value.h"
#include "vm/vm_state.h"

namespace ruvel {

#define RUVEL_NATIVE(name) void name(Value* self, int32_t argc, int32_t reserved)

// Object natives.
RUVEL_NATIVE(NativePrint);
RUVEL_NATIVE(NativeGetGlobal);
RUVEL_NATIVE(NativeSetGlobal);
RUVEL_NATIVE(NativeGetClassName);
RUVEL_NATIVE(NativeNewInstance);
RUVEL_NATIVE(NativeClearAllValues);
RUVEL_NATIVE(NativeTObject);
RUVEL_NATIVE(NativeIs);
RUVEL_NATIVE(NativeErrorValue);
RUVEL_NATIVE(NativeGetTime);
RUVEL_NATIVE(NativeInitResource);
RUVEL_NATIVE(NativeGetResource);
RUVEL_NATIVE(NativeInspect);
RUVEL_NATIVE(NativeGetValueByIndex);
RUVEL_NATIVE(NativeSetValueByIndex);
RUVEL_NATIVE(NativeGetValueCount);
RUVEL_NATIVE(NativeGetValueName);
RUVEL_NATIVE(NativeGetValueIndex);
RUVEL_NATIVE(NativeIsInt);
RUVEL_NATIVE(NativeIsFloat);

// Numbers.
RUVEL_NATIVE(NativeRandomize);
RUVEL_NATIVE(NativeRnd);
RUVEL_NATIVE(NativeSin);
RUVEL_NATIVE(NativeCos);
RUVEL_NATIVE(NativeAngle);
RUVEL_NATIVE(NativeDist);
RUVEL_NATIVE(NativeTrunc);
RUVEL_NATIVE(NativeFloor);
RUVEL_NATIVE(NativeSqrt);
RUVEL_NATIVE(NativeValueOf);
RUVEL_NATIVE(NativeRgb);

// Array natives (argument 1: the host list of the array's "_x").
RUVEL_NATIVE(NativeArrayAdd);
RUVEL_NATIVE(NativeArrayInsert);
RUVEL_NATIVE(NativeArrayInit);
RUVEL_NATIVE(NativeArrayGet);
RUVEL_NATIVE(NativeArraySet);
RUVEL_NATIVE(NativeArraySize);
RUVEL_NATIVE(NativeArrayFree);
RUVEL_NATIVE(NativeArrayDelete);
// Registers the fast forms of add, get and set (vm/fast_natives.h).
void RegisterArrayFastNatives();
RUVEL_NATIVE(NativeArrayIndexOf);
RUVEL_NATIVE(NativeArrayLightIndexOf);
RUVEL_NATIVE(NativeArrayPack);

// String natives (receiver: a string object).
RUVEL_NATIVE(NativeStringFreeBody);
RUVEL_NATIVE(NativeStringInit);
RUVEL_NATIVE(NativeStringCat);
RUVEL_NATIVE(NativeSubstring);
RUVEL_NATIVE(NativeWSubstring);
RUVEL_NATIVE(NativeStringLength);
RUVEL_NATIVE(NativeWLength);
RUVEL_NATIVE(NativeCharAt);
RUVEL_NATIVE(NativeSplit);

#undef RUVEL_NATIVE

// Where "print" sends its text: the progress report, which the system
// itself discards. The shell may install a receiver (e.g. standard output
// for script runs); unset, the text goes to the log line.
struct PrintHook {
  std::function<void(const std::string& text, const TTraceList& trace)> print;
};
PrintHook& PrintOutput();

// The 30-bit random generator behind rnd (state starts at 0x075BD924).
class TRandom {
 public:
  static constexpr uint32_t kInitial = 0x075BD924;
  // state := state * 48828125 mod 2^30; returns the new state.
  uint32_t Next() {
    state_ = static_cast<uint32_t>((static_cast<uint64_t>(state_) * 48828125u) & 0x3FFFFFFFu);
    return state_;
  }
  // state := (s AND 0xFFFFFF) XOR 0x075BD924.
  void Seed(int32_t s) { state_ = (static_cast<uint32_t>(s) & 0xFFFFFFu) ^ kInitial; }
  uint32_t State() const { return state_; }
  void Reset() { state_ = kInitial; }

 private:
  uint32_t state_ = kInitial;
};
// The generator shared by rnd and _n_randomize (owned by the library).
TRandom& Random();

// Splits text with sep the way _n_split does: the first non-word character
// of sep is escaped and the result used as a regular expression. sep empty
// means ",". limit 0: no limit.
std::vector<std::string> SplitText(const std::string& text, const std::string& sep, int limit);

// Half of _n_wsubstring: the byte offset of character index chars (a byte
// of 0x80-0x9F or 0xE0-0xFF starts a two-byte character), clipped to the
// text's length; and the number of characters.
size_t CharOffset(const std::string& text, int64_t chars);
int32_t CharLength(const std::string& text);

}  // namespace ruvel
