#include "devui/main_menu_view.h"

#include <imgui.h>

#include <cstring>
#include <string>

#include "devui/file_browser_view.h"
#include "devui/imgui_layer.h"
#include "devui/pattern_window_view.h"
#include "pages/page.h"
#include "platform/cp932.h"
#include "platform/window.h"
#include "screen/design_commands.h"
#include "screen/main_screen.h"

namespace ruvel {

TMainMenuView::TMainMenuView(TMainMenu& menu, TScreen& screen) : menu_(menu), screen_(screen) {
  TWindow& w = screen_.Window();
  layer_ = std::make_unique<TImGuiLayer>(w.Sdl(), w.Renderer());
  titleRects_.resize(MainMenuTitles().size(), SDL_Rect{0, 0, 0, 0});
  w.SetTopInset(kBarHeight);
}

TMainMenuView::~TMainMenuView() {
  if (banner_) SDL_DestroyTexture(banner_);
  screen_.Window().SetTopInset(0);
}

bool TMainMenuView::HandleEvent(SDL_Event& e) {
  if (TImGuiLayer::EventWindow(e) != screen_.Window().Id()) return false;
  int inset = screen_.Window().TopInset();
  switch (e.type) {
    case SDL_MOUSEMOTION:
      layer_->Feed(e);
      if (e.motion.y < inset || wantsMouse_) return true;
      e.motion.y -= inset;
      return false;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      layer_->Feed(e);
      if (e.button.y < inset || wantsMouse_) return true;
      e.button.y -= inset;
      return false;
    case SDL_MOUSEWHEEL:
      layer_->Feed(e);
      return wantsMouse_;
    case SDL_KEYDOWN: {
      layer_->Feed(e);
      if ((e.key.keysym.mod & KMOD_ALT) && !e.key.repeat) {
        int m = menu_.MnemonicMenu(e.key.keysym.scancode);
        if (m >= 0) {
          requestedMenu_ = m;
          return true;
        }
      }
      return false;
    }
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
      layer_->Feed(e);
      return false;
    default:
      return false;
  }
}

bool TMainMenuView::TitleCenter(int menu, int& x, int& y) const {
  if (menu < 0 || static_cast<size_t>(menu) >= titleRects_.size() || titleRects_[menu].w <= 0) return false;
  x = titleRects_[menu].x + titleRects_[menu].w / 2;
  y = titleRects_[menu].y + titleRects_[menu].h / 2;
  return true;
}

TMenuCommand TMainMenuView::TakeCommand() {
  TMenuCommand c = pending_;
  pending_ = TMenuCommand::kNone;
  return c;
}

void TMainMenuView::ShowAbout() {
  about_ = MakeAboutBox();
  if (banner_) SDL_DestroyTexture(banner_);
  banner_ = nullptr;
  if (!about_.bannerFile.empty()) {
    if (SDL_Surface* s = SDL_LoadBMP(about_.bannerFile.c_str())) {
      banner_ = SDL_CreateTextureFromSurface(screen_.Renderer(), s);
      bannerW_ = s->w;
      bannerH_ = s->h;
      SDL_FreeSurface(s);
    }
  }
  aboutShown_ = true;
}

void TMainMenuView::ShowOpenDialog(const std::string& dir) {
  openBrowser_.Open(OpenDialogTitle(), OpenDialogFilter(), dir);
}

void TMainMenuView::OpenObjectPopup(int x, int y) {
  objectPopupRequested_ = true;
  popupX_ = x;
  popupY_ = y;
}

void TMainMenuView::ShowSheetDialog(const std::string& dir) {
  sheetBrowser_.Open(J("シートを開く"), TPatternWindow::FileFilter(), dir);
}

std::string TMainMenuView::TakeSheetToEdit() {
  std::string f = sheetToEdit_;
  sheetToEdit_.clear();
  return f;
}

bool TMainMenuView::TakeAddPattern() {
  bool add = addPattern_;
  addPattern_ = false;
  return add;
}

std::string TMainMenuView::TakeChosenFile() {
  std::string f = chosenFile_;
  chosenFile_.clear();
  return f;
}

void TMainMenuView::DrawItems(int menu) {
  const auto& table = MainMenuTable();
  const char* openSub = nullptr;
  bool subOpen = false;
  for (const TMenuEntry& entry : table) {
    if (entry.menu != menu) continue;
    if (entry.submenu != openSub) {
      if (openSub && subOpen) ImGui::EndMenu();
      openSub = entry.submenu;
      subOpen = openSub && ImGui::BeginMenu(MenuLabel(openSub).c_str());
    }
    if (openSub && !subOpen) continue;
    std::string label = MenuLabel(entry.caption);
    if (ImGui::MenuItem(label.c_str(), entry.key, menu_.Checked(entry.command), menu_.Enabled(entry.command))) {
      pending_ = entry.command;
    }
  }
  if (openSub && subOpen) ImGui::EndMenu();
}

TObjectCommand TMainMenuView::TakeObjectCommand(std::string& cls) {
  TObjectCommand c = objectCommand_;
  cls = objectClass_;
  objectCommand_ = TObjectCommand::kNone;
  objectClass_.clear();
  return c;
}

void TMainMenuView::DrawObjectPopup() {
  TDesignEditor& design = screen_.Design();
  bool selected = TDesignEditor::Selected() != nullptr;
  for (const TObjectPopupEntry& entry : ObjectPopupEntries()) {
    std::string label = MenuLabel(entry.caption);
    const char* key = entry.key[0] ? entry.key : nullptr;
    if (entry.command == TObjectCommand::kNew) {
      // The page's classes; the new object goes where the menu was opened.
      std::vector<std::string> classes = PageClassNames();
      if (ImGui::BeginMenu(label.c_str(), !classes.empty())) {
        for (const std::string& cls : classes) {
          if (ImGui::MenuItem(ToUtf8(cls).c_str())) {
            objectCommand_ = TObjectCommand::kNew;
            objectClass_ = cls;
          }
        }
        ImGui::EndMenu();
      }
      continue;
    }
    bool enabled = false;
    switch (entry.command) {
      case TObjectCommand::kCopy:
      case TObjectCommand::kDelete: enabled = selected; break;
      case TObjectCommand::kUndo: enabled = design.CanUndo(); break;
      case TObjectCommand::kRedo: enabled = design.CanRedo(); break;
      default: break;
    }
    if (ImGui::MenuItem(label.c_str(), key, false, enabled)) objectCommand_ = entry.command;
  }
}

void TMainMenuView::DrawAbout() {
  if (!aboutShown_) return;
  ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x / 2, io.DisplaySize.y / 2), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  if (!ImGui::Begin("アプリケーション情報", &aboutShown_,
                    ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse)) {
    ImGui::End();
    return;
  }
  if (banner_) {
    ImGui::Image(reinterpret_cast<ImTextureID>(banner_), ImVec2(float(bannerW_), float(bannerH_)));
    if (ImGui::IsItemClicked()) pending_ = TMenuCommand::kHomePage;
  }
  ImGui::TextUnformatted(about_.versionLine.c_str());
  ImGui::Separator();
  if (ImGui::BeginTable("about", 2)) {
    for (const auto& [label, value] : about_.fields) {
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(label.c_str());
      ImGui::TableNextColumn();
      std::string text = ToUtf8(value);
      if (std::strcmp(label.c_str(), "Webページアドレス") == 0 && !text.empty()) {
        if (ImGui::Selectable(text.c_str()) && menu_.hooks.openUrl) menu_.hooks.openUrl(about_.web);
      } else {
        ImGui::TextUnformatted(text.c_str());
      }
    }
    ImGui::EndTable();
  }
  if (ImGui::Selectable(MenuLabel("Ruvelホームページ(&T)").c_str())) pending_ = TMenuCommand::kHomePage;
  if (ImGui::Button("OK", ImVec2(80, 0))) aboutShown_ = false;
  ImGui::End();
}

void TMainMenuView::DrawOverlay() {
  TWindow& w = screen_.Window();
  if (w.TopInset() <= 0) return;
  int cw = 0;
  int ch = 0;
  w.Size(cw, ch);
  w.UseWholeWindow();
  layer_->BeginFrame(cw, ch + w.TopInset());
  const auto& titles = MainMenuTitles();
  menuOpen_ = false;
  if (ImGui::BeginMainMenuBar()) {
    for (size_t i = 0; i < titles.size(); ++i) {
      if (titles[i].development && !menu_.DevMenusShown()) continue;
      bool open = ImGui::BeginMenu(MenuLabel(titles[i].caption).c_str());
      ImVec2 lo = ImGui::GetItemRectMin();
      ImVec2 hi = ImGui::GetItemRectMax();
      titleRects_[i] = SDL_Rect{int(lo.x), int(lo.y), int(hi.x - lo.x), int(hi.y - lo.y)};
      if (open) {
        menuOpen_ = true;
        DrawItems(static_cast<int>(i));
        ImGui::EndMenu();
      }
    }
    ImGui::EndMainMenuBar();
  }
  // A menu opened with Alt + its letter drops down under its title.
  if (requestedMenu_ >= 0) {
    keyMenu_ = requestedMenu_;
    requestedMenu_ = -1;
    ImGui::OpenPopup("##keymenu");
  }
  if (keyMenu_ >= 0) {
    const SDL_Rect& r = titleRects_[static_cast<size_t>(keyMenu_)];
    ImGui::SetNextWindowPos(ImVec2(float(r.x), float(r.y + r.h)));
    if (ImGui::BeginPopup("##keymenu")) {
      menuOpen_ = true;
      DrawItems(keyMenu_);
      ImGui::EndPopup();
    } else {
      keyMenu_ = -1;
    }
  }
  if (objectPopupRequested_) {
    objectPopupRequested_ = false;
    ImGui::SetNextWindowPos(ImVec2(float(popupX_), float(popupY_)));
    ImGui::OpenPopup("##object");
  }
  objectPopupOpen_ = false;
  if (ImGui::BeginPopup("##object")) {
    objectPopupOpen_ = true;
    DrawObjectPopup();
    ImGui::EndPopup();
  }
  DrawAbout();
  std::string chosen;
  if (DrawFileBrowser(openBrowser_, chosen) == TBrowserResult::kChosen) chosenFile_ = chosen;
  if (DrawPatternWindow(patterns_, patternBrowser_)) addPattern_ = true;
  if (!patterns_.editRequest.empty()) {
    sheetToEdit_ = patterns_.editRequest;
    patterns_.editRequest.clear();
  }
  if (DrawFileBrowser(sheetBrowser_, chosen) == TBrowserResult::kChosen) sheetToEdit_ = chosen;
  wantsMouse_ = ImGui::GetIO().WantCaptureMouse;
  layer_->EndFrame();
  // Back to the picture's rows for whatever draws next.
  w.Size(cw, ch);
}

}  // namespace ruvel
