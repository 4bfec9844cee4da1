// The natives of pages, projects and generators, and the wiring of this
// module: "Page" (_n_open), "ProjectManager" (_n_currentPageName, _n_onSet,
// _n_onGet), "classes.lang.Object" (_n_setGenAttr, getPageHashCode),
// "classes.game.Char" (_changeAttr) and "classes.lang.Boot" (generate).
#pragma once
#include <cstdint>
#include <vector>

#include "natives/native_table.h"
#include "vm/value.h"

namespace ruvel {

const std::vector<NativeEntry>& PageNatives();

// Registers the native table with the start-up sequence and lets the host
// read the project parameters; call before the script world starts.
void InstallPages();

// Page._n_open(file): asks for a page switch at the end of the frame.
void NativePageOpen(Value* self, int32_t argc, int32_t reserved);
// ProjectManager natives.
void NativeCurrentPageName(Value* self, int32_t argc, int32_t reserved);
void NativeProjectOnSet(Value* self, int32_t argc, int32_t reserved);
void NativeProjectOnGet(Value* self, int32_t argc, int32_t reserved);
// Object._n_setGenAttr(generator, key, value): the value as script source
// text (a string in double quotes, an object as objectFromID(handle)). A
// first argument that is not a live generator is ignored.
void NativeSetGenAttr(Value* self, int32_t argc, int32_t reserved);
// Char._changeAttr(generator, key, value): the value's plain text; raises
// "invalid generator at chattr" without a live generator.
void NativeChangeAttr(Value* self, int32_t argc, int32_t reserved);
// Object.getPageHashCode(): the integrity value of the current page file.
void NativeGetPageHashCode(Value* self, int32_t argc, int32_t reserved);
// Boot.generate(): builds and runs the page script; gives its result.
void NativeGenerate(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
