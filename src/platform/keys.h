// The keyboard as the scripts see it: Windows virtual-key codes (0..255)
// read from SDL's keyboard and mouse state. The code table is in keys.cpp.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

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

// Key names, shared by the --input format and the scripts' "$KEY_" globals:
// letters and digits are named by themselves ("Z", "0"), the other keys by
// the name table in keys.cpp ("LEFT", "SPACE", "F1"). Names are case-blind.
// The code of a name; 0 when the word names no key.
int VirtualKeyOfName(const std::string& name);
// The name of a code; empty when it has none.
std::string NameOfVirtualKey(int vk);
// Calls visit for every name with its code: letters, digits, then the table.
void ForEachKeyName(const std::function<void(const std::string& name, int vk)>& visit);

// Keys and mouse buttons (codes 1, 2, 4) held down by replayed input. SDL's
// source reports them down as if a person held them; a key held this way
// also counts for the other codes of its physical key (SHIFT and LSHIFT).
void SetReplayedKey(int vk, bool down);
void ClearReplayedKeys();

// The source in use: SDL's unless a test installed another (not owned).
TKeySource& KeySource();
TKeySource* SetKeySource(TKeySource* source);

}  // namespace ruvel
