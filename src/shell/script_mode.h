// `ruvel --script FILE`: starts the script world without a window, runs
// one class's top-level code to completion and reports the outcome as the
// exit code (0 finished, 1 did not compile, 2 ended by a run-time error).
#pragma once
#include <string>

#include "shell/command_line.h"

namespace ruvel {

constexpr int kScriptFinished = 0;
constexpr int kScriptDidNotCompile = 1;
constexpr int kScriptRuntimeError = 2;

// The program directory: --home, or the executable's directory.
std::string ResolveProgramDir(const CommandLine& cl);

// Runs FILE as the command line says; the compiler must be installed.
int RunScriptMode(const CommandLine& cl);

}  // namespace ruvel
