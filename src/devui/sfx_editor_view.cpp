#include "devui/sfx_editor_view.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "devui/close_question.h"
#include "devui/file_browser_view.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "sound/sfx_render.h"
#include "sound/sound_manager.h"
#include "sound/wav_writer.h"

namespace ruvel {

namespace {

constexpr float kCaptionWidth = 190.0f;
constexpr float kSliderWidth = 260.0f;
constexpr int kPlayVolume = 128;

struct TCommandInfo {
  TSfxCommand command;
  const char* caption;
  SDL_Scancode key;
  bool ctrl;
};

const TCommandInfo kCommands[] = {
#define RUVEL_SFX_COMMAND_ROW(id, caption, key, ctrl) {TSfxCommand::id, caption, key, ctrl},
    RUVEL_SFX_COMMANDS(RUVEL_SFX_COMMAND_ROW)
#undef RUVEL_SFX_COMMAND_ROW
};

// Frequencies and cut-offs span three decades: their sliders are
// logarithmic so that low values can be set as finely as high ones.
bool Logarithmic(int key) { return key == kSfxFreq || key == kSfxLowpass || key == kSfxHighpass; }

}  // namespace

bool TSfxEditorView::Open(const std::string& path) {
  std::string error;
  if (!editor.Open(path, error)) {
    ShowMessage(Utf8ToCp932(error));
    opened = false;
    return false;
  }
  opened = true;
  shown = true;
  status_.clear();
  for (const std::string& p : editor.Problems()) status_ += (status_.empty() ? "" : "\n") + p;
  if (editor.IsNew()) status_ = "新しい効果音です (保存するとファイルができます)";
  return true;
}

void TSfxEditorView::ShowOpenDialog() {
  // Changes are saved (or undone) first, so that opening never loses them.
  if (editor.Dirty() && (!editor.IsNew() || editor.CanUndo())) {
    status_ = "変更を先に保存してください";
    return;
  }
  browser_.Open(J("効果音ファイルを開く"), J("効果音 (*.sfx)|*.sfx"), PathParent(editor.Path()));
  browser_.fileName = PathFileName(editor.Path());
}

bool TSfxEditorView::SaveNow() {
  std::string error;
  if (!editor.Save(error)) {
    status_ = error;
    ShowMessage(Utf8ToCp932(error));
    return false;
  }
  status_ = "保存しました";
  return true;
}

void TSfxEditorView::PlayNow() {
  TSndManager& sound = SoundManager();
  if (effectId_ != 0) sound.FreeEffect(effectId_);
  const std::vector<int16_t>& samples = editor.Samples();
  effectId_ = samples.empty() ? 0 : sound.LoadEffectBytes(WavFileBytes(samples.data(), samples.size()));
  sound.PlayEffect(effectId_, kPlayVolume);
}

bool TSfxEditorView::Run(TSfxCommand c) {
  switch (c) {
    case TSfxCommand::kPlay: editor.RequestPlay(); return true;
    case TSfxCommand::kRandom: editor.Randomize(); return true;
    case TSfxCommand::kMutate: editor.Mutate(); return true;
    case TSfxCommand::kUndo: return editor.Undo();
    case TSfxCommand::kRedo: return editor.Redo();
    case TSfxCommand::kOpen: ShowOpenDialog(); return true;
    case TSfxCommand::kSave: return SaveNow();
    case TSfxCommand::kClose: RequestClose(); return true;
  }
  return false;
}

void TSfxEditorView::RequestClose() {
  if (editor.Dirty()) askClose_ = true;
  else shown = false;
}

void TSfxEditorView::HandleKeys() {
  ImGuiIO& io = ImGui::GetIO();
  if (io.WantTextInput || !ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) return;
  for (const TCommandInfo& info : kCommands) {
    if (io.KeyCtrl == info.ctrl && ImGui::IsKeyPressed(info.key, false)) Run(info.command);
  }
  if (io.KeyCtrl) return;
  for (int i = 0; i < kSfxPresetCount; ++i) {
    if (ImGui::IsKeyPressed(SDL_SCANCODE_1 + i, false)) editor.ApplyPreset(TSfxPreset(i));
  }
}

void TSfxEditorView::Draw(bool fill) {
  std::string chosen;
  if (browser_.shown && DrawFileBrowser(browser_, chosen) == TBrowserResult::kChosen) Open(chosen);
  if (!shown || !opened) return;
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoCollapse;
  if (fill) {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    flags |= ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
             ImGuiWindowFlags_NoBringToFrontOnFocus;
  } else {
    ImGui::SetNextWindowSize(ImVec2(900, 640), ImGuiCond_Appearing);
  }
  std::string title = std::string("効果音エディタ - ") + ToUtf8(PathFileName(editor.Path())) +
                      (editor.Dirty() ? " *" : "") + "###効果音エディタ";
  bool open = true;
  if (ImGui::Begin(title.c_str(), fill ? nullptr : &open, flags)) {
    HandleKeys();
    ImGui::BeginGroup();
    DrawSliders();
    ImGui::EndGroup();
    ImGui::SameLine();
    ImGui::BeginGroup();
    DrawButtons();
    DrawWaveform();
    ImGui::EndGroup();
    DrawClosePopup();
  }
  ImGui::End();
  if (!open) RequestClose();
  // A drag plays once, when the slider is let go.
  if (!ImGui::IsAnyItemActive() && editor.TakePlayRequest()) PlayNow();
}

void TSfxEditorView::DrawSliders() {
  TSfxParams p = editor.Params();
  for (int k = 0; k < kSfxKeyCount; ++k) {
    const TSfxKeyInfo& info = SfxKeyInfo(k);
    ImGui::PushID(k);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(info.caption);
    ImGui::SameLine(kCaptionWidth);
    ImGui::SetNextItemWidth(kSliderWidth);
    bool changed = false;
    if (k == kSfxWave) {
      int wave = p.Wave();
      changed = ImGui::SliderInt(info.name, &wave, 0, kSfxWaveCount - 1, SfxWaveCaption(wave), ImGuiSliderFlags_NoInput);
      if (changed) p[k] = wave;
    } else {
      double lo = info.min;
      double hi = info.max;
      ImGuiSliderFlags flags = ImGuiSliderFlags_AlwaysClamp;
      if (Logarithmic(k)) flags |= ImGuiSliderFlags_Logarithmic;
      const char* format = info.integer ? "%.0f" : (std::fabs(info.max) >= 1000 ? "%.1f" : "%.3f");
      changed = ImGui::SliderScalar(info.name, ImGuiDataType_Double, &p.v[size_t(k)], &lo, &hi, format, flags);
    }
    // Every frame of one drag changes the same undo step.
    if (changed) editor.Set(k, p[k], !ImGui::IsItemActivated());
    ImGui::PopID();
  }
}

void TSfxEditorView::DrawButtons() {
  ImGui::TextUnformatted("プリセット");
  for (int i = 0; i < kSfxPresetCount; ++i) {
    if (i % 3 != 0) ImGui::SameLine();
    char label[64];
    std::snprintf(label, sizeof label, "%s (%d)", SfxPresetCaption(TSfxPreset(i)), i + 1);
    if (ImGui::Button(label)) editor.ApplyPreset(TSfxPreset(i));
  }
  ImGui::Separator();
  bool first = true;
  for (const TCommandInfo& info : kCommands) {
    if (info.command == TSfxCommand::kClose) continue;
    if (!first) ImGui::SameLine();
    first = false;
    bool disabled = (info.command == TSfxCommand::kUndo && !editor.CanUndo()) ||
                    (info.command == TSfxCommand::kRedo && !editor.CanRedo());
    ImGui::BeginDisabled(disabled);
    if (ImGui::Button(info.caption)) Run(info.command);
    ImGui::EndDisabled();
  }
  ImGui::Text("長さ %.3f 秒 (上限 %.0f 秒)", editor.Params().Seconds(), kSfxMaxSeconds);
  if (!status_.empty()) ImGui::TextWrapped("%s", status_.c_str());
}

// The waveform as one vertical stroke per column from the lowest to the
// highest sample it covers, over a line at zero.
void TSfxEditorView::DrawWaveform() {
  const std::vector<int16_t>& samples = editor.Samples();
  ImVec2 avail = ImGui::GetContentRegionAvail();
  ImVec2 size(std::max(200.0f, avail.x), std::max(120.0f, std::min(avail.y, 260.0f)));
  ImVec2 at = ImGui::GetCursorScreenPos();
  ImGui::Dummy(size);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(at, ImVec2(at.x + size.x, at.y + size.y), IM_COL32(20, 24, 28, 255));
  float mid = at.y + size.y / 2;
  dl->AddLine(ImVec2(at.x, mid), ImVec2(at.x + size.x, mid), IM_COL32(80, 80, 90, 255));
  int columns = int(size.x);
  if (samples.empty() || columns <= 0) return;
  float half = size.y / 2 - 2;
  for (int x = 0; x < columns; ++x) {
    size_t begin = samples.size() * size_t(x) / size_t(columns);
    size_t end = std::max(begin + 1, samples.size() * size_t(x + 1) / size_t(columns));
    end = std::min(end, samples.size());
    int lo = 0;
    int hi = 0;
    for (size_t i = begin; i < end; ++i) {
      lo = std::min<int>(lo, samples[i]);
      hi = std::max<int>(hi, samples[i]);
    }
    float fx = at.x + float(x);
    dl->AddLine(ImVec2(fx, mid - half * float(hi) / 32767.0f), ImVec2(fx, mid - half * float(lo) / 32767.0f + 1),
                IM_COL32(120, 220, 140, 255));
  }
}

void TSfxEditorView::DrawClosePopup() {
  AskSaveChanges(askClose_, editor.Path(), [this] { return SaveNow(); }, [this] { shown = false; });
}

}  // namespace ruvel
