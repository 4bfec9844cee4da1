#include "devui/file_browser_view.h"

#include <imgui.h>

#include <cstdio>

#include "devui/file_browser.h"
#include "platform/cp932.h"

namespace ruvel {

namespace {
// File names are shown as UTF-8 whatever the file system holds.
std::string Shown(const std::string& bytes) { return LooksLikeUtf8(bytes) ? bytes : ToUtf8(bytes); }
}  // namespace

TBrowserResult DrawFileBrowser(TFileBrowser& b, std::string& chosen) {
  if (!b.shown) return TBrowserResult::kNone;
  TBrowserResult result = TBrowserResult::kNone;
  ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x / 2, io.DisplaySize.y / 2), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(480, 340), ImGuiCond_Appearing);
  std::string title = ToUtf8(b.title) + "###filebrowser";
  bool open = true;
  if (ImGui::Begin(title.c_str(), &open, ImGuiWindowFlags_NoCollapse)) {
    std::string dir = Shown(b.dir);
    ImGui::TextUnformatted(dir.c_str());
    float listHeight = ImGui::GetContentRegionAvail().y - 2 * ImGui::GetFrameHeightWithSpacing();
    int activated = -1;
    if (ImGui::BeginChild("entries", ImVec2(0, listHeight > 40 ? listHeight : 40), true)) {
      for (size_t i = 0; i < b.entries.size(); ++i) {
        const auto& e = b.entries[i];
        std::string label = (e.directory ? "[" + Shown(e.name) + "]" : Shown(e.name)) + "##" + std::to_string(i);
        bool selected = !e.directory && e.name == b.fileName;
        if (ImGui::Selectable(label.c_str(), selected, ImGuiSelectableFlags_AllowDoubleClick)) {
          activated = static_cast<int>(i);
          if (!e.directory && ImGui::IsMouseDoubleClicked(0)) result = TBrowserResult::kChosen;
        }
      }
    }
    ImGui::EndChild();
    if (activated >= 0) b.Activate(static_cast<size_t>(activated));
    char name[512];
    std::snprintf(name, sizeof name, "%s", Shown(b.fileName).c_str());
    ImGui::SetNextItemWidth(260);
    bool enter = ImGui::InputText("##name", name, sizeof name, ImGuiInputTextFlags_EnterReturnsTrue);
    if (ImGui::IsItemEdited()) b.fileName = name;
    if (enter) result = TBrowserResult::kChosen;
    ImGui::SameLine();
    if (!b.filters.empty()) {
      std::string current = ToUtf8(b.filters[static_cast<size_t>(b.filterIndex)].description);
      ImGui::SetNextItemWidth(-1);
      if (ImGui::BeginCombo("##filter", current.c_str())) {
        for (size_t i = 0; i < b.filters.size(); ++i) {
          std::string d = ToUtf8(b.filters[i].description);
          if (ImGui::Selectable(d.c_str(), int(i) == b.filterIndex)) b.SelectFilter(static_cast<int>(i));
        }
        ImGui::EndCombo();
      }
    }
    if (ImGui::Button("OK", ImVec2(80, 0))) result = TBrowserResult::kChosen;
    ImGui::SameLine();
    if (ImGui::Button("キャンセル", ImVec2(80, 0))) result = TBrowserResult::kCancelled;
  }
  ImGui::End();
  if (!open) result = TBrowserResult::kCancelled;
  if (result == TBrowserResult::kChosen) {
    chosen = b.Choose();
    // A folder typed or picked is entered; the dialog stays.
    if (chosen.empty()) return TBrowserResult::kNone;
    b.Close();
  } else if (result == TBrowserResult::kCancelled) {
    b.Close();
  }
  return result;
}

}  // namespace ruvel
