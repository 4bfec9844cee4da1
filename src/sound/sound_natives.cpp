#include "sound/sound_natives.h"

#include "natives/natives_args.h"
#include "sound/sound_manager.h"

namespace ruvel {

namespace {

// _n_loadSE(file): the effect's id, 0 when the file is missing or unusable.
void SeLoad(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(1)) a.ReturnInt(SoundManager().LoadEffect(a.Text(1)));
}

// _n_play(id, (ignored), volume): volume 128 unless given.
void SePlay(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  SoundManager().PlayEffect(a.Int(1), a.Has(3) ? a.Int(3) : 128);
}

void SeFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(1)) SoundManager().FreeEffect(a.Int(1));
}

// _n_play(file, loop): a music file, or a MIDI file (not played here).
void BgmPlay(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  SoundManager().PlayBgm(a.Text(1), a.Has(2), a.Has(2) && ValueIsTrue(a[2]));
}

void PlayerStop(Value*, int32_t, int32_t) { SoundManager().Stop(); }

void PlayerSetEnable(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(1)) SoundManager().SetEnable(ValueIsTrue(a[1]));
}

void ObjectRefresh(Value*, int32_t, int32_t) { SoundManager().Sequencer().Service(); }

}  // namespace

const std::vector<NativeEntry>& SoundNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.lang.Object", "_n_refresh", ObjectRefresh},
      {"SoundEffect", "_n_loadSE", SeLoad},
      {"SoundEffect", "_n_play", SePlay},
      {"SoundEffect", "_n_freeSE", SeFree},
      {"BGM", "_n_play", BgmPlay},
      {"MediaPlayer", "_n_stop", PlayerStop},
      {"MediaPlayer", "_n_setEnable", PlayerSetEnable},
  };
  return table;
}

}  // namespace ruvel
