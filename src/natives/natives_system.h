// Natives of the kernel class "System" (exit, opening the development
// program, version) and the window hook they need from the shell.
#pragma once
#include <cstdint>
#include <functional>

#include "vm/value.h"

namespace ruvel {

struct SystemHooks {
  // Closes the main window, which ends the program (installed by the shell).
  std::function<void()> closeMainWindow;
};
SystemHooks& SystemHost();

void NativeSystemExit(Value* self, int32_t argc, int32_t reserved);
void NativeSystemOpenIDE(Value* self, int32_t argc, int32_t reserved);
void NativeSystemVersion(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
