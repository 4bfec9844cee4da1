#include "devui/tone_editor_view.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "devui/close_question.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "sound/melvane.h"

namespace ruvel {

namespace {

struct TCommandInfo {
  TToneCommand command;
  const char* caption;
  SDL_Scancode key;
  bool ctrl;
};

const std::vector<TCommandInfo>& Commands() {
  static const std::vector<TCommandInfo> table = {
#define RUVEL_TONE_COMMAND_ROW(id, caption, key, ctrl) {TToneCommand::id, caption, key, ctrl},
      RUVEL_TONE_COMMANDS(RUVEL_TONE_COMMAND_ROW)
#undef RUVEL_TONE_COMMAND_ROW
  };
  return table;
}

struct TPianoKey {
  SDL_Scancode key;
  int semitone;
};

const std::vector<TPianoKey>& PianoKeys() {
  static const std::vector<TPianoKey> table = {
#define RUVEL_PIANO_KEY_ROW(key, semitone) {key, semitone},
      RUVEL_PIANO_KEYS(RUVEL_PIANO_KEY_ROW)
#undef RUVEL_PIANO_KEY_ROW
  };
  return table;
}

constexpr int kLowestOctave = 0;
constexpr int kHighestOctave = 6;  // its upper row still ends at note 95
constexpr int kSemitones = 24;
constexpr float kThumbGap = 2.0f;
constexpr ImU32 kBarColour = IM_COL32(70, 130, 200, 255);
constexpr ImU32 kCurveColour = IM_COL32(255, 210, 80, 255);
constexpr ImU32 kFrameColour = IM_COL32(110, 110, 110, 255);
constexpr ImU32 kSelectedColour = IM_COL32(255, 140, 0, 255);

// A table as a line through the centres of its steps in the box (top..top + h).
void Curve(ImDrawList* dl, const TToneTable& t, int topValue, ImVec2 at, float w, float h, ImU32 colour, float thickness) {
  ImVec2 points[kToneSteps];
  for (int i = 0; i < kToneSteps; ++i) {
    points[i] = ImVec2(at.x + (float(i) + 0.5f) * w / kToneSteps, at.y + h - float(t[size_t(i)]) / float(topValue) * h);
  }
  dl->AddPolyline(points, kToneSteps, colour, 0, thickness);
}

// The step and value under the pointer in a box of 32 steps and values 0..top.
void PointerStep(ImVec2 at, float h, int top, int& index, int& value) {
  ImVec2 m = ImGui::GetIO().MousePos;
  index = int(std::floor((m.x - at.x) / TToneEditorView::kStepWidth));
  value = int(std::lround((at.y + h - m.y) / h * float(top)));
}

bool IsBlack(int semitone) {
  int s = semitone % 12;
  return s == 1 || s == 3 || s == 6 || s == 8 || s == 10;
}

}  // namespace

bool TToneEditorView::Open(const std::string& path, const std::string& source) {
  try {
    // The synthesizer's own tables when there is no file to start from.
    editor.Open(path, source, TMelvane::BuiltInTones());
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return false;
  }
  shown = true;
  status_ = editor.IsNew() ? "新しい音色ファイル (保存すると作られます)" : "";
  return true;
}

bool TToneEditorView::SaveNow() {
  std::string error;
  if (!editor.Save(error)) {
    status_ = ToUtf8(error);
    ShowMessage(error);
    return false;
  }
  status_ = "保存しました";
  if (saved) saved(editor.Path());
  return true;
}

bool TToneEditorView::Run(TToneCommand c) {
  switch (c) {
    case TToneCommand::kUndo: return editor.Undo();
    case TToneCommand::kRedo: return editor.Redo();
    case TToneCommand::kCopy: editor.CopyWave(); status_ = "波形をコピーしました"; return true;
    case TToneCommand::kPaste: return editor.PasteWave();
    case TToneCommand::kOctaveDown: octave = std::max(kLowestOctave, octave - 1); return true;
    case TToneCommand::kOctaveUp: octave = std::min(kHighestOctave, octave + 1); return true;
    case TToneCommand::kSave: return SaveNow();
    case TToneCommand::kClose: RequestClose(); return true;
  }
  return false;
}

void TToneEditorView::PlayKey(int semitone) {
  lastNote_ = std::clamp(octave * 12 + semitone, 0, TToneTables::kWaves - 1);
  if (synth) editor.PlayNote(*synth, lastNote_, envSpeed_);
}

void TToneEditorView::RequestClose() {
  if (editor.Dirty()) askClose_ = true;
  else Close();
}

void TToneEditorView::Close() {
  shown = false;
  if (closed) closed();
}

void TToneEditorView::HandleKeys() {
  ImGuiIO& io = ImGui::GetIO();
  if (io.WantTextInput || !ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) return;
  for (const TCommandInfo& info : Commands()) {
    if (io.KeyCtrl == info.ctrl && ImGui::IsKeyPressed(info.key, false)) Run(info.command);
  }
  if (io.KeyCtrl) return;
  for (const TPianoKey& k : PianoKeys()) {
    if (ImGui::IsKeyPressed(k.key, false)) PlayKey(k.semitone);
  }
}

void TToneEditorView::Draw(bool fill) {
  if (!shown || !editor.Loaded()) return;
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoScrollbar;
  if (fill) {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    flags |= ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoBringToFrontOnFocus;
  } else {
    ImGui::SetNextWindowSize(ImVec2(1000, 640), ImGuiCond_Appearing);
  }
  std::string title = std::string("音色エディタ - ") + ToUtf8(PathFileName(editor.Path())) + (editor.Dirty() ? " *" : "") +
                      "###音色エディタ";
  bool open = true;
  bool visible = ImGui::Begin(title.c_str(), fill ? nullptr : &open, flags);
  if (visible) {
    HandleKeys();
    DrawWave();
    DrawEnvelope();
    DrawPiano();
    DrawThumbnails();
    DrawControls();
    DrawClosePopup();
  }
  ImGui::End();
  if (!open) RequestClose();
}

void TToneEditorView::DrawWave() {
  ImGui::SetCursorPos(ImVec2(kMargin, kWaveTop - 20.0f));
  ImGui::Text("波形 %d", editor.wave);
  ImGui::SetCursorPos(ImVec2(kMargin, kWaveTop));
  ImVec2 at = ImGui::GetCursorScreenPos();
  const float w = kStepWidth * kToneSteps;
  ImGui::InvisibleButton("##wave", ImVec2(w, kWaveHeight));
  int index = 0;
  int value = 0;
  PointerStep(at, kWaveHeight, TToneEditor::kWaveTop, index, value);
  if (ImGui::IsItemActivated()) editor.Press(false, index, value);
  else if (ImGui::IsItemActive()) editor.Drag(index, value);
  if (ImGui::IsItemDeactivated()) editor.Release();
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(at, ImVec2(at.x + w, at.y + kWaveHeight), IM_COL32(25, 25, 30, 255));
  float centre = at.y + kWaveHeight - 128.0f / 255.0f * kWaveHeight;
  const TToneTable& t = editor.Wave();
  for (int i = 0; i < kToneSteps; ++i) {
    float x = at.x + float(i) * kStepWidth;
    float y = at.y + kWaveHeight - float(t[size_t(i)]) / 255.0f * kWaveHeight;
    dl->AddRectFilled(ImVec2(x + 1, std::min(y, centre)), ImVec2(x + kStepWidth - 1, std::max(y, centre) + 1), kBarColour);
  }
  dl->AddLine(ImVec2(at.x, centre), ImVec2(at.x + w, centre), IM_COL32(160, 160, 160, 120));
  Curve(dl, t, 255, at, w, kWaveHeight, kCurveColour, 2.0f);
  dl->AddRect(at, ImVec2(at.x + w, at.y + kWaveHeight), kFrameColour);
  if (ImGui::IsItemHovered() && index >= 0 && index < kToneSteps) ImGui::SetTooltip("%d: %d", index, t[size_t(index)]);
}

void TToneEditorView::DrawEnvelope() {
  ImGui::SetCursorPos(ImVec2(kMargin, kEnvelopeTop - 20.0f));
  ImGui::Text("エンベロープ %d", editor.envelope);
  ImGui::SameLine(kMargin + 200.0f);
  ImGui::SetNextItemWidth(120);
  ImGui::SliderInt("速さ", &envSpeed_, 1, 40);
  ImGui::SetCursorPos(ImVec2(kMargin, kEnvelopeTop));
  ImVec2 at = ImGui::GetCursorScreenPos();
  const float w = kStepWidth * kToneSteps;
  const int top = TToneEditor::kEnvelopeTop;
  ImGui::InvisibleButton("##envelope", ImVec2(w, kEnvelopeHeight));
  int index = 0;
  int value = 0;
  PointerStep(at, kEnvelopeHeight, top, index, value);
  if (ImGui::IsItemActivated()) editor.Press(true, index, value);
  else if (ImGui::IsItemActive()) editor.Drag(index, value);
  if (ImGui::IsItemDeactivated()) editor.Release();
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(at, ImVec2(at.x + w, at.y + kEnvelopeHeight), IM_COL32(25, 25, 30, 255));
  const TToneTable& t = editor.Envelope();
  for (int level = 1; level < top; ++level) {
    float y = at.y + kEnvelopeHeight - float(level) / float(top) * kEnvelopeHeight;
    dl->AddLine(ImVec2(at.x, y), ImVec2(at.x + w, y), IM_COL32(60, 60, 70, 255));
  }
  Curve(dl, t, top, at, w, kEnvelopeHeight, kCurveColour, 2.0f);
  for (int i = 0; i < kToneSteps; ++i) {
    ImVec2 p(at.x + (float(i) + 0.5f) * kStepWidth, at.y + kEnvelopeHeight - float(t[size_t(i)]) / float(top) * kEnvelopeHeight);
    dl->AddCircleFilled(p, 3.5f, i == index && ImGui::IsItemHovered() ? kSelectedColour : kCurveColour);
  }
  dl->AddRect(at, ImVec2(at.x + w, at.y + kEnvelopeHeight), kFrameColour);
  if (ImGui::IsItemHovered() && index >= 0 && index < kToneSteps) ImGui::SetTooltip("%d: %d", index, t[size_t(index)]);
}

void TToneEditorView::DrawPiano() {
  ImGui::SetCursorPos(ImVec2(kMargin, kPianoTop - 22.0f));
  if (ImGui::SmallButton("-")) Run(TToneCommand::kOctaveDown);
  ImGui::SameLine();
  ImGui::Text("オクターブ %d", octave);
  ImGui::SameLine();
  if (ImGui::SmallButton("+")) Run(TToneCommand::kOctaveUp);
  ImGui::SetCursorPos(ImVec2(kMargin, kPianoTop));
  ImVec2 at = ImGui::GetCursorScreenPos();
  const float whiteW = kStepWidth * kToneSteps / 14.0f;
  const float h = 80.0f;
  ImGui::InvisibleButton("##piano", ImVec2(whiteW * 14.0f, h));
  ImDrawList* dl = ImGui::GetWindowDrawList();
  // Black keys first for hits (they lie over the white ones), white first for drawing.
  std::array<ImVec4, kSemitones> rects{};
  int white = 0;
  for (int s = 0; s < kSemitones; ++s) {
    if (IsBlack(s)) {
      float x = at.x + float(white) * whiteW - whiteW * 0.3f;
      rects[size_t(s)] = ImVec4(x, at.y, x + whiteW * 0.6f, at.y + h * 0.6f);
    } else {
      float x = at.x + float(white++) * whiteW;
      rects[size_t(s)] = ImVec4(x, at.y, x + whiteW, at.y + h);
    }
  }
  int playing = lastNote_ - octave * 12;
  if (ImGui::IsItemActivated()) {
    ImVec2 m = ImGui::GetIO().MousePos;
    int hit = -1;
    for (int pass = 0; pass < 2 && hit < 0; ++pass) {
      for (int s = 0; s < kSemitones; ++s) {
        const ImVec4& r = rects[size_t(s)];
        if (IsBlack(s) == (pass == 0) && m.x >= r.x && m.x < r.z && m.y >= r.y && m.y < r.w) hit = s;
      }
    }
    if (hit >= 0) PlayKey(hit);
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int s = 0; s < kSemitones; ++s) {
      if (IsBlack(s) != (pass == 1)) continue;
      const ImVec4& r = rects[size_t(s)];
      ImU32 fillColour = s == playing ? kSelectedColour : IsBlack(s) ? IM_COL32(20, 20, 20, 255) : IM_COL32(235, 235, 235, 255);
      dl->AddRectFilled(ImVec2(r.x, r.y), ImVec2(r.z, r.w), fillColour);
      dl->AddRect(ImVec2(r.x, r.y), ImVec2(r.z, r.w), kFrameColour);
    }
  }
  ImGui::SetCursorPos(ImVec2(kMargin, kPianoTop + h + 6.0f));
  ImGui::TextDisabled("鍵盤: Z S X D C V G B H N J M / Q 2 W 3 E R 5 T 6 Y 7 U  オクターブ: - =");
  if (!status_.empty()) {
    ImGui::SetCursorPosX(kMargin);
    ImGui::TextUnformatted(status_.c_str());
  }
}

void TToneEditorView::DrawThumbnails() {
  ImGui::SetCursorPos(ImVec2(kSideLeft, kWaveTop - 20.0f));
  ImGui::TextUnformatted("音色 (0〜95)");
  ImDrawList* dl = ImGui::GetWindowDrawList();
  for (int tone = 0; tone < TToneTables::kWaves; ++tone) {
    float x = kSideLeft + float(tone % kThumbColumns) * (kThumbWidth + kThumbGap);
    float y = kWaveTop + float(tone / kThumbColumns) * (kThumbHeight + kThumbGap);
    ImGui::SetCursorPos(ImVec2(x, y));
    ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::PushID(tone);
    if (ImGui::InvisibleButton("##tone", ImVec2(kThumbWidth, kThumbHeight))) editor.SelectWave(tone);
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("音色 %d", tone);
    ImGui::PopID();
    dl->AddRectFilled(at, ImVec2(at.x + kThumbWidth, at.y + kThumbHeight), IM_COL32(25, 25, 30, 255));
    Curve(dl, editor.Tables().waves[size_t(tone)], 255, at, kThumbWidth, kThumbHeight, kBarColour, 1.0f);
    dl->AddRect(at, ImVec2(at.x + kThumbWidth, at.y + kThumbHeight), tone == editor.wave ? kSelectedColour : kFrameColour, 0.0f, 0,
                tone == editor.wave ? 2.0f : 1.0f);
  }
}

void TToneEditorView::DrawControls() {
  const float top = kWaveTop + 8.0f * (kThumbHeight + kThumbGap) + 8.0f;
  ImGui::SetCursorPos(ImVec2(kSideLeft, top));
  ImGui::TextUnformatted("プリセット");
  ImGui::SetCursorPosX(kSideLeft);
  bool first = true;
  for (const TWavePresetInfo& p : WavePresets()) {
    if (!first) ImGui::SameLine();
    first = false;
    if (ImGui::Button(p.caption)) editor.ApplyPreset(p.preset, duty_, uint32_t(seed_));
  }
  ImGui::SetCursorPosX(kSideLeft);
  ImGui::SetNextItemWidth(150);
  ImGui::SliderFloat("デューティ", &duty_, 0.0f, 1.0f, "%.3f");
  ImGui::SameLine();
  ImGui::SetNextItemWidth(100);
  ImGui::InputInt("シード", &seed_);
  ImGui::SetCursorPosX(kSideLeft);
  ImGui::TextUnformatted("倍音 1〜8 (放すと波形になります)");
  ImGui::SetCursorPosX(kSideLeft);
  for (int k = 0; k < kHarmonics; ++k) {
    if (k > 0) ImGui::SameLine();
    ImGui::PushID(k);
    ImGui::VSliderFloat("##harmonic", ImVec2(26, 80), &harmonics_[size_t(k)], 0.0f, 1.0f, "");
    if (ImGui::IsItemDeactivatedAfterEdit()) {
      std::array<double, kHarmonics> amps{};
      for (int i = 0; i < kHarmonics; ++i) amps[size_t(i)] = harmonics_[size_t(i)];
      editor.ApplyHarmonics(amps);
    }
    if (ImGui::IsItemHovered() || ImGui::IsItemActive()) ImGui::SetTooltip("%d 倍音: %.2f", k + 1, harmonics_[size_t(k)]);
    ImGui::PopID();
  }
  ImGui::SetCursorPosX(kSideLeft);
  ImGui::TextUnformatted("エンベロープ (0〜15)");
  ImDrawList* dl = ImGui::GetWindowDrawList();
  float envTop = ImGui::GetCursorPosY();
  for (int e = 0; e < TToneTables::kEnvelopes; ++e) {
    ImGui::SetCursorPos(ImVec2(kSideLeft + float(e % 8) * (kThumbWidth + kThumbGap), envTop + float(e / 8) * (kThumbHeight + kThumbGap)));
    ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::PushID(100 + e);
    if (ImGui::InvisibleButton("##env", ImVec2(kThumbWidth, kThumbHeight))) editor.SelectEnvelope(e);
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("エンベロープ %d", e);
    ImGui::PopID();
    dl->AddRectFilled(at, ImVec2(at.x + kThumbWidth, at.y + kThumbHeight), IM_COL32(25, 25, 30, 255));
    Curve(dl, editor.Tables().envelopes[size_t(e)], TToneEditor::kEnvelopeTop, at, kThumbWidth, kThumbHeight, kCurveColour, 1.0f);
    dl->AddRect(at, ImVec2(at.x + kThumbWidth, at.y + kThumbHeight), e == editor.envelope ? kSelectedColour : kFrameColour, 0.0f,
                0, e == editor.envelope ? 2.0f : 1.0f);
  }
  ImGui::SetCursorPos(ImVec2(kSideLeft, envTop + 2.0f * (kThumbHeight + kThumbGap) + 6.0f));
  int n = 0;
  for (const TCommandInfo& info : Commands()) {
    if (info.command == TToneCommand::kOctaveDown || info.command == TToneCommand::kOctaveUp || info.command == TToneCommand::kClose) continue;
    if (n++ > 0) ImGui::SameLine();
    ImGui::BeginDisabled((info.command == TToneCommand::kUndo && !editor.CanUndo()) ||
                         (info.command == TToneCommand::kRedo && !editor.CanRedo()) ||
                         (info.command == TToneCommand::kPaste && !editor.HasClipboard()));
    if (ImGui::Button(info.caption)) Run(info.command);
    ImGui::EndDisabled();
  }
}

void TToneEditorView::DrawClosePopup() {
  AskSaveChanges(askClose_, editor.Path(), [this] { return SaveNow(); }, [this] { Close(); });
}

}  // namespace ruvel
