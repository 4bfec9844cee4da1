#include "devui/pattern_editor_view.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "assetedit/sheet_registry.h"
#include "devui/close_question.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"

namespace ruvel {

namespace {

struct TCommandInfo {
  TSheetCommand command;
  const char* caption;
  SDL_Scancode key;
  bool ctrl;
};

const std::vector<TCommandInfo>& Commands() {
  static const std::vector<TCommandInfo> table = {
#define RUVEL_SHEET_COMMAND_ROW(id, caption, key, ctrl) {TSheetCommand::id, caption, key, ctrl},
      RUVEL_SHEET_COMMANDS(RUVEL_SHEET_COMMAND_ROW)
#undef RUVEL_SHEET_COMMAND_ROW
  };
  return table;
}

const char* CommandCaption(TSheetCommand c) {
  for (const TCommandInfo& info : Commands()) {
    if (info.command == c) return info.caption;
  }
  return "";
}

ImVec4 ToImColor(uint32_t rgb) {
  return ImVec4(float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f, float(rgb & 0xFF) / 255.0f, 1.0f);
}

uint32_t FromFloats(const float c[3]) {
  auto byte = [](float f) { return uint32_t(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f); };
  return (byte(c[0]) << 16) | (byte(c[1]) << 8) | byte(c[2]);
}

// Key-colour pixels inside patterns as a grey checkerboard, everything
// else opaque, ready for a texture.
std::vector<uint32_t> DisplayPixels(const TSheetEditor& e) {
  const TPixelImage& image = e.Image();
  std::vector<uint32_t> px = KeyedPixels(image, e.Cut().elems);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t& p = px[size_t(y) * size_t(image.width) + size_t(x)];
      if ((p >> 24) == 0) p = ((x + y) & 1) ? 0xFFC8C8C8 : 0xFFF0F0F0;
      else p |= 0xFF000000;
    }
  }
  return px;
}

constexpr float kPanelWidth = 270.0f;
constexpr int kMaxZoom = 16;

}  // namespace

bool TPatternEditorView::Open(const std::string& path) {
  try {
    editor.Open(path);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return false;
  }
  shown = true;
  FindRegistration();
  previewPattern_ = 0;
  animFirst_ = 0;
  animLast_ = std::max(0, int(editor.Cut().elems.size()) - 1);
  status_.clear();
  return true;
}

void TPatternEditorView::ReleaseTexture() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  textureRenderer_ = nullptr;
}

void TPatternEditorView::UpdateTexture(SDL_Renderer* renderer) {
  const TPixelImage& image = editor.Image();
  if (texture_ && textureRenderer_ == renderer && textureVersion_ == editor.Version()) return;
  int tw = 0;
  int th = 0;
  if (texture_ && (textureRenderer_ != renderer || SDL_QueryTexture(texture_, nullptr, nullptr, &tw, &th) != 0 ||
                   tw != image.width || th != image.height)) {
    ReleaseTexture();
  }
  if (!texture_) {
    texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, image.width, image.height);
    textureRenderer_ = renderer;
    if (!texture_) return;
  }
  std::vector<uint32_t> px = DisplayPixels(editor);
  SDL_UpdateTexture(texture_, nullptr, px.data(), image.width * 4);
  textureVersion_ = editor.Version();
}

void TPatternEditorView::FindRegistration() {
  std::string name;
  int32_t first = -1;
  if (!FindSheetRegistration(editor.Path(), name, first)) {
    // No page loaded: the project's pages (or those beside the sheet's
    // folder) still tell the global a script writes.
    name.clear();
    std::string folder = PathParent(editor.Path());
    for (const std::string& pages : {projectDir, folder, PathParent(folder)}) {
      if (!pages.empty() && FindSheetInPages(pages, editor.Path(), name)) break;
    }
  }
  editor.SetRegistration(name, first);
}

bool TPatternEditorView::SaveNow() {
  std::string error;
  if (!editor.Save(error)) {
    status_ = ToUtf8(error);
    ShowMessage(error);
    return false;
  }
  status_ = "保存しました";
  if (saved) saved(editor.Path());
  FindRegistration();
  return true;
}

bool TPatternEditorView::Run(TSheetCommand c) {
  switch (c) {
    case TSheetCommand::kUndo: return editor.Undo();
    case TSheetCommand::kRedo: return editor.Redo();
    case TSheetCommand::kSave: return SaveNow();
    case TSheetCommand::kCopy: return editor.Copy();
    case TSheetCommand::kPaste: return editor.Paste();
    case TSheetCommand::kFlipH: return editor.Flip(true);
    case TSheetCommand::kFlipV: return editor.Flip(false);
    case TSheetCommand::kTurn: return editor.Turn();
    case TSheetCommand::kNewPattern: {
      int index = editor.NewPattern();
      if (index < 0) {
        status_ = "選択範囲の外側に枠を描けません";
        return false;
      }
      status_ = "新しいパターン: " + ToUtf8(editor.NumberText(index));
      previewPattern_ = index;
      return true;
    }
    case TSheetCommand::kZoomIn: zoom = std::min(kMaxZoom, zoom * 2); return true;
    case TSheetCommand::kZoomOut: zoom = std::max(1, zoom / 2); return true;
    case TSheetCommand::kClose: RequestClose(); return true;
  }
  return false;
}

void TPatternEditorView::RequestClose() {
  if (editor.Dirty()) askClose_ = true;
  else shown = false;
}

void TPatternEditorView::HandleKeys() {
  ImGuiIO& io = ImGui::GetIO();
  if (io.WantTextInput || !ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) return;
  for (const TCommandInfo& info : Commands()) {
    if (io.KeyCtrl == info.ctrl && ImGui::IsKeyPressed(info.key, false)) Run(info.command);
  }
  if (io.KeyCtrl) return;
  for (const TSheetToolInfo& t : SheetTools()) {
    if (ImGui::IsKeyPressed(SDL_SCANCODE_A + (t.key - 'A'), false)) editor.tool = t.tool;
  }
}

void TPatternEditorView::Draw(SDL_Renderer* renderer, bool fill) {
  if (!shown || !editor.Loaded()) return;
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoScrollbar;
  if (fill) {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    flags |= ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoBringToFrontOnFocus;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  } else {
    ImGui::SetNextWindowSize(ImVec2(900, 560), ImGuiCond_Appearing);
  }
  std::string title = std::string("パターンエディタ - ") + ToUtf8(PathFileName(editor.Path())) + (editor.Dirty() ? " *" : "") +
                      "###パターンエディタ";
  bool open = true;
  bool visible = ImGui::Begin(title.c_str(), fill ? nullptr : &open, flags);
  if (fill) ImGui::PopStyleVar();
  if (visible) {
    HandleKeys();
    UpdateTexture(renderer);
    DrawCanvas(renderer);
    ImGui::SameLine();
    DrawPanel();
    DrawNewSheetPopup();
    DrawClosePopup();
  }
  ImGui::End();
  if (!open) RequestClose();
}

void TPatternEditorView::DrawCanvas(SDL_Renderer*) {
  ImVec2 avail = ImGui::GetContentRegionAvail();
  ImGui::BeginChild("##canvas", ImVec2(std::max(100.0f, avail.x - kPanelWidth), 0), false,
                    ImGuiWindowFlags_HorizontalScrollbar);
  const TPixelImage& image = editor.Image();
  const float z = float(zoom);
  ImVec2 origin = ImGui::GetCursorScreenPos();
  ImVec2 size(float(image.width) * z, float(image.height) * z);
  ImGui::InvisibleButton("##sheet", size);
  // The pointer in sheet pixels (floor, also left of or above the sheet).
  ImVec2 m = ImGui::GetIO().MousePos;
  auto px = int32_t(std::floor((m.x - origin.x) / z));
  auto py = int32_t(std::floor((m.y - origin.y) / z));
  if (ImGui::IsItemActivated()) {
    editor.Press(px, py);
    int at = editor.PatternAt(px, py);
    if (at >= 0) previewPattern_ = at;
  } else if (ImGui::IsItemActive()) {
    editor.Drag(px, py);
  }
  if (ImGui::IsItemDeactivated()) editor.Release(px, py);
  hoverPattern_ = ImGui::IsItemHovered() ? editor.PatternAt(px, py) : -1;

  ImDrawList* dl = ImGui::GetWindowDrawList();
  if (texture_) dl->AddImage(reinterpret_cast<ImTextureID>(texture_), origin, ImVec2(origin.x + size.x, origin.y + size.y));
  // The grid over the visible part only.
  if (zoom >= 4) {
    ImVec2 clipMin = ImGui::GetWindowPos();
    ImVec2 clipMax(clipMin.x + ImGui::GetWindowWidth(), clipMin.y + ImGui::GetWindowHeight());
    int x0 = std::max(0, int((clipMin.x - origin.x) / z));
    int x1 = std::min(image.width, int((clipMax.x - origin.x) / z) + 1);
    int y0 = std::max(0, int((clipMin.y - origin.y) / z));
    int y1 = std::min(image.height, int((clipMax.y - origin.y) / z) + 1);
    ImU32 grid = IM_COL32(128, 128, 128, 70);
    for (int x = x0; x <= x1; ++x) {
      dl->AddLine(ImVec2(origin.x + float(x) * z, origin.y + float(y0) * z), ImVec2(origin.x + float(x) * z, origin.y + float(y1) * z), grid);
    }
    for (int y = y0; y <= y1; ++y) {
      dl->AddLine(ImVec2(origin.x + float(x0) * z, origin.y + float(y) * z), ImVec2(origin.x + float(x1) * z, origin.y + float(y) * z), grid);
    }
  }
  auto box = [&](const TRect& r, ImU32 colour, float thickness) {
    dl->AddRect(ImVec2(origin.x + float(r.left) * z, origin.y + float(r.top) * z),
                ImVec2(origin.x + float(r.right) * z, origin.y + float(r.bottom) * z), colour, 0.0f, 0, thickness);
  };
  const auto& elems = editor.Cut().elems;
  for (size_t i = 0; i < elems.size(); ++i) {
    const TRect& r = elems[i].rect;
    bool hot = int(i) == hoverPattern_;
    box(TRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, hot ? IM_COL32(255, 140, 0, 255) : IM_COL32(0, 160, 255, 200),
        hot ? 2.0f : 1.0f);
  }
  if (editor.Selection()) box(*editor.Selection(), IM_COL32(255, 0, 200, 255), 2.0f);
  if (hoverPattern_ >= 0) {
    const TRect& r = elems[size_t(hoverPattern_)].rect;
    ImGui::SetTooltip("%s  (%dx%d)", ToUtf8(editor.NumberText(hoverPattern_)).c_str(), r.Width(), r.Height());
  }
  ImGui::EndChild();
}

void TPatternEditorView::DrawPanel() {
  ImGui::BeginChild("##panel", ImVec2(0, 0), true);
  int column = 0;
  for (const TSheetToolInfo& t : SheetTools()) {
    std::string label = std::string(t.caption) + " (" + t.key + ")";
    if (column++ % 2) ImGui::SameLine(kPanelWidth / 2);
    if (ImGui::RadioButton(label.c_str(), editor.tool == t.tool)) editor.tool = t.tool;
  }
  ImGui::Separator();
  float c[3];
  ImVec4 picked = ToImColor(editor.color);
  c[0] = picked.x;
  c[1] = picked.y;
  c[2] = picked.z;
  if (ImGui::ColorEdit3("色", c, ImGuiColorEditFlags_NoAlpha)) editor.color = FromFloats(c);
  const auto& palette = editor.Palette();
  for (size_t i = 0; i < palette.size(); ++i) {
    if (i % 8) ImGui::SameLine();
    char id[64];
    std::snprintf(id, sizeof id, "#%06X##pal%zu", palette[i], i);
    if (ImGui::ColorButton(id, ToImColor(palette[i]), ImGuiColorEditFlags_NoAlpha, ImVec2(22, 22))) editor.color = palette[i];
  }
  ImGui::Separator();
  int n = 0;
  for (const TCommandInfo& info : Commands()) {
    if (info.command == TSheetCommand::kSave || info.command == TSheetCommand::kZoomIn || info.command == TSheetCommand::kZoomOut ||
        info.command == TSheetCommand::kClose)
      continue;
    if (n++ % 3) ImGui::SameLine();
    if (ImGui::Button(info.caption)) Run(info.command);
  }
  if (editor.Selection()) {
    // Cut on a trial copy, so only again when the pixels or the selection changed.
    if (!(*editor.Selection() == nextFor_) || nextVersion_ != editor.Version()) {
      nextFor_ = *editor.Selection();
      nextVersion_ = editor.Version();
      nextIndex_ = editor.NewPatternIndex(nextFor_);
    }
    // A selection that already is a pattern's inside shows that pattern's number.
    int existing = editor.PatternAt(nextFor_.left, nextFor_.top);
    if (existing >= 0 && editor.Cut().elems[size_t(existing)].rect == nextFor_) {
      ImGui::Text("このパターンの番号: %s", ToUtf8(editor.NumberText(existing)).c_str());
    } else if (nextIndex_ >= 0) {
      ImGui::Text("新しいパターンの番号: %s", ToUtf8(editor.NumberText(nextIndex_)).c_str());
    }
  }
  ImGui::Separator();
  if (ImGui::Button("-")) Run(TSheetCommand::kZoomOut);
  ImGui::SameLine();
  ImGui::Text("%dx", zoom);
  ImGui::SameLine();
  if (ImGui::Button("+")) Run(TSheetCommand::kZoomIn);
  ImGui::SameLine();
  if (ImGui::Button(CommandCaption(TSheetCommand::kSave))) Run(TSheetCommand::kSave);
  ImGui::SameLine();
  if (ImGui::Button("新しいシート...")) askNewSheet_ = true;
  ImGui::Text("パターン %zu 個%s", editor.Cut().elems.size(), editor.Cut().cutOk ? "" : " (枠を切り出せません)");
  if (!status_.empty()) ImGui::TextWrapped("%s", status_.c_str());
  ImGui::Separator();
  DrawPreview();
  ImGui::EndChild();
}

void TPatternEditorView::DrawPreview() {
  const auto& elems = editor.Cut().elems;
  if (elems.empty() || !texture_) return;
  int last = int(elems.size()) - 1;
  ImGui::SetNextItemWidth(100);
  ImGui::InputInt("プレビュー", &previewPattern_);
  previewPattern_ = std::clamp(previewPattern_, 0, last);
  const TPixelImage& image = editor.Image();
  auto show = [&](int index, float scale) {
    const TRect& r = elems[size_t(index)].rect;
    ImVec2 uv0(float(r.left) / float(image.width), float(r.top) / float(image.height));
    ImVec2 uv1(float(r.right) / float(image.width), float(r.bottom) / float(image.height));
    ImGui::Image(reinterpret_cast<ImTextureID>(texture_), ImVec2(float(r.Width()) * scale, float(r.Height()) * scale), uv0, uv1);
  };
  show(previewPattern_, 1.0f);
  ImGui::SameLine();
  show(previewPattern_, 2.0f);
  ImGui::SetNextItemWidth(80);
  ImGui::InputInt("から", &animFirst_);
  ImGui::SameLine();
  ImGui::SetNextItemWidth(80);
  ImGui::InputInt("まで", &animLast_);
  animFirst_ = std::clamp(animFirst_, 0, last);
  animLast_ = std::clamp(animLast_, 0, last);
  ImGui::SetNextItemWidth(160);
  ImGui::SliderFloat("コマ/秒", &animFps_, 1.0f, 30.0f, "%.0f");
  int frame = TSheetEditor::AnimationFrame(animFirst_, animLast_, animFps_, SDL_GetTicks64());
  show(frame, 2.0f);
}

std::string TPatternEditorView::NewSheetFolder() const {
  if (!projectDir.empty()) return projectDir + "/images";
  // Without a project: the images folder the sheet is in, else one beside it.
  std::string folder = PathParent(editor.Path());
  return PathFileName(folder) == "images" ? folder : folder + "/images";
}

void TPatternEditorView::DrawNewSheetPopup() {
  if (askNewSheet_) {
    askNewSheet_ = false;
    // A name not taken in the images folder yet.
    std::string folder = NewSheetFolder() + "/";
    for (int n = 1; n < 1000; ++n) {
      std::snprintf(newName_, sizeof newName_, "sheet%d", n);
      std::error_code ec;
      if (!std::filesystem::exists(folder + newName_ + ".png", ec) && !std::filesystem::exists(folder + newName_ + ".bmp", ec)) break;
    }
    ImGui::OpenPopup("新しいシート");
  }
  if (!ImGui::BeginPopupModal("新しいシート", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
  ImGui::InputText("名前", newName_, sizeof newName_);
  ImGui::InputInt("幅", &newWidth_);
  ImGui::InputInt("高さ", &newHeight_);
  ImGui::ColorEdit3("背景", newBackground_, ImGuiColorEditFlags_NoAlpha);
  ImGui::Checkbox("PNG (外すと BMP)", &newPng_);
  std::string folder = NewSheetFolder();
  std::string path = folder + "/" + Utf8ToCp932(newName_) + (newPng_ ? ".png" : ".bmp");
  ImGui::TextUnformatted(ToUtf8(path).c_str());
  if (editor.Dirty()) ImGui::TextUnformatted("いまのシートを先に保存してください");
  ImGui::BeginDisabled(editor.Dirty());
  if (ImGui::Button("作成")) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (std::filesystem::exists(path, ec)) {
      ShowMessage(path + J("はすでにあります"));
    } else {
      try {
        TSheetEditor made;
        made.NewSheet(path, newWidth_, newHeight_, FromFloats(newBackground_));
        std::string error;
        if (!made.Save(error)) throw std::runtime_error(error);
        editor = std::move(made);
        if (registerSheet) registerSheet(path);
        FindRegistration();
        status_ = "新しいシートを作りました";
        ImGui::CloseCurrentPopup();
      } catch (const std::exception& e) {
        ShowMessage(e.what());
      }
    }
  }
  ImGui::EndDisabled();
  ImGui::SameLine();
  if (ImGui::Button("キャンセル")) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

void TPatternEditorView::DrawClosePopup() {
  AskSaveChanges(askClose_, editor.Path(), [this] { return SaveNow(); }, [this] { shown = false; });
}

}  // namespace ruvel
