// The sound natives: "SoundEffect" (_n_loadSE, _n_play, _n_freeSE), "BGM"
// (_n_play), "MediaPlayer" (_n_stop, _n_setEnable) and the Object native
// "_n_refresh", which renders what the sequencer owes the device. All act
// on the process-wide sound manager (sound_manager.h).
#pragma once
#include <vector>

#include "natives/native_table.h"

namespace ruvel {

const std::vector<NativeEntry>& SoundNatives();

}  // namespace ruvel
