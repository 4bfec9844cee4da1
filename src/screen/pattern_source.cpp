#include "screen/pattern_source.h"

namespace ruvel {

namespace {
// Owned by whoever installed it; this is only the pointer to it.
TPatternSource* g_source = nullptr;
}  // namespace

TPatternSource* SetPatternSource(TPatternSource* source) {
  TPatternSource* old = g_source;
  g_source = source;
  return old;
}

TPatternSource* CurrentPatternSource() { return g_source; }

bool FindPattern(int32_t n, TPatternView& view) {
  if (n < 0 || !g_source) return false;
  return g_source->Find(n, view) && view.texture != nullptr;
}

}  // namespace ruvel
