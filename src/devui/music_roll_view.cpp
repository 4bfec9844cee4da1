// The piano roll of the music editor window: a lane per channel that has
// notes with its ミュート and ソロ switches, the notes as bars (dimmed when
// the channel is not heard), beat lines, the play head, and a click that
// plays from the tick under the pointer. A looped stretch is shaded.
#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "devui/music_editor_view.h"

namespace ruvel {

namespace {

constexpr float kLaneHeader = 190.0f;
constexpr int64_t kTicksPerBeat = 22050;
constexpr ImU32 kChannelColours[TMusicRoll::kChannels] = {
    IM_COL32(90, 170, 255, 255), IM_COL32(255, 140, 80, 255), IM_COL32(120, 220, 120, 255),
    IM_COL32(230, 110, 200, 255), IM_COL32(240, 220, 90, 255), IM_COL32(110, 220, 220, 255),
    IM_COL32(190, 140, 255, 255), IM_COL32(255, 110, 110, 255), IM_COL32(170, 200, 90, 255),
    IM_COL32(200, 200, 200, 255),
};

ImU32 Dimmed(ImU32 c) { return (c & 0x00FFFFFF) | (uint32_t(70) << 24); }

}  // namespace

void TMusicEditorView::DrawRoll(float height) {
  const TMusicRoll& roll = editor.Roll();
  std::vector<int> lanes;
  for (int c = 0; c < TMusicRoll::kChannels; ++c) {
    const auto& notes = roll.channels[size_t(c)].notes;
    if (std::any_of(notes.begin(), notes.end(), [](const TRollNote& n) { return !n.rest(); })) lanes.push_back(c);
  }
  float laneHeight = std::clamp((height - 20.0f) / float(std::max<size_t>(1, lanes.size())), 22.0f, 60.0f);
  float pixelsPerTick = pixelsPerBeat_ / float(kTicksPerBeat);

  ImGui::BeginChild("##lanes", ImVec2(kLaneHeader, height), true, ImGuiWindowFlags_NoScrollbar);
  for (size_t i = 0; i < lanes.size(); ++i) {
    int c = lanes[i];
    ImGui::SetCursorPosY(ImGui::GetStyle().WindowPadding.y + float(i) * laneHeight);
    char name[2] = {char('A' + c), 0};
    ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(kChannelColours[c]), "%s", name);
    ImGui::SameLine();
    bool muted = editor.Muted(c);
    std::string id = std::string("##") + name;
    if (ImGui::Checkbox(("ミュート" + id).c_str(), &muted)) editor.SetMuted(c, muted);
    ImGui::SameLine();
    bool solo = editor.Solo(c);
    if (ImGui::Checkbox(("ソロ" + id).c_str(), &solo)) editor.SetSolo(c, solo);
  }
  if (lanes.empty()) ImGui::TextDisabled("音符がありません");
  ImGui::EndChild();
  ImGui::SameLine();

  ImGui::BeginChild("##roll", ImVec2(0, height), true, ImGuiWindowFlags_HorizontalScrollbar);
  ImVec2 origin = ImGui::GetCursorScreenPos();
  int64_t end = std::max<int64_t>(roll.EndTick(), kTicksPerBeat * 4);
  float width = float(end) * pixelsPerTick + 40.0f;
  float lanesHeight = std::max(laneHeight, float(lanes.size()) * laneHeight);
  ImGui::InvisibleButton("##rollarea", ImVec2(width, lanesHeight));
  if (ImGui::IsItemClicked(ImGuiMouseButton_Left)) {
    // A click seeks: plays from the tick under the pointer.
    float x = ImGui::GetIO().MousePos.x - origin.x;
    editor.PlayFrom(int64_t(std::max(0.0f, x) / pixelsPerTick));
  }
  ImDrawList* dl = ImGui::GetWindowDrawList();
  float left = ImGui::GetScrollX();
  float viewWidth = ImGui::GetWindowWidth();
  int64_t firstTick = int64_t(left / pixelsPerTick);
  int64_t lastTick = int64_t((left + viewWidth) / pixelsPerTick) + 1;
  for (size_t i = 0; i < lanes.size(); ++i) {
    float top = origin.y + float(i) * laneHeight;
    dl->AddRectFilled(ImVec2(origin.x, top), ImVec2(origin.x + width, top + laneHeight),
                      i % 2 ? IM_COL32(36, 36, 44, 255) : IM_COL32(30, 30, 36, 255));
  }
  for (int64_t beat = firstTick / kTicksPerBeat; beat * kTicksPerBeat <= std::min(lastTick, end); ++beat) {
    float x = origin.x + float(beat * kTicksPerBeat) * pixelsPerTick;
    dl->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + lanesHeight),
                beat % 4 == 0 ? IM_COL32(90, 90, 100, 255) : IM_COL32(55, 55, 62, 255));
  }
  for (size_t i = 0; i < lanes.size(); ++i) {
    int c = lanes[i];
    const auto& notes = roll.channels[size_t(c)].notes;
    int lo = 95;
    int hi = 0;
    for (const TRollNote& n : notes) {
      if (n.rest()) continue;
      lo = std::min(lo, n.note);
      hi = std::max(hi, n.note);
    }
    float top = origin.y + float(i) * laneHeight + 2.0f;
    float span = laneHeight - 4.0f;
    float bar = std::max(2.0f, span / float(hi - lo + 1));
    ImU32 colour = editor.Audible(c) ? kChannelColours[c] : Dimmed(kChannelColours[c]);
    auto it = std::lower_bound(notes.begin(), notes.end(), firstTick,
                               [](const TRollNote& n, int64_t t) { return n.tick + n.length < t; });
    for (; it != notes.end() && it->tick <= lastTick; ++it) {
      if (it->rest()) continue;
      float x0 = origin.x + float(it->tick) * pixelsPerTick;
      float x1 = std::max(x0 + 2.0f, origin.x + float(it->tick + it->length) * pixelsPerTick - 1.0f);
      float y = top + (span - bar) * (hi == lo ? 0.5f : float(hi - it->note) / float(hi - lo));
      dl->AddRectFilled(ImVec2(x0, y), ImVec2(x1, y + bar), colour, 2.0f);
    }
  }
  if (editor.Looping()) {
    float x0 = origin.x + float(editor.LoopFrom()) * pixelsPerTick;
    float x1 = origin.x + float(editor.LoopTo()) * pixelsPerTick;
    dl->AddRectFilled(ImVec2(x0, origin.y), ImVec2(x1, origin.y + lanesHeight), IM_COL32(255, 255, 255, 40));
  }
  int64_t head = editor.HeadTick();
  if (head >= 0) {
    float x = origin.x + float(head) * pixelsPerTick;
    dl->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + lanesHeight), IM_COL32(255, 255, 255, 255), 2.0f);
    if (follow_ && (x - origin.x < left || x - origin.x > left + viewWidth - 20.0f)) {
      ImGui::SetScrollX(std::max(0.0f, x - origin.x - viewWidth / 4.0f));
    }
  }
  ImGui::EndChild();
}

}  // namespace ruvel
