// The map editor's left panel: the sheet, the layer list with its
// buttons, the tile palette cut from the sheet and the solid toggle.
#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "assetedit/map_editor.h"
#include "devui/map_editor_view.h"
#include "devui/pattern_window.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace ruvel {

using L = TMapEditorLayout;

namespace {

// The sheets to offer: the page's registered pattern sheets (by their
// names), then the BMP and PNG files in the project's folder and in its
// "images" folder. Pairs of label (UTF-8) and file.
std::vector<std::pair<std::string, std::string>> ProjectSheets() {
  std::vector<std::pair<std::string, std::string>> sheets;
  std::set<std::string> seen;
  for (const auto& [name, src] : TPatternWindow().Rows()) {
    if (!src.empty() && seen.insert(src).second) sheets.emplace_back(ToUtf8(name) + " (" + PathFileName(src) + ")", src);
  }
  std::string dir = ProjectDir();
  if (dir.empty()) return sheets;
  std::vector<std::string> files;
  for (const std::string& d : {dir, dir + "/images"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(d, ec)) {
      std::string ext = e.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      if (e.is_regular_file(ec) && (ext == ".bmp" || ext == ".png")) files.push_back(e.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  for (const std::string& f : files) {
    if (seen.insert(f).second) sheets.emplace_back(PathRelative(f, dir), f);
  }
  return sheets;
}

}  // namespace

void TMapEditorView::DrawPanel() {
  if (PlacedButton(TMapButton::kSheet)) RunButton(TMapButton::kSheet);
  ImGui::SetCursorPos(ImVec2(116, 60));
  ImGui::SetNextItemWidth(116);
  if (ImGui::BeginCombo("##sheets", "プロジェクト")) {
    for (const auto& [label, file] : ProjectSheets()) {
      if (ImGui::Selectable(label.c_str())) model_.ChooseSheet(file);
    }
    ImGui::EndCombo();
  }
  ImGui::SetCursorPos(ImVec2(8, 86));
  const std::string& sheetLine = model_.Map().Sheet();
  if (!model_.Sheet().Error().empty()) {
    ImGui::TextColored(ImVec4(0.8f, 0, 0, 1), "%s", model_.Sheet().Error().c_str());
  } else {
    ImGui::Text("%s", sheetLine.empty() ? "(シートなし)" : sheetLine.c_str());
  }
  ImGui::SetCursorPos(ImVec2(8, 108));
  ImGui::TextUnformatted("レイヤー");
  DrawLayers();
  for (TMapButton b : {TMapButton::kLayerAdd, TMapButton::kLayerRemove, TMapButton::kLayerRename}) {
    if (PlacedButton(b)) RunButton(b);
  }
  ImGui::SetCursorPos(ImVec2(8, 278));
  ImGui::SetNextItemWidth(224);
  ImGui::InputTextWithHint("##layername", "新しい名前", layerName_, sizeof layerName_);
  ImGui::SetCursorPos(ImVec2(8, 306));
  ImGui::Text("タイル %d  (%d 個)", model_.picked, model_.Sheet().TileCount());
  DrawPalette();
  if (PlacedButton(TMapButton::kSolid)) RunButton(TMapButton::kSolid);
  ImGui::SetCursorPos(ImVec2(8, 590));
  ImGui::Checkbox("固さ", &showSolid_);
  ImGui::SameLine();
  ImGui::Checkbox("グリッド", &showGrid_);
  ImGui::SetCursorPos(ImVec2(8, 614));
  if (hoverCol_ >= 0) {
    ImGui::Text("(%d, %d) = %d", hoverCol_, hoverRow_, model_.Map().Get(hoverCol_, hoverRow_));
  } else {
    ImGui::Text("%d x %d, %d x %d px", model_.Map().Columns(), model_.Map().Rows(), model_.Map().TileWidth(),
                model_.Map().TileHeight());
  }
}

void TMapEditorView::DrawLayers() {
  ImGui::SetCursorPos(ImVec2(float(L::kLayersX), float(L::kLayersY)));
  if (ImGui::BeginChild("layers", ImVec2(float(L::kLayersW), float(L::kLayersH)), true)) {
    const auto& layers = model_.Map().Layers();
    for (int32_t i = 0; i < int32_t(layers.size()); ++i) {
      ImGui::PushID(i);
      bool shown = model_.LayerShown(i);
      if (ImGui::Checkbox("##shown", &shown)) model_.ShowLayer(i, shown);
      ImGui::SameLine();
      if (ImGui::Selectable(ToUtf8(layers[size_t(i)].name).c_str(), i == model_.CurrentLayer())) {
        model_.SelectLayer(i);
        std::snprintf(layerName_, sizeof layerName_, "%s", ToUtf8(layers[size_t(i)].name).c_str());
      }
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
}

void TMapEditorView::DrawPalette() {
  ImGui::SetCursorPos(ImVec2(float(L::kPaletteX), float(L::kPaletteY)));
  if (ImGui::BeginChild("palette", ImVec2(float(L::kPaletteW), float(L::kPaletteH)), false)) {
    TMapSheet& sheet = model_.Sheet();
    SDL_Texture* tex = sheet.Rects() ? sheet.Rects()->Texture(renderer_) : nullptr;
    ImDrawList* dl = ImGui::GetWindowDrawList();
    int32_t count = sheet.TileCount();
    for (int32_t n = 0; n < count; ++n) {
      ImGui::SetCursorPos(ImVec2(float((n % L::kPaletteColumns) * L::kPaletteStep),
                                 float((n / L::kPaletteColumns) * L::kPaletteStep)));
      ImGui::PushID(n);
      if (ImGui::InvisibleButton("tile", ImVec2(float(L::kPaletteCell), float(L::kPaletteCell)))) model_.picked = n;
      ImGui::PopID();
      ImVec2 lo = ImGui::GetItemRectMin();
      ImVec2 hi = ImGui::GetItemRectMax();
      TRect r;
      if (tex && sheet.TileRect(n, r)) {
        // Fitted into the cell, keeping the tile's proportions.
        float scale = std::min(float(L::kPaletteCell) / float(std::max(1, r.Width())),
                               float(L::kPaletteCell) / float(std::max(1, r.Height())));
        ImVec2 size(float(r.Width()) * scale, float(r.Height()) * scale);
        float sw = float(sheet.Rects()->Width());
        float sh = float(sheet.Rects()->Height());
        dl->AddImage(reinterpret_cast<ImTextureID>(tex), lo, ImVec2(lo.x + size.x, lo.y + size.y),
                     ImVec2(float(r.left) / sw, float(r.top) / sh), ImVec2(float(r.right) / sw, float(r.bottom) / sh));
      }
      if (model_.Map().IsSolid(n)) dl->AddRect(lo, hi, IM_COL32(220, 0, 0, 255), 0, 0, 2);
      if (n == model_.picked) dl->AddRect(ImVec2(lo.x - 2, lo.y - 2), ImVec2(hi.x + 2, hi.y + 2), IM_COL32(0, 90, 255, 255), 0, 0, 2);
    }
  }
  ImGui::EndChild();
}

}  // namespace ruvel
