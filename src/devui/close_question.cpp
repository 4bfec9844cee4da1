#include "devui/close_question.h"

#include <imgui.h>

#include <SDL.h>

#include "platform/cp932.h"
#include "platform/paths.h"

namespace ruvel {

namespace {
constexpr const char* kTitle = "変更を保存しますか";
}  // namespace

TCloseAnswer AskSaveChanges(bool& ask, const std::string& path, const std::function<bool()>& save,
                            const std::function<void()>& close) {
  if (ask) {
    ask = false;
    ImGui::OpenPopup(kTitle);
  }
  if (!ImGui::BeginPopupModal(kTitle, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return TCloseAnswer::kNone;
  ImGui::Text("%s は変更されています。", ToUtf8(PathFileName(path)).c_str());
  // S and D answer only without Ctrl, so Ctrl+S in the editor is not taken
  // for an answer; Esc goes back to the editor.
  bool keys = !ImGui::GetIO().KeyCtrl;
  bool saving = ImGui::Button("保存 (S)") || (keys && ImGui::IsKeyPressed(SDL_SCANCODE_S, false));
  ImGui::SameLine();
  bool discard = ImGui::Button("破棄 (D)") || (keys && ImGui::IsKeyPressed(SDL_SCANCODE_D, false));
  ImGui::SameLine();
  bool cancel = ImGui::Button("キャンセル (Esc)") || ImGui::IsKeyPressed(SDL_SCANCODE_ESCAPE, false);
  if (saving) {
    if (save()) close();
  } else if (discard) {
    close();
  }
  if (saving || discard || cancel) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
  return saving ? TCloseAnswer::kSave : discard ? TCloseAnswer::kDiscard : cancel ? TCloseAnswer::kCancel : TCloseAnswer::kNone;
}

}  // namespace ruvel
