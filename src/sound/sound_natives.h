// The sound natives the program binds so far. The synthesizer and the
// music sequencer are not built yet: "_n_refresh" (refresh the sequencer
// after a page placed its objects) has nothing to refresh and returns.
#pragma once
#include <vector>

#include "runtime/native_table.h"

namespace ruvel {

const std::vector<NativeEntry>& SoundNatives();

}  // namespace ruvel
