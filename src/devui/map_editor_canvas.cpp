// The map editor's view of the map: the visible cells of every shown
// layer drawn with the sheet's tiles into a texture, the grid and the solid
// overlay over them, scroll bars, and the mouse on it (tools, pan with the
// middle button or space + drag, zoom with the wheel).
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>

#include "assetedit/map_editor.h"
#include "devui/map_editor_view.h"

namespace ruvel {

using L = TMapEditorLayout;

void TMapEditorView::RenderMap(int w, int h) {
  if (!canvas_ || canvasW_ != w || canvasH_ != h) {
    if (canvas_) SDL_DestroyTexture(canvas_);
    canvas_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    canvasW_ = w;
    canvasH_ = h;
  }
  if (!canvas_ || SDL_SetRenderTarget(renderer_, canvas_) != 0) return;
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(renderer_, 96, 96, 104, 255);
  SDL_RenderClear(renderer_);
  const TTileMap& map = model_.Map();
  double z = model_.Zoom();
  double tw = map.TileWidth() * z;
  double th = map.TileHeight() * z;
  // The map's own area, then only the cells that fall inside the view.
  SDL_Rect area{int(-model_.panX), int(-model_.panY), int(map.Columns() * tw), int(map.Rows() * th)};
  SDL_SetRenderDrawColor(renderer_, 200, 200, 208, 255);
  SDL_RenderFillRect(renderer_, &area);
  int32_t c0 = std::max(0, int32_t(std::floor(model_.panX / tw)));
  int32_t r0 = std::max(0, int32_t(std::floor(model_.panY / th)));
  int32_t c1 = std::min(map.Columns() - 1, int32_t(std::floor((model_.panX + w) / tw)));
  int32_t r1 = std::min(map.Rows() - 1, int32_t(std::floor((model_.panY + h) / th)));
  TMapSheet& sheet = model_.Sheet();
  SDL_Texture* tex = sheet.Rects() ? sheet.Rects()->Texture(renderer_) : nullptr;
  // Cells land on whole pixels: each edge is rounded on its own, so
  // neighbouring cells meet without gaps at any zoom.
  auto cellRect = [&](int32_t col, int32_t row) {
    int x0 = int(std::lround(col * tw - model_.panX));
    int y0 = int(std::lround(row * th - model_.panY));
    int x1 = int(std::lround((col + 1) * tw - model_.panX));
    int y1 = int(std::lround((row + 1) * th - model_.panY));
    return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
  };
  for (int32_t li = 0; li < int32_t(map.Layers().size()); ++li) {
    if (!model_.LayerShown(li)) continue;
    for (int32_t row = r0; row <= r1; ++row) {
      for (int32_t col = c0; col <= c1; ++col) {
        int32_t tile = map.GetIn(li, col, row);
        if (tile < 0) continue;
        SDL_Rect dst = cellRect(col, row);
        TRect r;
        if (tex && sheet.TileRect(tile, r)) {
          SDL_Rect src{r.left, r.top, r.Width(), r.Height()};
          SDL_RenderCopy(renderer_, tex, &src, &dst);
        } else {
          // A tile past the sheet's patterns: a marked cell.
          SDL_SetRenderDrawColor(renderer_, 255, 0, 255, 160);
          SDL_RenderFillRect(renderer_, &dst);
        }
      }
    }
  }
  if (showSolid_) {
    // Solid is a property of the tile number: marked on every shown layer.
    auto solidAt = [&](int32_t col, int32_t row) {
      for (int32_t li = 0; li < int32_t(map.Layers().size()); ++li) {
        int32_t tile = map.GetIn(li, col, row);
        if (model_.LayerShown(li) && tile >= 0 && map.IsSolid(tile)) return true;
      }
      return false;
    };
    for (int32_t row = r0; row <= r1; ++row) {
      for (int32_t col = c0; col <= c1; ++col) {
        if (solidAt(col, row)) {
          SDL_Rect dst = cellRect(col, row);
          SDL_SetRenderDrawColor(renderer_, 255, 0, 0, 80);
          SDL_RenderFillRect(renderer_, &dst);
          SDL_SetRenderDrawColor(renderer_, 255, 0, 0, 255);
          SDL_RenderDrawRect(renderer_, &dst);
        }
      }
    }
  }
  if (showGrid_ && tw >= 4 && th >= 4) {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 60);
    int bottom = int(std::min<double>(h, (r1 + 1) * th - model_.panY));
    int right = int(std::min<double>(w, (c1 + 1) * tw - model_.panX));
    for (int32_t col = c0; col <= c1 + 1; ++col) {
      int x = int(std::lround(col * tw - model_.panX));
      SDL_RenderDrawLine(renderer_, x, std::max(area.y, 0), x, bottom);
    }
    for (int32_t row = r0; row <= r1 + 1; ++row) {
      int y = int(std::lround(row * th - model_.panY));
      SDL_RenderDrawLine(renderer_, std::max(area.x, 0), y, right, y);
    }
  }
  if (hoverCol_ >= 0) {
    SDL_Rect dst = cellRect(hoverCol_, hoverRow_);
    SDL_SetRenderDrawColor(renderer_, 0, 90, 255, 255);
    SDL_RenderDrawRect(renderer_, &dst);
  }
  SDL_SetRenderTarget(renderer_, nullptr);
}

void TMapEditorView::HandleCanvasInput(bool hovered, bool active) {
  ImGuiIO& io = ImGui::GetIO();
  double vx = io.MousePos.x - L::kCanvasX;
  double vy = io.MousePos.y - L::kCanvasY;
  hoverCol_ = hoverRow_ = -1;
  int32_t col = 0;
  int32_t row = 0;
  bool inside = model_.CellAt(vx, vy, col, row);
  if (hovered && inside) {
    hoverCol_ = col;
    hoverRow_ = row;
  }
  if (hovered && io.MouseWheel != 0) model_.ZoomBy(io.MouseWheel > 0 ? 1 : -1, vx, vy);
  bool space = ImGui::IsKeyDown(SDL_SCANCODE_SPACE);
  // Panning: the middle button, or the left one with space held.
  if (hovered && (ImGui::IsMouseClicked(ImGuiMouseButton_Middle) || (space && ImGui::IsMouseClicked(ImGuiMouseButton_Left)))) {
    panning_ = true;
    panFromX_ = io.MousePos.x;
    panFromY_ = io.MousePos.y;
  }
  if (panning_) {
    if (ImGui::IsMouseDown(ImGuiMouseButton_Middle) || ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
      model_.PanBy(panFromX_ - io.MousePos.x, panFromY_ - io.MousePos.y);
      panFromX_ = io.MousePos.x;
      panFromY_ = io.MousePos.y;
    } else {
      panning_ = false;
    }
    return;
  }
  if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) Guard([&] { model_.Press(col, row); });
  if (model_.Stroking()) {
    if (active && ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
      model_.Drag(col, row);
    } else {
      model_.Release();
    }
  }
}

void TMapEditorView::DrawCanvas() {
  const TTileMap& map = model_.Map();
  double z = model_.Zoom();
  // The pan stays within the map (nothing to scroll when it fits).
  double maxX = std::max(0.0, map.Columns() * map.TileWidth() * z - L::kCanvasW);
  double maxY = std::max(0.0, map.Rows() * map.TileHeight() * z - L::kCanvasH);
  model_.panX = std::clamp(model_.panX, 0.0, maxX);
  model_.panY = std::clamp(model_.panY, 0.0, maxY);
  ImGui::SetCursorPos(ImVec2(float(L::kCanvasX), float(L::kCanvasY)));
  ImGui::InvisibleButton("canvas", ImVec2(float(L::kCanvasW), float(L::kCanvasH)),
                         ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonMiddle);
  bool hovered = ImGui::IsItemHovered();
  bool active = ImGui::IsItemActive();
  HandleCanvasInput(hovered, active);
  RenderMap(L::kCanvasW, L::kCanvasH);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  ImVec2 lo{float(L::kCanvasX), float(L::kCanvasY)};
  ImVec2 hi(float(L::kCanvasX + L::kCanvasW), float(L::kCanvasY + L::kCanvasH));
  if (canvas_) dl->AddImage(reinterpret_cast<ImTextureID>(canvas_), lo, hi);
  // Scroll bars along the right and bottom edges, when the map is larger.
  ImS64 sx = ImS64(model_.panX);
  ImS64 sy = ImS64(model_.panY);
  ImRect hbar(ImVec2(lo.x, hi.y), ImVec2(hi.x, hi.y + L::kScrollBar));
  ImRect vbar(ImVec2(hi.x, lo.y), ImVec2(hi.x + L::kScrollBar, hi.y));
  ImS64 contentW = ImS64(map.Columns() * map.TileWidth() * z);
  ImS64 contentH = ImS64(map.Rows() * map.TileHeight() * z);
  if (contentW > L::kCanvasW && ImGui::ScrollbarEx(hbar, ImGui::GetID("hscroll"), ImGuiAxis_X, &sx, L::kCanvasW, std::max<ImS64>(contentW, L::kCanvasW),
                         ImDrawFlags_None)) {
    model_.panX = double(sx);
  }
  if (contentH > L::kCanvasH && ImGui::ScrollbarEx(vbar, ImGui::GetID("vscroll"), ImGuiAxis_Y, &sy, L::kCanvasH, std::max<ImS64>(contentH, L::kCanvasH),
                         ImDrawFlags_None)) {
    model_.panY = double(sy);
  }
}

}  // namespace ruvel
