// TEditorWindow: the OS window an editor lives in beside the game's, with
// its own renderer and ImGui layer. It is made on first show, takes the
// events of its own window, hands a close request to its owner, and paints
// one ImGui frame of the owner's contents.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ruvel {

class TImGuiLayer;

class TEditorWindow {
 public:
  // caption (UTF-8) is the title until SetTitle; closeRequested runs when
  // the person asks the window to close.
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
  // Sets the title (UTF-8), touching the window only when it changed.
  void SetTitle(const std::string& title);
  // One frame: contents makes the ImGui calls, then the frame is drawn
  // over a dark background and presented.
  void Paint(const std::function<void(SDL_Renderer*)>& contents);

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
