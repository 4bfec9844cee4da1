// Modules: directories under Kernel/modules that add script classes and
// native libraries (.so files exporting "initModule") without changing the
// program. Each library receives a table of five host callbacks through
// which it binds its natives.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vm/value.h"

namespace ruvel {

// The host-callback table handed to "initModule" (C calling convention).
extern "C" {
typedef void (*RuvelNativeHandler)(Value* self, int32_t argc, int32_t reserved);
struct RuvelHostCallbacks {
  // Binds handler to the native called nativeName of the class called
  // className (dotted or short); an unknown class is ignored.
  void (*bindNative)(const char* className, const char* nativeName, RuvelNativeHandler handler);
  // The receiver of a native call (its value slot).
  Value* (*receiver)(Value* self);
  // Argument index (from 1) of a native call.
  Value* (*argument)(Value* self, int32_t index);
  // dst := counted copy of src (null when src is null); the old value is released.
  void (*setValue)(Value* dst, const Value* src);
  // dst := integer i; the old value is released.
  void (*setInt)(Value* dst, int32_t i);
};
typedef void (*RuvelInitModule)(const RuvelHostCallbacks* host);
}

// Mounts every Kernel/modules/D/D.ruvelres as "modules.D" and runs
// Initialize on "modules" (nothing without a "modules" list).
void MountModules(const std::string& programDir);
// Calls "initModule" of every module library under "modules"; returns the
// names of the class records met on the way.
std::vector<std::string> InitializeModules();

}  // namespace ruvel
