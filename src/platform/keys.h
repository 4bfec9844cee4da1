// The keyboard as the scripts see it: Windows virtual-key codes (0..255)
// read from SDL's keyboard and mouse state. The code table is in keys.cpp.
#pragma once
#include <cstdint>

namespace ruvel {

// Tells, per virtual-key code, whether the key is down at this moment.
class TKeySource {
 public:
  virtual ~TKeySource() = default;
  virtual bool IsDown(int vk) = 0;
};

// SDL's keyboard state (and mouse buttons for the codes 1, 2 and 4).
class TSdlKeySource : public TKeySource {
 public:
  bool IsDown(int vk) override;
};

// The virtual-key code of an SDL scancode; 0 when it has none.
int VirtualKeyOfScancode(int scancode);
// The first SDL scancode behind a virtual-key code; 0 when it has none.
int ScancodeOfVirtualKey(int vk);

// Keys and mouse buttons (codes 1, 2, 4) held down by replayed input. SDL's
// source reports them down as if a person held them; a key held this way
// also counts for the other codes of its physical key (SHIFT and LSHIFT).
void SetReplayedKey(int vk, bool down);
void ClearReplayedKeys();

// The source in use: SDL's unless a test installed another (not owned).
TKeySource& KeySource();
TKeySource* SetKeySource(TKeySource* source);

}  // namespace ruvel
