#include "devui/imgui_layer.h"

#include <imgui.h>

#include <memory>

#include "platform/text_render.h"

namespace ruvel {

namespace {

constexpr float kFontPixels = 14.0f;

// The atlas every context draws its text from; built on first use.
ImFontAtlas* SharedAtlas() {
  static std::unique_ptr<ImFontAtlas> atlas;
  if (atlas) return atlas.get();
  atlas = std::make_unique<ImFontAtlas>();
  std::string file = FindFontFile("IPAGothic");
  ImFont* font = nullptr;
  if (!file.empty()) {
    ImFontConfig config;
    config.OversampleH = 1;
    config.OversampleV = 1;
    font = atlas->AddFontFromFileTTF(file.c_str(), kFontPixels, &config, atlas->GetGlyphRangesJapanese());
  }
  if (!font) atlas->AddFontDefault();
  unsigned char* pixels = nullptr;
  int w = 0;
  int h = 0;
  atlas->GetTexDataAsRGBA32(&pixels, &w, &h);
  // The id only marks "the font texture": each layer draws its own copy.
  atlas->SetTexID(reinterpret_cast<ImTextureID>(atlas.get()));
  return atlas.get();
}

int ButtonIndex(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return 0;
    case SDL_BUTTON_RIGHT:
      return 1;
    case SDL_BUTTON_MIDDLE:
      return 2;
    default:
      return -1;
  }
}

void MapKeys(ImGuiIO& io) {
  io.KeyMap[ImGuiKey_Tab] = SDL_SCANCODE_TAB;
  io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
  io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
  io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
  io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
  io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
  io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
  io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
  io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
  io.KeyMap[ImGuiKey_Insert] = SDL_SCANCODE_INSERT;
  io.KeyMap[ImGuiKey_Delete] = SDL_SCANCODE_DELETE;
  io.KeyMap[ImGuiKey_Backspace] = SDL_SCANCODE_BACKSPACE;
  io.KeyMap[ImGuiKey_Space] = SDL_SCANCODE_SPACE;
  io.KeyMap[ImGuiKey_Enter] = SDL_SCANCODE_RETURN;
  io.KeyMap[ImGuiKey_Escape] = SDL_SCANCODE_ESCAPE;
  io.KeyMap[ImGuiKey_KeyPadEnter] = SDL_SCANCODE_KP_ENTER;
  io.KeyMap[ImGuiKey_A] = SDL_SCANCODE_A;
  io.KeyMap[ImGuiKey_C] = SDL_SCANCODE_C;
  io.KeyMap[ImGuiKey_V] = SDL_SCANCODE_V;
  io.KeyMap[ImGuiKey_X] = SDL_SCANCODE_X;
  io.KeyMap[ImGuiKey_Y] = SDL_SCANCODE_Y;
  io.KeyMap[ImGuiKey_Z] = SDL_SCANCODE_Z;
}

const char* GetClipboard(void*) {
  static char* last = nullptr;
  if (last) SDL_free(last);
  last = SDL_GetClipboardText();
  return last ? last : "";
}

void SetClipboard(void*, const char* text) { SDL_SetClipboardText(text); }

}  // namespace

TImGuiLayer::TImGuiLayer(SDL_Window* window, SDL_Renderer* renderer)
    : window_(window), renderer_(renderer), windowId_(window ? SDL_GetWindowID(window) : 0) {
  ImFontAtlas* atlas = SharedAtlas();
  ImGuiContext* previous = ImGui::GetCurrentContext();
  context_ = ImGui::CreateContext(atlas);
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // window layout is not kept between runs
  io.BackendPlatformName = "ruvel_sdl";
  io.BackendRendererName = "ruvel_sdl_renderer";
  io.GetClipboardTextFn = GetClipboard;
  io.SetClipboardTextFn = SetClipboard;
  MapKeys(io);
  ImGui::StyleColorsLight();
  ImGui::GetStyle().WindowRounding = 0.0f;
  unsigned char* pixels = nullptr;
  int w = 0;
  int h = 0;
  atlas->GetTexDataAsRGBA32(&pixels, &w, &h);
  if (renderer_) {
    fontTexture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, w, h);
    if (fontTexture_) {
      SDL_UpdateTexture(fontTexture_, nullptr, pixels, w * 4);
      SDL_SetTextureBlendMode(fontTexture_, SDL_BLENDMODE_BLEND);
    }
  }
  ImGui::SetCurrentContext(previous ? previous : context_);
}

TImGuiLayer::~TImGuiLayer() {
  if (fontTexture_) SDL_DestroyTexture(fontTexture_);
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::DestroyContext(context_);
  if (previous && previous != context_) ImGui::SetCurrentContext(previous);
}

uint32_t TImGuiLayer::EventWindow(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      return e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return e.key.windowID;
    case SDL_TEXTINPUT:
      return e.text.windowID;
    case SDL_TEXTEDITING:
      return e.edit.windowID;
    case SDL_MOUSEMOTION:
      return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return e.button.windowID;
    case SDL_MOUSEWHEEL:
      return e.wheel.windowID;
    default:
      return 0;
  }
}

void TImGuiLayer::Feed(const SDL_Event& e) {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  switch (e.type) {
    case SDL_MOUSEMOTION:
      io.MousePos = ImVec2(float(e.motion.x), float(e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      io.MousePos = ImVec2(float(e.button.x), float(e.button.y));
      int i = ButtonIndex(e.button.button);
      if (i >= 0) {
        held_[i] = e.type == SDL_MOUSEBUTTONDOWN;
        if (held_[i]) pressed_[i] = true;
      }
      break;
    }
    case SDL_MOUSEWHEEL:
      io.MouseWheel += float(e.wheel.y);
      io.MouseWheelH += float(e.wheel.x);
      break;
    case SDL_TEXTINPUT:
      io.AddInputCharactersUTF8(e.text.text);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int code = e.key.keysym.scancode;
      if (code >= 0 && code < int(IM_ARRAYSIZE(io.KeysDown))) io.KeysDown[code] = e.type == SDL_KEYDOWN;
      uint16_t mod = e.key.keysym.mod;
      io.KeyShift = (mod & KMOD_SHIFT) != 0;
      io.KeyCtrl = (mod & KMOD_CTRL) != 0;
      io.KeyAlt = (mod & KMOD_ALT) != 0;
      io.KeySuper = (mod & KMOD_GUI) != 0;
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
      break;
    default:
      break;
  }
  ImGui::SetCurrentContext(previous ? previous : context_);
}

void TImGuiLayer::BeginFrame(int w, int h) {
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  if (w <= 0 || h <= 0) {
    if (renderer_) SDL_GetRendererOutputSize(renderer_, &w, &h);
    if ((w <= 0 || h <= 0) && window_) SDL_GetWindowSize(window_, &w, &h);
  }
  io.DisplaySize = ImVec2(float(w > 0 ? w : 1), float(h > 0 ? h : 1));
  uint64_t now = SDL_GetTicks64();
  io.DeltaTime = lastTicks_ && now > lastTicks_ ? float(now - lastTicks_) / 1000.0f : 1.0f / 60.0f;
  lastTicks_ = now;
  for (int i = 0; i < 3; ++i) {
    // A press and its release within one frame still count as a click.
    io.MouseDown[i] = pressed_[i] || held_[i];
    pressed_[i] = false;
  }
  ImGui::NewFrame();
}

void TImGuiLayer::EndFrame() {
  ImGui::SetCurrentContext(context_);
  ImGui::Render();
  Render();
}

bool TImGuiLayer::WantsMouse() const {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  ImGui::SetCurrentContext(context_);
  bool wants = ImGui::GetIO().WantCaptureMouse;
  ImGui::SetCurrentContext(previous ? previous : context_);
  return wants;
}

// Draws the frame's triangles with SDL_RenderGeometryRaw, clipped per
// command; the font atlas's id stands for this layer's font texture.
void TImGuiLayer::Render() {
  ImDrawData* data = ImGui::GetDrawData();
  if (!data || !renderer_) return;
  SDL_Rect oldClip;
  SDL_bool hadClip = SDL_RenderIsClipEnabled(renderer_);
  SDL_RenderGetClipRect(renderer_, &oldClip);
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
  ImTextureID fontId = ImGui::GetIO().Fonts->TexID;
  ImVec2 origin = data->DisplayPos;
  for (int n = 0; n < data->CmdListsCount; ++n) {
    const ImDrawList* list = data->CmdLists[n];
    const ImDrawVert* verts = list->VtxBuffer.Data;
    const ImDrawIdx* indices = list->IdxBuffer.Data;
    for (const ImDrawCmd& cmd : list->CmdBuffer) {
      if (cmd.UserCallback) {
        if (cmd.UserCallback != ImDrawCallback_ResetRenderState) cmd.UserCallback(list, &cmd);
        continue;
      }
      int x0 = int(cmd.ClipRect.x - origin.x);
      int y0 = int(cmd.ClipRect.y - origin.y);
      int x1 = int(cmd.ClipRect.z - origin.x);
      int y1 = int(cmd.ClipRect.w - origin.y);
      if (x1 <= x0 || y1 <= y0) continue;
      SDL_Rect clip{x0, y0, x1 - x0, y1 - y0};
      SDL_RenderSetClipRect(renderer_, &clip);
      SDL_Texture* texture =
          cmd.TextureId == fontId ? fontTexture_ : reinterpret_cast<SDL_Texture*>(cmd.TextureId);
      const ImDrawVert* v = verts + cmd.VtxOffset;
      const float* xy = reinterpret_cast<const float*>(reinterpret_cast<const char*>(v) + offsetof(ImDrawVert, pos));
      const float* uv = reinterpret_cast<const float*>(reinterpret_cast<const char*>(v) + offsetof(ImDrawVert, uv));
      const SDL_Color* col =
          reinterpret_cast<const SDL_Color*>(reinterpret_cast<const char*>(v) + offsetof(ImDrawVert, col));
      SDL_RenderGeometryRaw(renderer_, texture, xy, sizeof(ImDrawVert), col, sizeof(ImDrawVert), uv,
                            sizeof(ImDrawVert), list->VtxBuffer.Size - int(cmd.VtxOffset),
                            indices + cmd.IdxOffset, int(cmd.ElemCount), sizeof(ImDrawIdx));
    }
  }
  SDL_RenderSetClipRect(renderer_, hadClip ? &oldClip : nullptr);
}

}  // namespace ruvel
