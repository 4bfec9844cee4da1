#include "devui/source_panes_view.h"

#include <imgui.h>

#include <cstdio>
#include <string>

#include "devui/source_panes.h"

namespace ruvel {

namespace {

const char* ReasonText(TStopReason r) {
  switch (r) {
    case TStopReason::kBreakpoint: return "ブレークポイント";
    case TStopReason::kStep: return "ステップ";
    case TStopReason::kPause: return "一時停止";
    case TStopReason::kException: return "実行時エラー";
    case TStopReason::kEntry: return "開始";
  }
  return "";
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void DrawSource(TSourcePanes& m, float bottomMargin) {
  ImGui::TextUnformatted(m.file.empty() ? "(ソースなし)" : m.file.c_str());
  // Negative: down to the window's bottom less that much.
  if (!ImGui::BeginChild("SourceText", ImVec2(0, -bottomMargin), true, ImGuiWindowFlags_HorizontalScrollbar)) {
    ImGui::EndChild();
    return;
  }
  const float lineH = ImGui::GetTextLineHeightWithSpacing();
  if (m.scrollToLine > 0) {
    float y = (static_cast<float>(m.scrollToLine) - 1.0f) * lineH - ImGui::GetWindowHeight() / 2.0f;
    ImGui::SetScrollY(y > 0 ? y : 0);
    m.scrollToLine = 0;
  }
  ImDrawList* draw = ImGui::GetWindowDrawList();
  ImGuiListClipper clipper;
  clipper.Begin(static_cast<int>(m.lines.size()));
  while (clipper.Step()) {
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
      const int line = i + 1;
      ImGui::PushID(i);
      ImVec2 at = ImGui::GetCursorScreenPos();
      if (line == m.currentLine) {
        draw->AddRectFilled(at, ImVec2(at.x + ImGui::GetWindowWidth() + ImGui::GetScrollX(), at.y + lineH),
                            IM_COL32(255, 238, 140, 255));
      }
      // The margin: a click sets or clears the line's breakpoint.
      if (ImGui::InvisibleButton("margin", ImVec2(16, lineH))) m.ToggleLine(line);
      if (m.HasBreakpoint(line)) {
        draw->AddCircleFilled(ImVec2(at.x + 8, at.y + lineH / 2), 5.0f, IM_COL32(220, 30, 30, 255));
      }
      ImGui::SameLine();
      char number[16];
      std::snprintf(number, sizeof number, "%4d %s", line, line == m.currentLine ? "=>" : "  ");
      ImGui::TextDisabled("%s", number);
      ImGui::SameLine();
      ImGui::TextUnformatted(m.lines[static_cast<size_t>(i)].c_str());
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
}

void DrawVariable(TSourcePanes& m, const TVariableInfo& v, int depth) {
  std::string label = v.name + " = " + v.value;
  if (v.variablesRef <= 0 || depth > 8) {
    ImGui::TreeNodeEx(label.c_str(), ImGuiTreeNodeFlags_Leaf | ImGuiTreeNodeFlags_NoTreePushOnOpen);
    return;
  }
  if (ImGui::TreeNode(label.c_str())) {
    // Copied: expanding a child reads more references into the cache.
    std::vector<TVariableInfo> children = m.Children(v.variablesRef);
    for (const auto& c : children) DrawVariable(m, c, depth + 1);
    ImGui::TreePop();
  }
}

void DrawInspection(TSourcePanes& m, float height) {
  ImGui::TextUnformatted("プロセス");
  std::string current = "-";
  for (const auto& p : m.processes) {
    if (p.id == m.processId) current = std::to_string(p.id) + " " + p.name;
  }
  ImGui::SetNextItemWidth(-1);
  if (ImGui::BeginCombo("##process", current.c_str())) {
    for (const auto& p : m.processes) {
      std::string label = std::to_string(p.id) + " " + p.name;
      if (ImGui::Selectable(label.c_str(), p.id == m.processId)) m.SelectProcess(p.id);
    }
    ImGui::EndCombo();
  }
  ImGui::TextUnformatted("呼び出し履歴");
  if (ImGui::BeginChild("Stack", ImVec2(0, height * 0.25f), true)) {
    for (size_t i = 0; i < m.stack.size(); ++i) {
      const TFrameInfo& f = m.stack[i];
      std::string label = f.className + (f.method.empty() ? "" : "." + f.method) + "  " + BaseName(f.file) + ":" +
                          std::to_string(f.line);
      ImGui::PushID(static_cast<int>(i));
      if (ImGui::Selectable(label.c_str(), i == m.frame)) m.SelectFrame(i);
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
  ImGui::TextUnformatted("変数");
  if (ImGui::BeginChild("Variables", ImVec2(0, height * 0.5f), true)) {
    for (const auto& scope : m.scopes) {
      ImGui::PushID(scope.variablesRef);
      if (ImGui::TreeNodeEx(scope.name.c_str(), ImGuiTreeNodeFlags_DefaultOpen)) {
        std::vector<TVariableInfo> vars = m.Children(scope.variablesRef);
        for (const auto& v : vars) DrawVariable(m, v, 0);
        ImGui::TreePop();
      }
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
  ImGui::TextUnformatted("ウォッチ");
  static char watch[256] = "";
  ImGui::SetNextItemWidth(-60);
  bool enter = ImGui::InputText("##watch", watch, sizeof watch, ImGuiInputTextFlags_EnterReturnsTrue);
  ImGui::SameLine();
  if ((ImGui::Button("追加") || enter) && watch[0]) {
    m.AddWatch(watch);
    watch[0] = 0;
  }
  if (ImGui::BeginChild("Watches", ImVec2(0, -6.0f), true)) {
    for (size_t i = 0; i < m.watchValues.size(); ++i) {
      ImGui::PushID(static_cast<int>(i));
      if (ImGui::SmallButton("x")) {
        m.RemoveWatch(i);
        ImGui::PopID();
        break;
      }
      ImGui::SameLine();
      ImGui::Text("%s = %s", m.watchValues[i].first.c_str(), m.watchValues[i].second.c_str());
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
}

}  // namespace

void DrawSourcePanes(TSourcePanes& m) {
  TDebugEngine& e = DebugEngine();
  const bool stopped = e.IsStopped();
  // An edit saved outside shows within half a second.
  if (ImGui::GetTime() - m.lastDiskCheck > 0.5) {
    m.lastDiskCheck = ImGui::GetTime();
    m.ReloadIfChanged();
  }
  auto button = [&m](const char* label) {
    bool pressed = ImGui::Button(label);
    ImVec2 lo = ImGui::GetItemRectMin();
    ImVec2 hi = ImGui::GetItemRectMax();
    m.buttonCenters[label] = {static_cast<int>((lo.x + hi.x) / 2), static_cast<int>((lo.y + hi.y) / 2)};
    return pressed;
  };
  ImGui::BeginDisabled(!stopped);
  if (button("続行")) m.Continue();
  ImGui::SameLine();
  if (button("ステップオーバー")) m.StepOver();
  ImGui::SameLine();
  if (button("ステップイン")) m.StepInto();
  ImGui::SameLine();
  if (button("ステップアウト")) m.StepOut();
  ImGui::EndDisabled();
  ImGui::SameLine();
  ImGui::BeginDisabled(stopped);
  if (button("一時停止")) m.Pause();
  ImGui::EndDisabled();
  ImGui::SameLine();
  bool onError = e.BreakOnError();
  if (ImGui::Checkbox("エラーで停止", &onError)) e.SetBreakOnError(onError);
  if (stopped) {
    const TStopInfo& s = e.LastStop();
    ImGui::Text("停止中: %s  (プロセス %d) %s", ReasonText(s.reason), s.processId, s.message.c_str());
  } else {
    ImGui::TextUnformatted("実行中");
  }
  const float height = ImGui::GetContentRegionAvail().y;
  if (ImGui::BeginTable("sourcePanes", 2, ImGuiTableFlags_Resizable)) {
    ImGui::TableSetupColumn("source", ImGuiTableColumnFlags_WidthStretch, 0.6f);
    ImGui::TableSetupColumn("inspect", ImGuiTableColumnFlags_WidthStretch, 0.4f);
    ImGui::TableNextColumn();
    DrawSource(m, 6.0f);
    ImGui::TableNextColumn();
    // Besides the two lists: four labels, the process choice, the watch
    // input and a few lines of watches.
    DrawInspection(m, height - 9 * ImGui::GetFrameHeightWithSpacing());
    ImGui::EndTable();
  }
}

}  // namespace ruvel
