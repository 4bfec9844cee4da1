// Natives that create, run and end script processes ("classes.lang.Process")
// and the natives of "classes.lang.Object" that act on the current process.
#pragma once
#include <cstdint>

#include "vm/value.h"

namespace ruvel {

// "classes.lang.Process": argument 1 is the host value holding the process
// (native_init: the receiver object [, method name]).
void NativeProcessInit(Value* self, int32_t argc, int32_t reserved);
void NativeProcessExec(Value* self, int32_t argc, int32_t reserved);
void NativeProcessSuspend(Value* self, int32_t argc, int32_t reserved);
void NativeProcessHalted(Value* self, int32_t argc, int32_t reserved);
void NativeProcessFree(Value* self, int32_t argc, int32_t reserved);
void NativeProcessKill(Value* self, int32_t argc, int32_t reserved);
void NativeProcessMark(Value* self, int32_t argc, int32_t reserved);

// "classes.lang.Object": suspend, currentProcess, breakExec, currentFunc.
void NativeSuspend(Value* self, int32_t argc, int32_t reserved);
void NativeCurrentProcess(Value* self, int32_t argc, int32_t reserved);
void NativeBreakExec(Value* self, int32_t argc, int32_t reserved);
void NativeCurrentFunc(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
