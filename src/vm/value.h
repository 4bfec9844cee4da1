// Script values: the tagged Value cell, instance records of script objects,
// host objects, and the host operations every native uses on values.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

namespace ruvel {

class TRTTI;
struct Instance;

// Tags of a Value. Only kObject is reference-counted.
enum Tag : uint8_t {
  kNull = 0,
  kInt = 1,
  kFloat = 2,
  kObject = 3,
  kRef = 4,
  kHost = 5,
  kError = 6,
  kUninit = 7,
};

// Kinds of host object that natives look for on every call; a native
// checks this byte instead of the object's run-time type.
enum class HostKind : uint8_t { kOther, kValueList, kHashtable, kLightHashtable };

// Base of every host-side object a Value may carry with tag kHost. The VM
// never frees these; their owners do. Every host object is entered in the
// live host registry while it exists (vm/host_registry.h), so a value that
// outlived its object is recognised instead of being dereferenced.
class TObject {
 public:
  TObject();
  TObject(const TObject&);
  TObject& operator=(const TObject&) { return *this; }
  virtual ~TObject();
  // Type name shown as the text form of a host value.
  virtual const char* TypeName() const { return "TObject"; }
  HostKind Kind() const { return kind_; }

 protected:
  // Set by the constructor of each kind that has a HostKind.
  HostKind kind_ = HostKind::kOther;
};

// A 16-byte tagged cell: a tag byte and a 64-bit payload.
struct Value {
  uint8_t tag;
  uint8_t pad_[7];
  union {
    int32_t i;        // kInt, kError (code), kUninit (symbol id)
    float f;          // kFloat
    Instance* obj;    // kObject
    Value* ref;       // kRef
    TObject* host;    // kHost
    uint64_t bits;
  };
};
static_assert(sizeof(Value) == 16, "Value is 16 bytes");

// Values are built from two 64-bit words (tag word, payload) in a vector
// register and written with one 16-byte store. The interpreter copies
// slots whole, and a whole-slot load right after a partial store to the
// same slot (a tag byte, a 4-byte payload) cannot be forwarded from the
// store buffer and stalls.
typedef uint64_t ValueWords __attribute__((vector_size(16)));
inline Value MakeWords(uint64_t tagWord, uint64_t payload) {
  ValueWords w = {tagWord, payload};
  Value v;
  std::memcpy(&v, &w, 16);
  return v;
}
inline uint64_t PointerBits(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }
inline uint64_t FloatBits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

inline Value MakeNull() { return MakeWords(kNull, 0); }
inline Value MakeInt(int32_t i) { return MakeWords(kInt, static_cast<uint32_t>(i)); }
inline Value MakeFloat(float f) { return MakeWords(kFloat, FloatBits(f)); }
inline Value MakeError(int32_t code) { return MakeWords(kError, static_cast<uint32_t>(code)); }
inline Value MakeUninit(int32_t sym) { return MakeWords(kUninit, static_cast<uint32_t>(sym)); }
inline Value MakeRef(Value* slot) { return MakeWords(kRef, PointerBits(slot)); }
inline Value MakeHost(TObject* p) { return MakeWords(kHost, PointerBits(p)); }
// An object value without retaining: the caller decides about counting.
inline Value MakeObject(Instance* inst) { return MakeWords(kObject, PointerBits(inst)); }

// Instance record of a script object. The member slots follow the record.
struct alignas(8) Instance {
  int32_t refcount;  // -1: free record in the pool
  int32_t marks;     // collector mark count, 0 outside a collection
  TRTTI* cls;
  uint32_t handle;   // stable id, shown after "@"
  uint32_t count;    // number of member slots in this record
  uint32_t poolIndex;  // position in its class's pool
  uint32_t queued;     // 1 while its index is among the class's reuse candidates
  Value* members() { return reinterpret_cast<Value*>(reinterpret_cast<char*>(this) + sizeof(Instance)); }
};
static_assert(sizeof(Instance) % 8 == 0, "member slots stay aligned");

// Raises the refcount-underflow error; out of line to keep Release small.
[[noreturn]] void RefcountUnderflow(Value& v);
[[noreturn]] void ReleaseWithoutInstance();
// A record whose count reached 0 (or that became free) can be reused: its
// class's search for a reusable record must not start past it.
void NoteReusable(Instance* rec);

// Always inlined: the interpreter's loop is too large for the compiler to
// inline them by itself, and a call costs more than the tag test.
[[gnu::always_inline]] inline void Retain(Value& v) {
  if (v.tag == kObject) ++v.obj->refcount;
}
[[gnu::always_inline]] inline void Release(Value& v) {
  if (v.tag == kObject) {
    if (v.obj == nullptr) ReleaseWithoutInstance();
    if (__builtin_expect(--v.obj->refcount <= 0, 0)) {
      if (v.obj->refcount < 0) RefcountUnderflow(v);
      NoteReusable(v.obj);
    }
  }
}

// Host operations on values.
inline void ValueClear(Value& v) { v = MakeNull(); }
void ValueAssign(Value& dst, const Value* src);
inline void ValueAssign(Value& dst, const Value& src) { ValueAssign(dst, &src); }
void ValueSetNull(Value& v);
void ValueSetInt(Value& v, int32_t i);
void ValueSetFloat(Value& v, float f);
void ValueSetObject(Value& v, Instance* inst);
void ValueSetHost(Value& v, TObject* p);
void ValueSetError(Value& v, int32_t code);
void ValueSetString(Value& v, const std::string& text);

// int: payload; float: truncated toward zero; object: 1; others: 0.
int32_t ValueToInt(const Value& v);
// int: converted; float: payload; others: 0.0.
float ValueToFloat(const Value& v);
inline bool ValueIsTrue(const Value& v) {
  switch (v.tag) {
    case kInt:
      return v.i != 0;
    case kFloat:
      return v.f == v.f && v.f != 0.0f;  // a NaN is false
    case kObject:
    case kHost:
      return true;
    default:
      return false;
  }
}
inline Instance* ValueAsObject(const Value& v) { return v.tag == kObject ? v.obj : nullptr; }
inline TObject* ValueAsHost(const Value& v) { return v.tag == kHost ? v.host : nullptr; }
std::string ValueToText(const Value& v);
std::string ValueToLiteral(const Value& v);
// Difference used by the comparison instructions (tested against 0.0).
float ValueCompare(const Value& left, const Value& right);

// True when the object is a script string (its class is the String class).
bool IsStringObject(const Instance* inst);
// Text of a String object's body; empty when it has none.
const std::string& StringText(Instance* inst);
// Longest script string; a longer one is a run-time error (a string
// doubled in a loop would otherwise take all memory before failing).
constexpr size_t kMaxScriptString = size_t(64) << 20;
// A new String instance holding text, refcount 0 until assigned. Raises
// "文字列が長すぎます" beyond kMaxScriptString.
Instance* NewScriptString(const std::string& text);
// The same, taking over the text's storage.
Instance* NewScriptString(std::string&& text);
// Address of the member named by symbol, with the caller's cache word.
// A missing member is reported and yields the scratch value (error 0).
Value* MemberSlot(Instance* inst, int32_t symbol, int32_t& cache);
// Finds a member without reporting; nullptr when absent.
Value* FindMemberSlot(Instance* inst, int32_t symbol, int32_t& cache);
// Assigns value to the member called name when the object has one.
bool AssignMemberByName(Instance* inst, const std::string& name, const Value& value);

// Formats a float as the general format with 15 significant digits.
std::string FloatToText(float f);

}  // namespace ruvel
