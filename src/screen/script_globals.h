// Access to script globals ("$bgcolor", "$mouseX"...) and to snippet
// evaluation for the screen, the input natives and the frame loop. Globals
// are resolved by name from the resource tree's root on every access; with
// no tree they read as 0 and are not written.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "vm/value.h"

namespace ruvel {

// The global's value slot; none without a root or when the name cannot be
// resolved.
Value* GlobalSlot(std::string_view name);
int32_t GlobalInt(std::string_view name);
bool GlobalIsTrue(std::string_view name);
void SetGlobalInt(std::string_view name, int32_t value);
void SetGlobalObject(std::string_view name, Instance* inst);

// Runs script statements through the snippet evaluator (VM().
// evaluateSnippet): 0 finished, 1 did not compile or no evaluator is
// installed, 2 ended by a run-time error.
int EvaluateStatements(const std::string& statements);

}  // namespace ruvel
