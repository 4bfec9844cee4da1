// Folder src/runtime: class records, functions, aliases, the start-up
// sequence and modules. It may use platform and vm; the class record is a
// resource node, and start-up assembles resources and natives (the known
// exceptions of tools/check_layers.sh).
//
// TRTTI: the run-time record of a script class: member names, method
// table, compiled class code, the class value and the pool of instance
// records, with the lookups the compiler and the interpreter use.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "runtime/function.h"
#include "runtime/rapid_string_list.h"
#include "resources/resource.h"
#include "vm/compiled_info.h"

namespace ruvel {

class TRTTI : public TResource {
 public:
  TRTTI(const std::string& className, const std::string& src);
  ~TRTTI() override;
  const char* TypeName() const override { return "TRTTI"; }

  TRTTI* Parent = nullptr;
  int32_t InstanceSize = -1;
  TRapidStringList Members;
  std::vector<TFunction*> Methods;
  TFunction* CachedConstructor = nullptr;
  TFunction* CachedDestructor = nullptr;
  std::unique_ptr<TCompiledInfo> ClassCode;
  // Class code replaced by a live reload, kept for the processes that run it.
  std::vector<std::unique_ptr<TCompiledInfo>> RetiredClassCode;
  // The source text the class was last compiled or loaded for (none when
  // it came from a class file alone).
  std::shared_ptr<const std::string> CompiledText;
  Value ClassValue;
  std::unique_ptr<std::vector<Instance*>> InstancePool;
  // Member slots allocated for each record of the pool (by pool index): a
  // live reload may give records more members up to this many.
  std::vector<uint32_t> RecordSlots;
  bool Compiled = false;
  bool CompileFailed = false;
  bool Aliased = false;
  int32_t CreatedCount = 0;
  // Pool indices of records whose count went to 0 or below (each at most
  // once), lowest first. Entries that were counted again since are
  // dropped when met, so the lowest valid entry is the first reusable
  // record of the pool, found without walking past the live ones.
  std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> ReuseCandidates;
  uint32_t handle;  // class identity shown after "@" and used in operands

  // Member lookups.
  int32_t FindMember(int32_t id, int32_t& hint) const { return Members.Find(id, hint); }
  int32_t MemberIndexOrAdd(const std::string& memberName);

  // Method lookups: hint first, then from the last entry down.
  TFunction* FindMethod(int32_t id, int32_t& hint) const {
    int32_t n = static_cast<int32_t>(Methods.size());
    if (hint >= 0 && hint < n && Methods[hint]->NameId == id) return Methods[hint];
    for (int32_t i = n - 1; i >= 0; --i) {
      if (Methods[i]->NameId == id) {
        hint = i;
        return Methods[i];
      }
    }
    hint = -1;
    return nullptr;
  }
  TFunction* FindMethodByName(const std::string& methodName) const;
  int32_t MethodIndex(const std::string& methodName) const;
  int32_t IndexOfFunction(const TFunction* f) const;
  TFunction* ConstructorOf();
  TFunction* DestructorOf();

  // Method table building.
  void AddMethod(TFunction* f);
  void AddOrOverrideMethod(TFunction* f);
  void InheritMethods();
  void InheritMembers();
  // Attaches a host handler to a declared native; a missing declaration
  // shows a message box and start-up goes on.
  void BindNative(const std::string& nativeName, NativeHandler handler);

  // True when this class is cls or derives from it.
  bool DerivesFrom(const TRTTI* cls) const;
  std::string DisplayName() const;
  // A new instance record (refcount 0); raises for an uncompiled class.
  Instance* CreateInstance();
  std::vector<Instance*> LiveInstances() const;
  // Forgets the compiled state: members, methods, pool and class code.
  void Uncompile();

  // Resource operations.
  Value* ValuePtr() override { return &ClassValue; }
  void PrepareStep(TInitContext& ctx) override;
  void ClearValues() override;
  void Mark() override;
  void Sweep() override;
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;
};

// Reads a class source as the compiler takes it: CP932 text whose lines
// end in CR LF. False when the file cannot be opened.
bool ReadClassSource(const std::string& path, std::string& text);

// The code block a frame runs at pc: its method's code (current or retired
// by a live reload), or the class code of the receiver for a frame without
// a method; none for natives or a frame without code.
TCompiledInfo* FrameCode(const TFunction* func, const Value* receiver, const uint32_t* pc);

}  // namespace ruvel
