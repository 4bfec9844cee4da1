// The native tables of the script classes "InputBox", "SelectBox" and
// "Ranking" (registered with the screen module's tables).
#pragma once
#include <vector>

#include "screen/screen_natives.h"

namespace ruvel {

const std::vector<NativeEntry>& DialogNatives();

namespace dialog_natives {
// InputBox: _n_open(caption, prompt, text); a null argument keeps that text.
void InputOpen(Value* self, int32_t argc, int32_t reserved);
void InputGetStatus(Value* self, int32_t argc, int32_t reserved);
void InputGetText(Value* self, int32_t argc, int32_t reserved);
// SelectBox: _n_open(message, caption, b1, b2, b3, b4); needs all six.
void SelectOpen(Value* self, int32_t argc, int32_t reserved);
void SelectGetStatus(Value* self, int32_t argc, int32_t reserved);
// Ranking: each takes a first argument it does not use.
void RankingSetParam(Value* self, int32_t argc, int32_t reserved);
void RankingClearParam(Value* self, int32_t argc, int32_t reserved);
void RankingOpenBrowser(Value* self, int32_t argc, int32_t reserved);
}  // namespace dialog_natives

}  // namespace ruvel
