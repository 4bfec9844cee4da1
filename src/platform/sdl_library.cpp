// SDL2 and SDL2_ttf loaded on first use. The program calls SDL functions by
// their usual names; each name here is a two-instruction stand-in that
// jumps through a slot. Every slot first points at a stub that loads both
// libraries, fills all slots at once and then jumps on to the function
// that was called, with its arguments untouched. A run that never opens a
// window, plays a sound or draws text (a --script run, an export) never maps
// SDL and the fifty libraries it depends on, which took about half of such a
// run's start-up time.
//
// Built on x86-64 Linux (RUVEL_LAZY_SDL); elsewhere the program links SDL as
// usual and this file is empty.
#include "platform/sdl_library.h"

#if RUVEL_LAZY_SDL

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

// Every SDL and SDL_ttf function the program calls. A call of one missing
// here fails to link, since the libraries are not linked.
#define RUVEL_SDL_FUNCTIONS(X)                                                                                      \
  X(SDL_CloseAudioDevice) X(SDL_ConvertSurfaceFormat) X(SDL_CreateRGBSurfaceWithFormat) X(SDL_CreateRenderer)        \
  X(SDL_CreateSoftwareRenderer) X(SDL_CreateTexture) X(SDL_CreateTextureFromSurface) X(SDL_CreateWindow)             \
  X(SDL_DestroyRenderer) X(SDL_DestroyTexture) X(SDL_DestroyWindow) X(SDL_FillRect) X(SDL_FlushEvents)               \
  X(SDL_FreeSurface) X(SDL_GameControllerAddMappingsFromRW) X(SDL_GameControllerClose) X(SDL_GameControllerGetAxis)  \
  X(SDL_GameControllerGetBindForButton) X(SDL_GameControllerGetButton) X(SDL_GameControllerGetJoystick)              \
  X(SDL_GameControllerOpen) X(SDL_GameControllerUpdate) X(SDL_GetClipboardText) X(SDL_GetCurrentVideoDriver)         \
  X(SDL_GetDesktopDisplayMode) X(SDL_GetDisplayBounds)                                                               \
  X(SDL_GetError) X(SDL_GetPlatform) X(SDL_GetGlobalMouseState) X(SDL_GetKeyboardFocus)                             \
  X(SDL_GetKeyboardState) X(SDL_GetMouseState) X(SDL_GetRenderTarget) X(SDL_GetRenderer)                             \
  X(SDL_GetRendererOutputSize) X(SDL_GetTicks64) X(SDL_GetWindowDisplayIndex) X(SDL_GetWindowFlags)                  \
  X(SDL_GetWindowFromID) X(SDL_GetWindowID) X(SDL_GetWindowPosition) X(SDL_GetWindowSize) X(SDL_GetWindowTitle)      \
  X(SDL_HasClipboardText) X(SDL_HideWindow) X(SDL_Init) X(SDL_InitSubSystem) X(SDL_IsGameController)                 \
  X(SDL_JoystickAttachVirtual) X(SDL_JoystickClose) X(SDL_JoystickDetachVirtual) X(SDL_JoystickGetAttached)          \
  X(SDL_JoystickGetAxis) X(SDL_JoystickGetButton) X(SDL_JoystickNumAxes) X(SDL_JoystickNumButtons)                   \
  X(SDL_JoystickOpen) X(SDL_JoystickSetVirtualAxis) X(SDL_JoystickSetVirtualButton) X(SDL_JoystickUpdate)            \
  X(SDL_LoadBMP_RW) X(SDL_LockAudioDevice) X(SDL_LockSurface) X(SDL_MapRGB) X(SDL_NumJoysticks)                      \
  X(SDL_OpenAudioDevice) X(SDL_PauseAudioDevice) X(SDL_PeepEvents) X(SDL_PollEvent) X(SDL_PumpEvents)                \
  X(SDL_PushEvent) X(SDL_QueryTexture) X(SDL_Quit) X(SDL_QuitSubSystem) X(SDL_RWFromFile) X(SDL_RWclose)             \
  X(SDL_RWFromConstMem)                                                                                              \
  X(SDL_RWread) X(SDL_RWseek) X(SDL_RWtell) X(SDL_RaiseWindow) X(SDL_RenderClear) X(SDL_RenderCopy)                  \
  X(SDL_RenderCopyEx) X(SDL_RenderCopyExF) X(SDL_RenderDrawLine) X(SDL_RenderDrawRect) X(SDL_RenderFillRect)         \
  X(SDL_RenderGeometryRaw) X(SDL_RenderGetClipRect) X(SDL_RenderIsClipEnabled) X(SDL_RenderPresent)                  \
  X(SDL_RenderReadPixels) X(SDL_RenderSetClipRect) X(SDL_RenderSetViewport) X(SDL_SaveBMP_RW)                        \
  X(SDL_SetClipboardText) X(SDL_SetHint) X(SDL_SetHintWithPriority) X(SDL_SetRenderDrawBlendMode)                    \
  X(SDL_SetRenderDrawColor) X(SDL_SetRenderTarget) X(SDL_SetTextInputRect) X(SDL_SetTextureAlphaMod)                 \
  X(SDL_SetTextureBlendMode) X(SDL_SetTextureColorMod)                                                               \
  X(SDL_SetTextureScaleMode) X(SDL_SetWindowInputFocus) X(SDL_SetWindowModalFor)                                     \
  X(SDL_SetWindowPosition) X(SDL_SetWindowResizable) X(SDL_SetWindowSize) X(SDL_SetWindowTitle) X(SDL_ShowCursor)    \
  X(SDL_ShowMessageBox) X(SDL_ShowSimpleMessageBox) X(SDL_ShowWindow) X(SDL_StartTextInput)                          \
  X(SDL_UnlockAudioDevice) X(SDL_UnlockSurface) X(SDL_UpdateTexture) X(SDL_WaitEventTimeout)                         \
  X(SDL_WarpMouseInWindow) X(SDL_WasInit) X(SDL_free) X(SDL_getenv) X(TTF_CloseFont) X(TTF_FontHeight)               \
  X(TTF_GlyphIsProvided32) X(TTF_Init) X(TTF_OpenFontDPI) X(TTF_Quit) X(TTF_RenderUTF8_Blended) X(TTF_SetFontStyle)

// The stand-in for NAME: jumps through ruvel_slot_NAME, which holds first
// ruvel_stub_NAME (hand the slot to the loader) and then SDL's NAME.
#define RUVEL_SDL_TRAMPOLINE(name)                 \
  ".text\n"                                        \
  ".globl " #name "\n"                             \
  ".type " #name ", @function\n" #name ":\n"       \
  "  jmp *ruvel_slot_" #name "(%rip)\n"            \
  "ruvel_stub_" #name ":\n"                        \
  "  leaq ruvel_slot_" #name "(%rip), %r11\n"      \
  "  jmp ruvel_sdl_resolve\n"                      \
  ".data\n"                                        \
  ".balign 8\n"                                    \
  ".globl ruvel_slot_" #name "\n"                  \
  ".hidden ruvel_slot_" #name "\n"                 \
  "ruvel_slot_" #name ":\n"                        \
  "  .quad ruvel_stub_" #name "\n"

asm(RUVEL_SDL_FUNCTIONS(RUVEL_SDL_TRAMPOLINE));

// Saves every register that can carry arguments (and %al, the vector
// register count of a variadic call), loads the libraries, restores them
// and jumps to the function whose slot %r11 names.
asm(R"(
.text
.globl ruvel_sdl_resolve
.hidden ruvel_sdl_resolve
.type ruvel_sdl_resolve, @function
ruvel_sdl_resolve:
  pushq %rbp
  movq %rsp, %rbp
  pushq %rdi
  pushq %rsi
  pushq %rdx
  pushq %rcx
  pushq %r8
  pushq %r9
  pushq %rax
  pushq %r11
  subq $128, %rsp
  movdqu %xmm0, 0(%rsp)
  movdqu %xmm1, 16(%rsp)
  movdqu %xmm2, 32(%rsp)
  movdqu %xmm3, 48(%rsp)
  movdqu %xmm4, 64(%rsp)
  movdqu %xmm5, 80(%rsp)
  movdqu %xmm6, 96(%rsp)
  movdqu %xmm7, 112(%rsp)
  call ruvel_sdl_load
  movdqu 0(%rsp), %xmm0
  movdqu 16(%rsp), %xmm1
  movdqu 32(%rsp), %xmm2
  movdqu 48(%rsp), %xmm3
  movdqu 64(%rsp), %xmm4
  movdqu 80(%rsp), %xmm5
  movdqu 96(%rsp), %xmm6
  movdqu 112(%rsp), %xmm7
  addq $128, %rsp
  popq %r11
  popq %rax
  popq %r9
  popq %r8
  popq %rcx
  popq %rdx
  popq %rsi
  popq %rdi
  popq %rbp
  jmp *(%r11)
)");

#define RUVEL_SDL_SLOT_DECL(name) extern "C" __attribute__((visibility("hidden"))) void* ruvel_slot_##name;
RUVEL_SDL_FUNCTIONS(RUVEL_SDL_SLOT_DECL)
#undef RUVEL_SDL_SLOT_DECL

namespace ruvel {

namespace {

struct SlotEntry {
  const char* name;
  void** slot;
};

constexpr SlotEntry kSlots[] = {
#define RUVEL_SDL_SLOT_ENTRY(name) {#name, &ruvel_slot_##name},
    RUVEL_SDL_FUNCTIONS(RUVEL_SDL_SLOT_ENTRY)
#undef RUVEL_SDL_SLOT_ENTRY
};

constexpr const char* kSdlFile = "libSDL2-2.0.so.0";
constexpr const char* kTtfFile = "libSDL2_ttf-2.0.so.0";

std::mutex& LoadLock() {
  static std::mutex lock;
  return lock;
}

bool g_loaded = false;  // guarded by LoadLock()

// The program cannot go on without SDL once it has called it: one line on
// stderr, as the dynamic linker would have written at start-up.
[[noreturn]] void CannotLoad(const char* what, const char* detail) {
  std::fprintf(stderr, "ruvel: %s: %s\n", what, detail ? detail : "");
  std::_Exit(127);
}

}  // namespace

bool SdlLoaded() {
  std::lock_guard<std::mutex> hold(LoadLock());
  return g_loaded;
}

}  // namespace ruvel

// Called by ruvel_sdl_resolve on the first call of any SDL function (and
// again by threads that raced it, which find the work done).
extern "C" __attribute__((visibility("hidden"), used)) void ruvel_sdl_load() {
  using namespace ruvel;
  std::lock_guard<std::mutex> hold(LoadLock());
  if (g_loaded) return;
  void* sdl = dlopen(kSdlFile, RTLD_NOW | RTLD_GLOBAL);
  if (!sdl) CannotLoad(kSdlFile, dlerror());
  void* ttf = dlopen(kTtfFile, RTLD_NOW | RTLD_GLOBAL);
  if (!ttf) CannotLoad(kTtfFile, dlerror());
  for (const SlotEntry& e : kSlots) {
    void* library = e.name[0] == 'T' ? ttf : sdl;
    void* address = dlsym(library, e.name);
    if (!address) CannotLoad(e.name, dlerror());
    __atomic_store_n(e.slot, address, __ATOMIC_RELEASE);
  }
  g_loaded = true;
}

#endif

#if !RUVEL_LAZY_SDL
namespace ruvel {
bool SdlLoaded() { return true; }
}  // namespace ruvel
#endif
