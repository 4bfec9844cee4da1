// Test support for the native library: the VM fixture plus direct calls of
// native handlers on value slots laid out as the interpreter lays them out.
#pragma once
#include "vm/vm_fixture.h"

#include <initializer_list>

#include "runtime/function.h"
#include "resources/resource_global.h"
#include "vm/gc.h"

namespace ruvel::test {

class NativesTest : public VMTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Calls h with receiver and arguments (retained copies, released after
  // the call as NativeCall does) and returns the result slot, which stays
  // counted until tear-down.
  Value Call(NativeHandler h, const Value& receiver, std::initializer_list<Value> args = {});
  // A new string, counted until tear-down.
  Value Str(const std::string& text);
  // A global "$name" added to the root.
  TGlobalValue* AddGlobal(const std::string& name);
  // A class with a destructor that counts its runs in destructorRuns.
  TRTTI* MakeCountingClass(const std::string& name, std::vector<std::string> members = {});

 public:
  static int destructorRuns;
};

}  // namespace ruvel::test
