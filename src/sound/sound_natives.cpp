#include "sound/sound_natives.h"

namespace ruvel {

namespace {
// Without a sequencer there is no state to refresh.
void NativeRefresh(Value*, int32_t, int32_t) {}
}  // namespace

const std::vector<NativeEntry>& SoundNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.lang.Object", "_n_refresh", NativeRefresh},
  };
  return table;
}

}  // namespace ruvel
