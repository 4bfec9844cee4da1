#include "devui/debugger_view.h"

#include <imgui.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "devui/debugger_model.h"
#include "devui/editor_window.h"
#include "devui/imgui_layer.h"
#include "devui/source_panes.h"
#include "devui/source_panes_view.h"
#include "platform/cp932.h"
#include "platform/window_front.h"

namespace ruvel {

namespace {

void CopyToBuffer(char* buf, size_t size, const std::string& cp932) {
  std::snprintf(buf, size, "%s", ToUtf8(cp932).c_str());
}

// A list box of CP932 lines; only the visible lines are converted.
// Returns the clicked line or -1.
int LineList(const char* id, const std::vector<std::string>& lines, float height, int selected = -1) {
  int clicked = -1;
  if (ImGui::BeginChild(id, ImVec2(0, height), true, ImGuiWindowFlags_HorizontalScrollbar)) {
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(lines.size()));
    while (clipper.Step()) {
      for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
        ImGui::PushID(i);
        std::string text = ToUtf8(lines[i]);
        if (ImGui::Selectable(text.c_str(), i == selected)) clicked = i;
        ImGui::PopID();
      }
    }
  }
  ImGui::EndChild();
  return clicked;
}

}  // namespace

TDebuggerView::TDebuggerView(TDebugger& model) : model_(model) {}

TDebuggerView::~TDebuggerView() { DestroyImGuiWindow(window_, renderer_, layer_); }

uint32_t TDebuggerView::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TDebuggerView::Show() {
  if (!window_ && !MakeImGuiWindow("FormDebug", kWidth, kHeight, SDL_WINDOW_RESIZABLE, 0, window_, renderer_, layer_)) return false;
  SDL_ShowWindow(window_);
  // In front of the game window and with the keyboard, as a stop asks for
  // the developer's attention.
  BringToFront(window_);
  shown_ = true;
  model_.visible = true;
  if (!activated_) {
    activated_ = true;
    model_.Activate();
  }
  return true;
}

void TDebuggerView::Hide() {
  if (window_) SDL_HideWindow(window_);
  shown_ = false;
  model_.visible = false;
}

bool TDebuggerView::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT) {
    if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
      Hide();
      return true;
    }
    if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
      activated_ = true;
      model_.Activate();
    }
  }
  layer_->Feed(e);
  return true;
}

void TDebuggerView::Draw(bool present) {
  if (!window_ || !shown_) return;
  std::string caption = ToUtf8(model_.caption);
  if (caption != shownCaption_) {
    shownCaption_ = caption;
    SDL_SetWindowTitle(window_, caption.c_str());
  }
  layer_->BeginFrame();
  DrawContents();
  SDL_SetRenderDrawColor(renderer_, 240, 240, 240, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  if (!present) return;
  SDL_RenderPresent(renderer_);
  TCommand c = pending_;
  pending_ = TCommand::kNone;
  RunCommand(c);
}

bool TDebuggerView::ButtonCenter(TCommand c, int& x, int& y) const {
  auto it = buttonRects_.find(c);
  if (it == buttonRects_.end()) return false;
  x = it->second.x + it->second.w / 2;
  y = it->second.y + it->second.h / 2;
  return true;
}

void TDebuggerView::RunCommand(TCommand c) {
  switch (c) {
    case TCommand::kNone:
      return;
    case TCommand::kStep:
      model_.Step();
      break;
    case TCommand::kRun:
      model_.RunAll();
      break;
    case TCommand::kRunTo:
      model_.RunToAddress();
      break;
    case TCommand::kStop:
      model_.Stop();
      break;
    case TCommand::kGc:
      model_.CollectGarbage();
      break;
    case TCommand::kShowCode:
      model_.ShowCode();
      break;
    case TCommand::kSnippets:
      model_.ListCachedSnippets();
      break;
    case TCommand::kMoveClasses:
      model_.MoveClassList();
      break;
    case TCommand::kResume:
      model_.ReinstallIdle();
      break;
    case TCommand::kObjects:
      model_.ShowObjects();
      break;
    case TCommand::kProfileStop:
      model_.StopProfile();
      break;
    case TCommand::kProfileStart:
      model_.StartProfile();
      break;
    case TCommand::kProfileCsv:
      model_.WriteProfileCsv();
      break;
    case TCommand::kRunToLine:
      model_.RunToLine();
      break;
  }
}

void TDebuggerView::DrawProfile() {
  float h = ImGui::GetContentRegionAvail().y - ImGui::GetFrameHeightWithSpacing() - 4;
  ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollY | ImGuiTableFlags_Resizable;
  if (ImGui::BeginTable("profile", 4, flags, ImVec2(0, h > 40 ? h : 40))) {
    ImGui::TableSetupColumn("method");
    ImGui::TableSetupColumn("calls");
    ImGui::TableSetupColumn("total ms");
    ImGui::TableSetupColumn("average ms");
    ImGui::TableHeadersRow();
    for (const TProfileRow& r : model_.profileRows) {
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(ToUtf8(r.name).c_str());
      ImGui::TableNextColumn();
      ImGui::Text("%ld", r.calls);
      ImGui::TableNextColumn();
      ImGui::Text("%.3f", r.totalMs);
      ImGui::TableNextColumn();
      ImGui::Text("%.4f", r.AverageMs());
    }
    ImGui::EndTable();
  }
  if (Profiler().Running()) ImGui::TextUnformatted("計測中...");
  else if (ImGui::Button("CSV")) pending_ = TCommand::kProfileCsv;
}

void TDebuggerView::DrawContents() {
  ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("FormDebug", nullptr,
               ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBringToFrontOnFocus);
  // The source-level panes fill the window instead of the specified
  // controls (which keep their places) from a stop of the engine or the
  // button at the end of the first row, until "FormDebug" or a pause of
  // the specified kind.
  TSourcePanes& panes = SourcePanes();
  if (panes.stops != seenStops_) {
    seenStops_ = panes.stops;
    sourcePage_ = true;
  }
  if (model_.pauses != seenPauses_) {
    seenPauses_ = model_.pauses;
    sourcePage_ = false;
  }
  if (sourcePage_) {
    if (ImGui::Button("FormDebug")) sourcePage_ = false;
    ImGui::SameLine();
    DrawSourcePanes(panes);
  } else {
    DrawSpecified();
  }
  ImGui::End();
}

void TDebuggerView::DrawSpecified() {
  auto button = [this](const char* utf8, TCommand c) {
    if (ImGui::Button(utf8)) pending_ = c;
    ImVec2 lo = ImGui::GetItemRectMin();
    ImVec2 hi = ImGui::GetItemRectMax();
    buttonRects_[c] = SDL_Rect{int(lo.x), int(lo.y), int(hi.x - lo.x), int(hi.y - lo.y)};
  };
  button("ステップ実行", TCommand::kStep);
  ImGui::SameLine();
  button("実行", TCommand::kRun);
  ImGui::SameLine();
  CopyToBuffer(eBreak_, sizeof eBreak_, model_.eBreak);
  ImGui::SetNextItemWidth(90);
  if (ImGui::InputText("##EBreak", eBreak_, sizeof eBreak_)) model_.eBreak = Utf8ToCp932(eBreak_);
  ImGui::SameLine();
  button("まで実行", TCommand::kRunTo);
  ImGui::SameLine();
  button("停止", TCommand::kStop);
  ImGui::SameLine();
  button("GC", TCommand::kGc);
  ImGui::SameLine();
  bool autoExec = model_.hooks.autoExec ? model_.hooks.autoExec() : false;
  if (ImGui::Checkbox("自動実行", &autoExec) && model_.hooks.setAutoExec) model_.hooks.setAutoExec(autoExec);
  ImGui::SameLine();
  ImGui::TextUnformatted(model_.preempted.c_str());
  ImGui::SameLine();
  if (ImGui::SmallButton("ソースデバッグ")) sourcePage_ = true;

  std::string edit1 = ToUtf8(model_.edit1);
  ImGui::TextUnformatted(edit1.c_str());

  float avail = ImGui::GetContentRegionAvail().y;
  float listH = (avail - 140.0f) / 2.0f;
  if (listH < 60.0f) listH = 60.0f;
  if (ImGui::BeginTable("lists", 3, ImGuiTableFlags_Resizable)) {
    ImGui::TableNextColumn();
    ImGui::TextUnformatted("スレッド");
    LineList("ListFunc", model_.listFunc, listH * 0.3f);
    ImGui::TextUnformatted("変数");
    LineList("ListVar", model_.listVar, listH * 0.7f - ImGui::GetTextLineHeightWithSpacing());
    ImGui::TableNextColumn();
    ImGui::TextUnformatted("機械語");
    int line = LineList("ListOpr", model_.listOpr, listH, selectedLine_);
    if (line >= 0) {
      selectedLine_ = line;
      model_.SelectListingLine(static_cast<size_t>(line));
    }
    ImGui::TableNextColumn();
    ImGui::TextUnformatted("スタック");
    LineList("ListStack", model_.listStack, listH);
    ImGui::EndTable();
  }
  ImGui::TextUnformatted("関数");
  LineList("ListObj", model_.listObj, listH * 0.6f);

  CopyToBuffer(eClass_, sizeof eClass_, model_.eClass);
  ImGui::SetNextItemWidth(200);
  if (ImGui::InputText("##EClass", eClass_, sizeof eClass_)) model_.eClass = Utf8ToCp932(eClass_);
  ImGui::SameLine();
  CopyToBuffer(eFunc_, sizeof eFunc_, model_.eFunc);
  ImGui::SetNextItemWidth(120);
  if (ImGui::InputText("##EFunc", eFunc_, sizeof eFunc_)) model_.eFunc = Utf8ToCp932(eFunc_);
  ImGui::SameLine();
  button("BDispCode", TCommand::kShowCode);
  ImGui::SameLine();
  button("EvalCache", TCommand::kSnippets);
  button("mv usr.classes project.classes", TCommand::kMoveClasses);
  ImGui::SameLine();
  button("BResume", TCommand::kResume);
  ImGui::SameLine();
  button("オブジェクト", TCommand::kObjects);
  ImGui::SameLine();
  button("Stop", TCommand::kProfileStop);
  ImGui::SameLine();
  button("Start", TCommand::kProfileStart);
  if (ImGui::BeginTabBar("bottom")) {
    float restH = ImGui::GetContentRegionAvail().y;
    if (ImGui::BeginTabItem("リソース")) {
      int file = LineList("LFiles", model_.lFiles, restH - ImGui::GetFrameHeightWithSpacing());
      if (file >= 0) model_.SelectResource(model_.lFiles[static_cast<size_t>(file)]);
      ImGui::EndTabItem();
    }
    if (ImGui::BeginTabItem("オブジェクト")) {
      LineList("Objects", model_.listObjects, restH - ImGui::GetFrameHeightWithSpacing());
      ImGui::EndTabItem();
    }
    if (ImGui::BeginTabItem("ソース")) {
      std::snprintf(eLine_, sizeof eLine_, "%s", model_.eLine.c_str());
      ImGui::SetNextItemWidth(60);
      if (ImGui::InputText("##line", eLine_, sizeof eLine_, ImGuiInputTextFlags_CharsDecimal)) model_.eLine = eLine_;
      ImGui::SameLine();
      button("行まで実行", TCommand::kRunToLine);
      LineList("Source", model_.listSource, ImGui::GetContentRegionAvail().y);
      ImGui::EndTabItem();
    }
    if (ImGui::BeginTabItem("時間計測")) {
      DrawProfile();
      ImGui::EndTabItem();
    }
    ImGui::EndTabBar();
  }
}

}  // namespace ruvel
