// Argument access shared by the host natives. A native receives its
// receiver slot (also the result slot) and the argument count; argument k
// (1-based) lies k slots below the receiver. A native that is given fewer
// arguments than it reads does nothing and leaves the receiver as result.
#pragma once
#include <cstdint>
#include <string>

#include "vm/host_registry.h"
#include "vm/value.h"

namespace ruvel {

class TNativeArgs {
 public:
  TNativeArgs(Value* self, int32_t argc) : self_(self), argc_(argc < 0 ? 0 : argc) {}

  int32_t Count() const { return argc_; }
  // True when at least n arguments were given.
  bool Has(int32_t n) const { return argc_ >= n; }
  // Argument k (1-based); callers check Has(k) first.
  Value& operator[](int32_t k) const { return self_[-k]; }
  Value& Self() const { return *self_; }
  // The receiver's instance when it is an object.
  Instance* Receiver() const { return ValueAsObject(*self_); }

  int32_t Int(int32_t k) const { return ValueToInt(self_[-k]); }
  float Float(int32_t k) const { return ValueToFloat(self_[-k]); }
  std::string Text(int32_t k) const { return ValueToText(self_[-k]); }
  // The live host object of argument k when it is of type T, else nullptr.
  template <typename T>
  T* Host(int32_t k) const {
    return Has(k) ? LiveHostAs<T>(self_[-k]) : nullptr;
  }

  // Results: each releases what the receiver slot held.
  void Return(const Value& v) const { ValueAssign(*self_, v); }
  void ReturnInt(int32_t i) const { ValueSetInt(*self_, i); }
  void ReturnFloat(float f) const { ValueSetFloat(*self_, f); }
  void ReturnNull() const { ValueSetNull(*self_); }
  void ReturnString(const std::string& text) const { ValueSetString(*self_, text); }
  void ReturnHost(TObject* p) const { ValueSetHost(*self_, p); }
  // Moves a value whose count the caller already holds into the result.
  void ReturnRetained(const Value& v) const {
    Value old = *self_;
    *self_ = v;
    Release(old);
  }

 private:
  Value* self_;
  int32_t argc_;
};

// The text of a value the way string natives read their receiver: a
// string object's characters, or the value's text form.
std::string ReceiverText(const Value& v);

// Same tag and same payload (the identity used by lightindexof and the
// light hash table).
bool SameIdentity(const Value& a, const Value& b);

}  // namespace ruvel
