// Compiled class files as found in "Temp": read into a class record.
#include "compiler/class_file.h"
#include "fuzz_support.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::StartWorld();
  std::string path = ruvel::fuzz::WriteScratch("fuzz.class", ruvel::fuzz::Bytes(data, size));
  auto* usr = ruvel::FindList("usr");
  if (!usr) {
    usr = new ruvel::TResourceList();
    usr->name = "usr";
    ruvel::VM().root->AddChild(usr);
  }
  auto* cls = new ruvel::TRTTI("FuzzClass", ruvel::fuzz::Scratch() + "/FuzzClass.ruvel");
  usr->AddChild(cls);
  try {
    ruvel::LoadClassFile(*cls, path);
  } catch (const std::exception&) {
  }
  usr->Remove(cls);
  return 0;
}
