// Methods of script classes: TFunction and its kinds (normal functions,
// constructors, destructors and natives implemented by the host).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vm/binary_io.h"
#include "vm/compiled_info.h"
#include "vm/value.h"

namespace ruvel {

class TRTTI;

// A host routine behind a native method: receives the receiver slot (also
// the result slot), the argument count and a reserved 0. Argument k
// (1-based) is the slot k below the receiver.
using NativeHandler = void (*)(Value* self, int32_t argc, int32_t reserved);

enum class FunctionKind { kNormal, kConstructor, kDestructor, kNative };

class TFunction {
 public:
  TFunction(TRTTI* owner, int32_t nameId);
  virtual ~TFunction();
  TFunction(const TFunction&) = delete;
  TFunction& operator=(const TFunction&) = delete;

  TRTTI* Owner;
  int32_t RefCount = 0;  // method tables holding it
  int32_t NameId;
  uint32_t handle;       // operand handle (SuperCall, NativeCall)
  // Kind() == kNative, kept as a field for the interpreter's call paths.
  bool isNative = false;

  virtual FunctionKind Kind() const = 0;
  // Kind name as written in class files.
  virtual const char* KindText() const = 0;
  const std::string& GetName() const;
  virtual void WriteTo(BinaryWriter& w) const { (void)w; }
  virtual void ReadFrom(BinaryReader& r) { (void)r; }
};

class TNormalFunction : public TFunction {
 public:
  using TFunction::TFunction;
  FunctionKind Kind() const override { return FunctionKind::kNormal; }
  const char* KindText() const override { return "TNormalFunction"; }
  void WriteTo(BinaryWriter& w) const override;
  void ReadFrom(BinaryReader& r) override;
  // Position of a name (letter case ignored), or -1.
  int32_t LocalIndex(const std::string& n) const;
  int32_t ParamIndex(const std::string& n) const;
  int32_t LocalCount() const { return static_cast<int32_t>(Locals.size()); }

  std::vector<std::string> Params;
  std::vector<std::string> Locals;
  std::unique_ptr<TCompiledInfo> Code;
  // Code replaced by a live reload. Frames that entered the method before
  // the swap go on running it until they return, so it is kept.
  std::vector<std::unique_ptr<TCompiledInfo>> Retired;

  // Installs new code, retiring the current block.
  void ReplaceCode(std::unique_ptr<TCompiledInfo> code);
  // The block (current or retired) that holds pc; the current one when
  // none does.
  TCompiledInfo* CodeHolding(const uint32_t* pc) const;
};

class TConstructor : public TNormalFunction {
 public:
  using TNormalFunction::TNormalFunction;
  FunctionKind Kind() const override { return FunctionKind::kConstructor; }
  const char* KindText() const override { return "TConstructor"; }
};

class TDestructor : public TNormalFunction {
 public:
  using TNormalFunction::TNormalFunction;
  FunctionKind Kind() const override { return FunctionKind::kDestructor; }
  const char* KindText() const override { return "TDestructor"; }
};

class TNativeFunction : public TFunction {
 public:
  TNativeFunction(TRTTI* owner, int32_t nameId, NativeHandler h = nullptr);
  FunctionKind Kind() const override { return FunctionKind::kNative; }
  const char* KindText() const override { return "TNativeFunction"; }
  NativeHandler Handler;
};

// The handler of a native declared in source but never bound.
void NotImplementedNative(Value* self, int32_t argc, int32_t reserved);

// Creates a function of a kind named as in class files; nullptr if unknown.
TFunction* NewFunctionOfKind(const std::string& kind, TRTTI* owner, int32_t nameId);

}  // namespace ruvel
