// TEditorWindow: the OS window an editor lives in beside the game's, with
// its own renderer and ImGui layer. It is made on first show, takes the
// events of its own window, hands a close request to its owner, and paints
// one ImGui frame of the owner's contents. MakeImGuiWindow and
// DestroyImGuiWindow make and end such a window for the other development
// windows.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ruvel {

class TImGuiLayer;

// Makes a hidden window, its renderer (the software one when rendererFlags
// cannot be met) and the ImGui layer drawing into it; false, with nothing
// made, when the window or renderer cannot be made.
bool MakeImGuiWindow(const char* title, int width, int height, uint32_t windowFlags, uint32_t rendererFlags,
                     SDL_Window*& window, SDL_Renderer*& renderer, std::unique_ptr<TImGuiLayer>& layer);
// Ends what MakeImGuiWindow made, the layer first.
void DestroyImGuiWindow(SDL_Window*& window, SDL_Renderer*& renderer, std::unique_ptr<TImGuiLayer>& layer);

class TEditorWindow {
 public:
  // caption (UTF-8) is the title until the first Paint; closeRequested
  // runs when the person asks the window to close.
  TEditorWindow(std::string caption, int width, int height, std::function<void()> closeRequested);
  ~TEditorWindow();
  TEditorWindow(const TEditorWindow&) = delete;
  TEditorWindow& operator=(const TEditorWindow&) = delete;

  // Makes the window (hidden) unless it exists; false when it cannot be made.
  bool Make();
  bool Made() const { return window_ != nullptr; }
  // Makes the window when needed, shows it and brings it forward.
  bool Show();
  void Hide();
  bool Visible() const { return window_ && visible_; }
  uint32_t WindowId() const;
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e);
  // One frame of a visible window: hidden once open is false (the editor
  // was closed), else titled and painted, contents making the ImGui calls
  // drawn over a dark background, and presented.
  void Paint(bool open, const std::string& title, const std::function<void(SDL_Renderer*)>& contents);

 private:
  std::string caption_;
  int width_;
  int height_;
  std::function<void()> closeRequested_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::unique_ptr<TImGuiLayer> layer_;
  bool visible_ = false;
  std::string title_;
};

}  // namespace ruvel
