// Script source compiled to bytecode as a class of the kernel's world.
#include "compiler/compile_driver.h"
#include "fuzz_support.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::StartWorld();
  std::string text = ruvel::fuzz::Bytes(data, size);
  auto* usr = ruvel::FindList("usr");
  if (!usr) {
    usr = new ruvel::TResourceList();
    usr->name = "usr";
    ruvel::VM().root->AddChild(usr);
  }
  auto* cls = new ruvel::TRTTI("FuzzClass", "");
  usr->AddChild(cls);
  try {
    ruvel::CompileClass(*cls, text, false);
  } catch (const std::exception&) {
  }
  usr->Remove(cls);
  return 0;
}
