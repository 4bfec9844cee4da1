#include "platform/keys.h"

#include <SDL.h>

#include <array>
#include <cctype>
#include <vector>

#include "platform/joystick.h"

namespace ruvel {

namespace {

struct KeyMap {
  SDL_Scancode scancode;
  uint8_t vk;
};

// SDL scancodes and the Windows virtual-key codes they stand for. A generic
// code (shift, control, alt) is down when either of its keys is.
constexpr KeyMap kKeyTable[] = {
    {SDL_SCANCODE_BACKSPACE, 0x08}, {SDL_SCANCODE_TAB, 0x09}, {SDL_SCANCODE_CLEAR, 0x0C},
    {SDL_SCANCODE_RETURN, 0x0D}, {SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDL_SCANCODE_LSHIFT, 0x10}, {SDL_SCANCODE_RSHIFT, 0x10},
    {SDL_SCANCODE_LCTRL, 0x11}, {SDL_SCANCODE_RCTRL, 0x11},
    {SDL_SCANCODE_LALT, 0x12}, {SDL_SCANCODE_RALT, 0x12},
    {SDL_SCANCODE_PAUSE, 0x13}, {SDL_SCANCODE_CAPSLOCK, 0x14}, {SDL_SCANCODE_ESCAPE, 0x1B},
    {SDL_SCANCODE_SPACE, 0x20}, {SDL_SCANCODE_PAGEUP, 0x21}, {SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDL_SCANCODE_END, 0x23}, {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_LEFT, 0x25}, {SDL_SCANCODE_UP, 0x26}, {SDL_SCANCODE_RIGHT, 0x27}, {SDL_SCANCODE_DOWN, 0x28},
    {SDL_SCANCODE_PRINTSCREEN, 0x2C}, {SDL_SCANCODE_INSERT, 0x2D}, {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_0, 0x30}, {SDL_SCANCODE_1, 0x31}, {SDL_SCANCODE_2, 0x32}, {SDL_SCANCODE_3, 0x33},
    {SDL_SCANCODE_4, 0x34}, {SDL_SCANCODE_5, 0x35}, {SDL_SCANCODE_6, 0x36}, {SDL_SCANCODE_7, 0x37},
    {SDL_SCANCODE_8, 0x38}, {SDL_SCANCODE_9, 0x39},
    {SDL_SCANCODE_A, 0x41}, {SDL_SCANCODE_B, 0x42}, {SDL_SCANCODE_C, 0x43}, {SDL_SCANCODE_D, 0x44},
    {SDL_SCANCODE_E, 0x45}, {SDL_SCANCODE_F, 0x46}, {SDL_SCANCODE_G, 0x47}, {SDL_SCANCODE_H, 0x48},
    {SDL_SCANCODE_I, 0x49}, {SDL_SCANCODE_J, 0x4A}, {SDL_SCANCODE_K, 0x4B}, {SDL_SCANCODE_L, 0x4C},
    {SDL_SCANCODE_M, 0x4D}, {SDL_SCANCODE_N, 0x4E}, {SDL_SCANCODE_O, 0x4F}, {SDL_SCANCODE_P, 0x50},
    {SDL_SCANCODE_Q, 0x51}, {SDL_SCANCODE_R, 0x52}, {SDL_SCANCODE_S, 0x53}, {SDL_SCANCODE_T, 0x54},
    {SDL_SCANCODE_U, 0x55}, {SDL_SCANCODE_V, 0x56}, {SDL_SCANCODE_W, 0x57}, {SDL_SCANCODE_X, 0x58},
    {SDL_SCANCODE_Y, 0x59}, {SDL_SCANCODE_Z, 0x5A},
    {SDL_SCANCODE_LGUI, 0x5B}, {SDL_SCANCODE_RGUI, 0x5C}, {SDL_SCANCODE_APPLICATION, 0x5D},
    {SDL_SCANCODE_KP_0, 0x60}, {SDL_SCANCODE_KP_1, 0x61}, {SDL_SCANCODE_KP_2, 0x62}, {SDL_SCANCODE_KP_3, 0x63},
    {SDL_SCANCODE_KP_4, 0x64}, {SDL_SCANCODE_KP_5, 0x65}, {SDL_SCANCODE_KP_6, 0x66}, {SDL_SCANCODE_KP_7, 0x67},
    {SDL_SCANCODE_KP_8, 0x68}, {SDL_SCANCODE_KP_9, 0x69},
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDL_SCANCODE_KP_PLUS, 0x6B}, {SDL_SCANCODE_KP_COMMA, 0x6C},
    {SDL_SCANCODE_KP_MINUS, 0x6D}, {SDL_SCANCODE_KP_PERIOD, 0x6E}, {SDL_SCANCODE_KP_DIVIDE, 0x6F},
    {SDL_SCANCODE_F1, 0x70}, {SDL_SCANCODE_F2, 0x71}, {SDL_SCANCODE_F3, 0x72}, {SDL_SCANCODE_F4, 0x73},
    {SDL_SCANCODE_F5, 0x74}, {SDL_SCANCODE_F6, 0x75}, {SDL_SCANCODE_F7, 0x76}, {SDL_SCANCODE_F8, 0x77},
    {SDL_SCANCODE_F9, 0x78}, {SDL_SCANCODE_F10, 0x79}, {SDL_SCANCODE_F11, 0x7A}, {SDL_SCANCODE_F12, 0x7B},
    {SDL_SCANCODE_F13, 0x7C}, {SDL_SCANCODE_F14, 0x7D}, {SDL_SCANCODE_F15, 0x7E}, {SDL_SCANCODE_F16, 0x7F},
    {SDL_SCANCODE_F17, 0x80}, {SDL_SCANCODE_F18, 0x81}, {SDL_SCANCODE_F19, 0x82}, {SDL_SCANCODE_F20, 0x83},
    {SDL_SCANCODE_F21, 0x84}, {SDL_SCANCODE_F22, 0x85}, {SDL_SCANCODE_F23, 0x86}, {SDL_SCANCODE_F24, 0x87},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_LSHIFT, 0xA0}, {SDL_SCANCODE_RSHIFT, 0xA1}, {SDL_SCANCODE_LCTRL, 0xA2},
    {SDL_SCANCODE_RCTRL, 0xA3}, {SDL_SCANCODE_LALT, 0xA4}, {SDL_SCANCODE_RALT, 0xA5},
    {SDL_SCANCODE_SEMICOLON, 0xBA}, {SDL_SCANCODE_EQUALS, 0xBB}, {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD}, {SDL_SCANCODE_PERIOD, 0xBE}, {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0}, {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_INTERNATIONAL1, 0xE2}, {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
};

struct KeyName {
  const char* name;
  uint8_t vk;
};

// Named keys besides the letters and digits, whose names are themselves.
constexpr KeyName kKeyNames[] = {
    {"LEFT", 0x25},   {"RIGHT", 0x27}, {"UP", 0x26},     {"DOWN", 0x28},    {"SPACE", 0x20},
    {"RETURN", 0x0D}, {"ESCAPE", 0x1B}, {"SHIFT", 0x10}, {"CONTROL", 0x11}, {"F1", 0x70},
    {"F2", 0x71},     {"F3", 0x72},    {"F4", 0x73},     {"F5", 0x74},      {"F6", 0x75},
    {"F7", 0x76},     {"F8", 0x77},    {"F9", 0x78},     {"F10", 0x79},     {"F11", 0x7A},
    {"F12", 0x7B},
};

bool IsLetterOrDigitKey(int vk) { return (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'); }

// The scancodes behind each virtual-key code, built once from the table.
const std::array<std::vector<SDL_Scancode>, 256>& ScancodesByKey() {
  static const auto table = [] {
    std::array<std::vector<SDL_Scancode>, 256> t;
    for (const KeyMap& m : kKeyTable) t[m.vk].push_back(m.scancode);
    return t;
  }();
  return table;
}

// Owned here: the source tests may put in place of SDL's.
TKeySource* g_source = nullptr;

// Owned here: the replayed key state, by code and by physical key.
std::array<bool, 256> g_replayedCodes{};
std::array<bool, SDL_NUM_SCANCODES> g_replayedScancodes{};

}  // namespace

bool TSdlKeySource::IsDown(int vk) {
  if (vk < 0 || vk > 255) return false;
  if (g_replayedCodes[vk] || PadKeyDown(vk)) return true;
  if (vk == 0x01 || vk == 0x02 || vk == 0x04) {
    uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
    uint32_t mask = vk == 0x01 ? SDL_BUTTON_LMASK : vk == 0x02 ? SDL_BUTTON_RMASK : SDL_BUTTON_MMASK;
    return (buttons & mask) != 0;
  }
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  for (SDL_Scancode sc : ScancodesByKey()[vk]) {
    if ((sc < count && state[sc]) || g_replayedScancodes[sc]) return true;
  }
  return false;
}

int VirtualKeyOfScancode(int scancode) {
  for (const KeyMap& m : kKeyTable) {
    if (m.scancode == scancode) return m.vk;
  }
  return 0;
}

int ScancodeOfVirtualKey(int vk) {
  if (vk < 0 || vk > 255 || ScancodesByKey()[vk].empty()) return 0;
  return ScancodesByKey()[vk].front();
}

int VirtualKeyOfName(const std::string& name) {
  std::string up = name;
  for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (up.size() == 1 && IsLetterOrDigitKey(up[0])) return up[0];
  for (const KeyName& k : kKeyNames) {
    if (up == k.name) return k.vk;
  }
  return 0;
}

std::string NameOfVirtualKey(int vk) {
  if (IsLetterOrDigitKey(vk)) return std::string(1, static_cast<char>(vk));
  for (const KeyName& k : kKeyNames) {
    if (k.vk == vk) return k.name;
  }
  return std::string();
}

void ForEachKeyName(const std::function<void(const std::string& name, int vk)>& visit) {
  for (int c = 'A'; c <= 'Z'; ++c) visit(std::string(1, static_cast<char>(c)), c);
  for (int c = '0'; c <= '9'; ++c) visit(std::string(1, static_cast<char>(c)), c);
  for (const KeyName& k : kKeyNames) visit(k.name, k.vk);
}

void SetReplayedKey(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  g_replayedCodes[vk] = down;
  if (int sc = ScancodeOfVirtualKey(vk)) g_replayedScancodes[sc] = down;
}

void ClearReplayedKeys() {
  g_replayedCodes.fill(false);
  g_replayedScancodes.fill(false);
}

TKeySource& KeySource() {
  static TSdlKeySource sdl;
  return g_source ? *g_source : sdl;
}

TKeySource* SetKeySource(TKeySource* source) {
  TKeySource* old = g_source;
  g_source = source;
  return old;
}

}  // namespace ruvel
