// The start-up sequence of the script world: banner and progress lines,
// the kernel resource list, compiling every kernel class, binding the
// host natives class by class, modules, and "Ready".
#pragma once
#include <string>
#include <vector>

#include "natives/native_table.h"

namespace ruvel {

// Adds a module's native table to those the start-up binds (screen, sound,
// files... register theirs before StartScriptWorld runs).
void RegisterNativeTable(const std::vector<NativeEntry>& (*table)());

// Every registered entry, ordered class by class as the registration
// table lists the classes; entries of classes it does not list come last.
std::vector<NativeEntry> OrderedNatives();

// Runs the sequence with the program directory as the base directory.
// Raises when the kernel cannot be loaded or compiled.
void StartScriptWorld(const std::string& programDir);

}  // namespace ruvel
