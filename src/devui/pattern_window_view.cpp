#include "devui/pattern_window_view.h"

#include <imgui.h>

#include <cstdio>
#include <string>

#include "devui/file_browser.h"
#include "devui/file_browser_view.h"
#include "devui/pattern_window.h"
#include "platform/cp932.h"

namespace ruvel {

bool DrawPatternWindow(TPatternWindow& w, TFileBrowser& browser) {
  if (!w.shown) return false;
  bool add = false;
  ImGui::SetNextWindowSize(ImVec2(420, 280), ImGuiCond_Appearing);
  if (ImGui::Begin("キャラクタパターン", &w.shown, ImGuiWindowFlags_NoCollapse)) {
    float tableHeight = ImGui::GetContentRegionAvail().y - 2 * ImGui::GetFrameHeightWithSpacing();
    if (ImGui::BeginTable("patterns", 2, ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollY | ImGuiTableFlags_Resizable,
                          ImVec2(0, tableHeight > 40 ? tableHeight : 40))) {
      ImGui::TableSetupColumn("name");
      ImGui::TableSetupColumn("src");
      ImGui::TableHeadersRow();
      for (const auto& [name, src] : w.Rows()) {
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(ToUtf8(name).c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(ToUtf8(src).c_str());
      }
      ImGui::EndTable();
    }
    if (ImGui::Button("ファイル...")) browser.Open(J("ファイルを開く"), TPatternWindow::FileFilter(), TPatternWindow::ProjectFolder());
    ImGui::SameLine();
    char name[256];
    std::snprintf(name, sizeof name, "%s", ToUtf8(w.name).c_str());
    ImGui::SetNextItemWidth(200);
    if (ImGui::InputText("##name", name, sizeof name)) w.name = Utf8ToCp932(name);
    ImGui::SameLine();
    if (w.file.empty()) ImGui::BeginDisabled();
    if (ImGui::Button("登録")) add = true;
    if (w.file.empty()) ImGui::EndDisabled();
  }
  ImGui::End();
  std::string chosen;
  if (DrawFileBrowser(browser, chosen) == TBrowserResult::kChosen) w.Pick(chosen);
  return add;
}

}  // namespace ruvel
