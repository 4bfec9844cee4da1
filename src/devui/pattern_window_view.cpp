#include "devui/pattern_window_view.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "devui/file_browser.h"
#include "devui/file_browser_view.h"
#include "devui/pattern_window.h"
#include "platform/cp932.h"
#include "screen/pattern_sheet.h"

namespace ruvel {

namespace {

constexpr float kThumbHeight = 32.0f;
constexpr float kPatternsHeight = 96.0f;
constexpr float kCell = 40.0f;

// The cut patterns of a sheet in a strip, each with its number under it.
void DrawSheetPatterns(const TPatternRow& row, SDL_Renderer* renderer) {
  ImGui::BeginChild("##cut", ImVec2(0, kPatternsHeight - ImGui::GetStyle().ItemSpacing.y), true, ImGuiWindowFlags_HorizontalScrollbar);
  SDL_Texture* texture = row.sheet && renderer ? row.sheet->Texture(renderer) : nullptr;
  if (!texture) {
    ImGui::TextUnformatted("パターンがありません");
    ImGui::EndChild();
    return;
  }
  const auto& elems = row.sheet->Elems();
  float w = float(row.sheet->Width());
  float h = float(row.sheet->Height());
  for (size_t i = 0; i < elems.size(); ++i) {
    const TRect& r = elems[i].rect;
    if (i > 0) ImGui::SameLine();
    ImGui::BeginGroup();
    float scale = std::min(kCell / float(std::max(r.Width(), 1)), kCell / float(std::max(r.Height(), 1)));
    scale = std::min(scale, 2.0f);
    ImGui::Image(reinterpret_cast<ImTextureID>(texture), ImVec2(float(r.Width()) * scale, float(r.Height()) * scale),
                 ImVec2(float(r.left) / w, float(r.top) / h), ImVec2(float(r.right) / w, float(r.bottom) / h));
    ImGui::Text("%d", int(row.first + int32_t(i)));
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s + %zu", ToUtf8(row.name).c_str(), i);
    ImGui::EndGroup();
  }
  ImGui::EndChild();
}

}  // namespace

bool DrawPatternWindow(TPatternWindow& w, TFileBrowser& browser) {
  if (!w.shown) return false;
  bool add = false;
  ImGui::SetNextWindowSize(ImVec2(460, 330), ImGuiCond_Appearing);
  if (ImGui::Begin("キャラクタパターン", &w.shown, ImGuiWindowFlags_NoCollapse)) {
    std::vector<TPatternRow> rows = w.SheetRows();
    if (w.selected >= int(rows.size())) w.selected = -1;
    SDL_Renderer* renderer = PatternRenderer();
    float below = 2 * ImGui::GetFrameHeightWithSpacing() + (w.selected >= 0 ? kPatternsHeight : 0.0f);
    float tableHeight = ImGui::GetContentRegionAvail().y - below;
    if (ImGui::BeginTable("patterns", 3, ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollY | ImGuiTableFlags_Resizable,
                          ImVec2(0, tableHeight > 60 ? tableHeight : 60))) {
      ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed, kThumbHeight * 3);
      ImGui::TableSetupColumn("name");
      ImGui::TableSetupColumn("src");
      ImGui::TableHeadersRow();
      for (size_t i = 0; i < rows.size(); ++i) {
        const TPatternRow& row = rows[i];
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::PushID(int(i));
        // The row is picked by a click and opened in the editor by a double click.
        ImVec2 at = ImGui::GetCursorPos();
        if (ImGui::Selectable("##row", w.selected == int(i), ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowDoubleClick,
                              ImVec2(0, kThumbHeight))) {
          w.selected = int(i);
          if (ImGui::IsMouseDoubleClicked(0)) w.editRequest = row.src;
        }
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("ダブルクリックでパターンエディタを開きます");
        ImGui::SetCursorPos(at);
        SDL_Texture* texture = row.sheet && renderer ? row.sheet->Texture(renderer) : nullptr;
        if (texture && row.sheet->Width() > 0 && row.sheet->Height() > 0) {
          float scale = std::min(kThumbHeight / float(row.sheet->Height()), kThumbHeight * 3 / float(row.sheet->Width()));
          ImGui::Image(reinterpret_cast<ImTextureID>(texture), ImVec2(float(row.sheet->Width()) * scale, float(row.sheet->Height()) * scale));
        }
        ImGui::PopID();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(ToUtf8(row.name).c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(ToUtf8(row.src).c_str());
      }
      ImGui::EndTable();
    }
    if (w.selected >= 0) DrawSheetPatterns(rows[size_t(w.selected)], renderer);
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
