#include "devui/map_editor_view.h"

#include <imgui.h>

#include <cstdio>

#include "assetedit/map_editor.h"
#include "devui/editor_window.h"
#include "devui/file_browser_view.h"
#include "devui/imgui_layer.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/window_front.h"

namespace ruvel {

using L = TMapEditorLayout;

const std::vector<TMapButtonPlace>& MapEditorButtons() {
  static const std::vector<TMapButtonPlace> table = {
#define RUVEL_MAP_BUTTON_ROW(id, caption, x, y, w, h) {TMapButton::id, caption, x, y, w, h},
      RUVEL_MAP_BUTTONS(RUVEL_MAP_BUTTON_ROW)
#undef RUVEL_MAP_BUTTON_ROW
  };
  return table;
}

TMapEditorView::TMapEditorView(TMapEditor& model) : model_(model) {}

TMapEditorView::~TMapEditorView() {
  if (canvas_) SDL_DestroyTexture(canvas_);
  DestroyImGuiWindow(window_, renderer_, layer_);
}

bool TMapEditorView::Show() {
  if (!window_ &&
      !MakeImGuiWindow("マップエディタ", L::kWidth, L::kHeight, 0, SDL_RENDERER_TARGETTEXTURE, window_, renderer_, layer_)) {
    return false;
  }
  SDL_ShowWindow(window_);
  BringToFront(window_);
  shown_ = true;
  closed_ = false;
  return true;
}

void TMapEditorView::Hide() {
  if (window_) SDL_HideWindow(window_);
  shown_ = false;
}

uint32_t TMapEditorView::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TMapEditorView::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    RequestClose();
    return true;
  }
  layer_->Feed(e);
  return true;
}

void TMapEditorView::RequestClose() {
  if (model_.Loaded() && model_.Dirty()) {
    askClose_ = true;
    return;
  }
  Hide();
  closed_ = true;
}

void TMapEditorView::AskNewMap(const std::string& path) {
  std::snprintf(newPath_, sizeof newPath_, "%s", path.c_str());
  askNew_ = true;
}

void TMapEditorView::ShowMessage(const std::string& text) {
  message_ = text;
  messagePending_ = true;
}

// Runs a command of the window; a refusal becomes the window's message.
void TMapEditorView::Guard(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

bool TMapEditorView::PlacedButton(TMapButton b) {
  const TMapButtonPlace& p = MapEditorButtons()[size_t(b)];
  ImGui::SetCursorPos(ImVec2(float(p.x), float(p.y)));
  return ImGui::Button(p.caption, ImVec2(float(p.w), float(p.h)));
}

namespace {

// Where the file dialogs start: the map's folder, else the running page's,
// else the project's.
std::string StartFolder(const TMapEditor& model) {
  if (!model.Path().empty()) return PathParent(model.Path());
  return PageDir().empty() ? ProjectDir() : PageDir();
}

}  // namespace

void TMapEditorView::RunButton(TMapButton b) {
  ImVec2 mid(L::kCanvasW / 2.0f, L::kCanvasH / 2.0f);
  switch (b) {
    case TMapButton::kZoomOut: model_.ZoomBy(-1, mid.x, mid.y); break;
    case TMapButton::kZoomIn: model_.ZoomBy(1, mid.x, mid.y); break;
    case TMapButton::kUndo: model_.Undo(); break;
    case TMapButton::kRedo: model_.Redo(); break;
    case TMapButton::kSave:
      if (!model_.Save()) ShowMessage(model_.LastError());
      break;
    case TMapButton::kOpen:
      openBrowser_.Open(J("マップを開く"), J("マップ|*.map;*.tmj;*.tmx"), StartFolder(model_));
      break;
    case TMapButton::kNew: {
      std::string dir = StartFolder(model_);
      AskNewMap(dir.empty() ? std::string("new.map") : dir + "/new.map");
      break;
    }
    case TMapButton::kSheet:
      sheetBrowser_.Open(J("シートを選ぶ"), J("bmp/pngファイル|*.bmp;*.png"), StartFolder(model_));
      break;
    case TMapButton::kLayerAdd: Guard([&] { model_.AddLayer(model_.FreeLayerName()); }); break;
    case TMapButton::kLayerRemove: Guard([&] { model_.RemoveLayer(model_.CurrentLayer()); }); break;
    case TMapButton::kLayerRename:
      Guard([&] { model_.RenameLayer(model_.CurrentLayer(), std::string(layerName_)); });
      break;
    case TMapButton::kSolid: model_.ToggleSolid(model_.picked); break;
  }
}

void TMapEditorView::DrawToolbar() {
  const auto& tools = MapTools();
  if (!model_.Loaded()) ImGui::BeginDisabled();
  for (size_t i = 0; i < tools.size(); ++i) {
    ImGui::SetCursorPos(ImVec2(float(L::kToolX + int(i) * L::kToolStep), float(L::kToolY)));
    bool current = model_.tool == tools[i].tool;
    if (current) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
    if (ImGui::Button(tools[i].caption, ImVec2(float(L::kToolW), float(L::kToolH)))) model_.tool = tools[i].tool;
    if (current) ImGui::PopStyleColor();
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%c", tools[i].key);
  }
  if (!model_.Loaded()) ImGui::EndDisabled();
  for (const TMapButtonPlace& p : MapEditorButtons()) {
    if (p.y != L::kToolY) continue;
    bool disabled = !model_.Loaded() && p.button != TMapButton::kOpen && p.button != TMapButton::kNew;
    disabled = disabled || (p.button == TMapButton::kUndo && !model_.CanUndo()) ||
               (p.button == TMapButton::kRedo && !model_.CanRedo());
    if (disabled) ImGui::BeginDisabled();
    if (PlacedButton(p.button)) RunButton(p.button);
    if (disabled) ImGui::EndDisabled();
  }
  ImGui::SetCursorPos(ImVec2(482, 32));
  ImGui::Text("%d%%", int(model_.Zoom() * 100 + 0.5));
}

void TMapEditorView::HandleKeys() {
  ImGuiIO& io = ImGui::GetIO();
  if (io.WantTextInput || !model_.Loaded() || ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId)) return;
  if (io.KeyCtrl) {
    if (ImGui::IsKeyPressed(SDL_SCANCODE_Z, false)) io.KeyShift ? model_.Redo() : model_.Undo();
    if (ImGui::IsKeyPressed(SDL_SCANCODE_Y, false)) model_.Redo();
    if (ImGui::IsKeyPressed(SDL_SCANCODE_S, false)) RunButton(TMapButton::kSave);
    return;
  }
  for (const TMapToolInfo& t : MapTools()) {
    if (ImGui::IsKeyPressed(SDL_SCANCODE_A + (t.key - 'A'), false)) model_.tool = t.tool;
  }
  ImVec2 mid(L::kCanvasW / 2.0f, L::kCanvasH / 2.0f);
  if (ImGui::IsKeyPressed(SDL_SCANCODE_KP_PLUS, false) || ImGui::IsKeyPressed(SDL_SCANCODE_EQUALS, false)) model_.ZoomBy(1, mid.x, mid.y);
  if (ImGui::IsKeyPressed(SDL_SCANCODE_KP_MINUS, false) || ImGui::IsKeyPressed(SDL_SCANCODE_MINUS, false)) model_.ZoomBy(-1, mid.x, mid.y);
}

void TMapEditorView::DrawDialogs() {
  if (askClose_) {
    askClose_ = false;
    ImGui::OpenPopup("保存の確認");
  }
  if (ImGui::BeginPopupModal("保存の確認", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
    ImGui::Text("%s に保存していない変更があります。", PathFileName(model_.Path()).c_str());
    if (ImGui::Button("保存", ImVec2(80, 0))) {
      ImGui::CloseCurrentPopup();
      if (model_.Save()) {
        Hide();
        closed_ = true;
      } else {
        ShowMessage(model_.LastError());
      }
    }
    ImGui::SameLine();
    if (ImGui::Button("破棄", ImVec2(80, 0))) {
      ImGui::CloseCurrentPopup();
      Hide();
      closed_ = true;
    }
    ImGui::SameLine();
    if (ImGui::Button("キャンセル", ImVec2(80, 0))) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
  }
  if (askNew_) {
    askNew_ = false;
    ImGui::OpenPopup("新しいマップ");
  }
  if (ImGui::BeginPopupModal("新しいマップ", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
    ImGui::InputText("ファイル", newPath_, sizeof newPath_);
    ImGui::InputInt("列", &newSize_[0]);
    ImGui::InputInt("行", &newSize_[1]);
    ImGui::InputInt("タイル幅", &newSize_[2]);
    ImGui::InputInt("タイル高さ", &newSize_[3]);
    if (ImGui::Button("OK", ImVec2(80, 0))) {
      ImGui::CloseCurrentPopup();
      Guard([&] { model_.New(newPath_, newSize_[0], newSize_[1], newSize_[2], newSize_[3]); });
    }
    ImGui::SameLine();
    if (ImGui::Button("キャンセル", ImVec2(80, 0))) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
  }
  if (messagePending_) {
    messagePending_ = false;
    ImGui::OpenPopup("マップエディタ##message");
  }
  if (ImGui::BeginPopupModal("マップエディタ##message", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
    ImGui::TextUnformatted(message_.c_str());
    if (ImGui::Button("OK", ImVec2(80, 0))) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
  }
  std::string chosen;
  if (DrawFileBrowser(openBrowser_, chosen) == TBrowserResult::kChosen) Guard([&] { model_.Open(chosen); });
  chosen.clear();
  if (DrawFileBrowser(sheetBrowser_, chosen) == TBrowserResult::kChosen) model_.ChooseSheet(chosen);
}

void TMapEditorView::Draw(bool present) {
  if (!window_ || !shown_) return;
  std::string title = "マップエディタ";
  if (model_.Loaded()) title += " - " + PathFileName(model_.Path()) + (model_.Dirty() ? " *" : "");
  if (title != shownTitle_) {
    shownTitle_ = title;
    SDL_SetWindowTitle(window_, title.c_str());
  }
  model_.Sheet().Refresh();
  layer_->BeginFrame();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImVec2(float(L::kWidth), float(L::kHeight)));
  if (ImGui::Begin("マップエディタ", nullptr,
                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                       ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                       ImGuiWindowFlags_NoBringToFrontOnFocus)) {
    DrawToolbar();
    if (model_.Loaded()) {
      DrawPanel();
      DrawCanvas();
      HandleKeys();
    } else {
      ImGui::SetCursorPos(ImVec2(float(L::kCanvasX), float(L::kCanvasY)));
      ImGui::TextUnformatted("マップがありません。「開く...」か「新規...」を選んでください。");
    }
    DrawDialogs();
  }
  ImGui::End();
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_SetRenderDrawColor(renderer_, 240, 240, 240, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  if (present) Present();
}

void TMapEditorView::Present() {
  if (renderer_) SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
