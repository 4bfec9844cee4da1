// TImGuiLayer: one Dear ImGui context drawing into one SDL window through
// that window's SDL_Renderer. Input comes only from the events handed to
// Feed (filtered by window id), so a layer never reacts to another
// window's mouse or keys and tests can drive it with pushed SDL events.
// Every layer shares one font atlas holding the Japanese glyphs (IPAGothic
// through fontconfig); each layer keeps its own texture of it.
#pragma once
#include <cstdint>

#include <SDL.h>

struct ImGuiContext;

namespace ruvel {

class TImGuiLayer {
 public:
  // The window and renderer are not owned.
  TImGuiLayer(SDL_Window* window, SDL_Renderer* renderer);
  ~TImGuiLayer();
  TImGuiLayer(const TImGuiLayer&) = delete;
  TImGuiLayer& operator=(const TImGuiLayer&) = delete;

  // The id of the window whose events this layer takes.
  uint32_t WindowId() const { return windowId_; }
  // The window an event is meant for (0 for events of no window).
  static uint32_t EventWindow(const SDL_Event& e);
  // Passes one event of this layer's window to the context.
  void Feed(const SDL_Event& e);
  // Makes the context current and starts a frame of the given display
  // size (the window's size when w is 0).
  void BeginFrame(int w = 0, int h = 0);
  // Ends the frame and draws it into the renderer's current target; the
  // caller presents.
  void EndFrame();
  // The context wants the mouse (a menu is open, the pointer is over a
  // window of the layer).
  bool WantsMouse() const;
  ImGuiContext* Context() const { return context_; }

 private:
  void Render();
  SDL_Window* window_;
  SDL_Renderer* renderer_;
  uint32_t windowId_;
  ImGuiContext* context_ = nullptr;
  SDL_Texture* fontTexture_ = nullptr;
  bool pressed_[3] = {false, false, false};  // a click seen since the last frame
  bool held_[3] = {false, false, false};
  uint64_t lastTicks_ = 0;
};

}  // namespace ruvel
