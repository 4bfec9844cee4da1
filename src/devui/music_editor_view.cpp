#include "devui/music_editor_view.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "devui/close_question.h"
#include "devui/file_browser_view.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"

namespace ruvel {

namespace {

struct TCommandInfo {
  TMusicCommand command;
  const char* caption;
  int key;
  bool ctrl;
};

constexpr TCommandInfo kCommands[] = {
#define RUVEL_MUSIC_COMMAND_INFO(id, caption, key, ctrl) {TMusicCommand::id, caption, key, ctrl},
    RUVEL_MUSIC_COMMANDS(RUVEL_MUSIC_COMMAND_INFO)
#undef RUVEL_MUSIC_COMMAND_INFO
};

// The colour of each kind of token, in the order of RUVEL_MML_TOKENS.
constexpr ImU32 kTokenColours[kMmlTokenKinds] = {
    IM_COL32(220, 220, 220, 255),  // plain
    IM_COL32(255, 170, 60, 255),   // channel
    IM_COL32(120, 200, 255, 255),  // note
    IM_COL32(140, 140, 160, 255),  // rest
    IM_COL32(180, 230, 140, 255),  // number
    IM_COL32(240, 120, 200, 255),  // command
    IM_COL32(200, 150, 255, 255),  // word
    IM_COL32(255, 220, 100, 255),  // octave
    IM_COL32(255, 255, 255, 255),  // structure
    IM_COL32(230, 180, 140, 255),  // text
    IM_COL32(110, 150, 110, 255),  // comment
};

constexpr ImU32 kErrorColour = IM_COL32(255, 70, 70, 255);
constexpr ImU32 kPlayingColour = IM_COL32(200, 160, 0, 110);

std::string TimeText(double seconds) {
  if (seconds < 0) seconds = 0;
  int cs = int(seconds * 100.0 + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d.%02d", cs / 6000, cs / 100 % 60, cs % 100);
  return buf;
}

std::vector<size_t> LineStarts(const std::string& text) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

}  // namespace

TMusicEditorView::TMusicEditorView(TMelvane& sequencer) : editor(sequencer) {}

bool TMusicEditorView::Open(const std::string& path) {
  if (loaded_ && editor.doc.Path() == path) {
    shown = true;
    return true;
  }
  if (loaded_ && editor.doc.Dirty()) {
    ShowMessage(editor.doc.Path() + J(" は変更されています。先に保存するか閉じてください"));
    shown = true;
    return false;
  }
  std::string error;
  if (!editor.doc.Load(path, error)) {
    ShowMessage(error);
    return false;
  }
  editor.Stop();
  loaded_ = true;
  shown = true;
  status_ = editor.doc.IsNew() ? "新しいファイルです (保存すると作られます)" : "";
  return true;
}

void TMusicEditorView::ShowOpenDialog(const std::string& dir) {
  browser_.Open(J("MMLファイルを開く"), J("MML (*.mml)|*.mml"), dir);
  browser_.fileName = "song.mml";
}

bool TMusicEditorView::SaveNow() {
  std::string error;
  if (!editor.doc.Save(error)) {
    status_ = ToUtf8(error);
    ShowMessage(error);
    return false;
  }
  status_ = "保存しました";
  if (saved) saved(editor.doc.Path());
  return true;
}

bool TMusicEditorView::Run(TMusicCommand c) {
  switch (c) {
    case TMusicCommand::kPlay:
    case TMusicCommand::kPlayFromCursor:
      if (c == TMusicCommand::kPlay) editor.Play();
      else editor.PlayFromCursor(cursor_);
      if (!editor.Playing()) status_ = editor.HasSong() ? "音を出せません" : "コンパイルできた曲がありません";
      return editor.Playing();
    case TMusicCommand::kLoop:
      if (editor.LoopSelection(selFrom_, selTo_)) return true;
      status_ = "選択範囲に音符がありません";
      return false;
    case TMusicCommand::kStop: editor.Stop(); return true;
    case TMusicCommand::kUndo: return editor.doc.Undo();
    case TMusicCommand::kRedo: return editor.doc.Redo();
    case TMusicCommand::kSave: return SaveNow();
    case TMusicCommand::kOpen: ShowOpenDialog(PathParent(editor.doc.Path())); return true;
    case TMusicCommand::kClose: RequestClose(); return true;
  }
  return false;
}

void TMusicEditorView::RequestClose() {
  if (loaded_ && editor.doc.Dirty()) {
    askClose_ = true;
  } else {
    editor.Stop();
    shown = false;
  }
}

void TMusicEditorView::HandleKeys() {
  ImGuiIO& io = ImGui::GetIO();
  if (!ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) return;
  for (const TCommandInfo& info : kCommands) {
    // While the text is edited its own undo keys work there.
    bool textKey = info.command == TMusicCommand::kUndo || info.command == TMusicCommand::kRedo;
    if (textKey && io.WantTextInput) continue;
    if (io.KeyCtrl == info.ctrl && ImGui::IsKeyPressed(info.key, false)) Run(info.command);
  }
}

void TMusicEditorView::Draw(bool fill) {
  std::string chosen;
  if (browser_.shown && DrawFileBrowser(browser_, chosen) == TBrowserResult::kChosen) Open(chosen);
  if (!shown || !loaded_) return;
  editor.Refresh();
  editor.Update();
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoScrollbar;
  if (fill) {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    flags |= ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
             ImGuiWindowFlags_NoBringToFrontOnFocus;
  } else {
    ImGui::SetNextWindowSize(ImVec2(900, 620), ImGuiCond_Appearing);
  }
  std::string title = std::string("音楽エディタ - ") + ToUtf8(PathFileName(editor.doc.Path())) +
                      (editor.doc.Dirty() ? " *" : "") + "###音楽エディタ";
  bool open = true;
  if (ImGui::Begin(title.c_str(), fill ? nullptr : &open, flags)) {
    HandleKeys();
    DrawToolbar();
    float avail = ImGui::GetContentRegionAvail().y;
    float errors = ImGui::GetTextLineHeightWithSpacing() * 1.5f;
    float roll = std::max(120.0f, (avail - errors) * 0.38f);
    DrawText(std::max(80.0f, avail - errors - roll - ImGui::GetStyle().ItemSpacing.y * 2));
    DrawErrors();
    DrawRoll(roll);
    DrawClosePopup();
  }
  ImGui::End();
  if (!open) RequestClose();
}

void TMusicEditorView::DrawToolbar() {
  for (const TCommandInfo& info : kCommands) {
    if (info.command != TMusicCommand::kPlay) ImGui::SameLine();
    bool disabled = (info.command == TMusicCommand::kUndo && !editor.doc.CanUndo()) ||
                    (info.command == TMusicCommand::kRedo && !editor.doc.CanRedo());
    ImGui::BeginDisabled(disabled);
    if (ImGui::Button(info.caption)) Run(info.command);
    ImGui::EndDisabled();
  }
  const TMusicRoll& roll = editor.Roll();
  int64_t head = editor.HeadTick();
  ImGui::Text("%s / %s", TimeText(head < 0 ? 0.0 : roll.Seconds(head)).c_str(), TimeText(roll.Seconds(roll.EndTick())).c_str());
  ImGui::SameLine();
  ImGui::Checkbox("再生位置を追う", &follow_);
  ImGui::SameLine();
  if (ImGui::Button("拡大")) pixelsPerBeat_ = std::min(400.0f, pixelsPerBeat_ * 1.5f);
  ImGui::SameLine();
  if (ImGui::Button("縮小")) pixelsPerBeat_ = std::max(4.0f, pixelsPerBeat_ / 1.5f);
  if (editor.Looping()) {
    ImGui::SameLine();
    ImGui::TextUnformatted("ループ中");
  }
  if (!status_.empty()) {
    ImGui::SameLine();
    ImGui::TextUnformatted(status_.c_str());
  }
}

int TMusicEditorView::TextCallback(ImGuiInputTextCallbackData* data) {
  auto* self = static_cast<TMusicEditorView*>(data->UserData);
  if (data->EventFlag == ImGuiInputTextFlags_CallbackResize) {
    self->buffer_.resize(size_t(data->BufTextLen));
    data->Buf = self->buffer_.data();
    return 0;
  }
  if (self->replace_) {
    // Undo, redo or a reload while the text is being edited.
    const std::string& text = self->editor.doc.Text();
    int cursor = std::min(data->CursorPos, int(text.size()));
    data->DeleteChars(0, data->BufTextLen);
    data->InsertChars(0, text.data(), text.data() + text.size());
    data->CursorPos = data->SelectionStart = data->SelectionEnd = cursor;
    self->replace_ = false;
  }
  self->cursor_ = size_t(data->CursorPos);
  self->selFrom_ = size_t(std::min(data->SelectionStart, data->SelectionEnd));
  self->selTo_ = size_t(std::max(data->SelectionStart, data->SelectionEnd));
  return 0;
}

void TMusicEditorView::Measure() {
  if (measuredVersion_ == shownVersion_) return;
  measuredVersion_ = shownVersion_;
  starts_ = LineStarts(buffer_);
  spans_ = ColourMml(buffer_);
  widest_ = 0.0f;
  for (size_t i = 0; i < starts_.size(); ++i) {
    size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : buffer_.size();
    widest_ = std::max(widest_, ImGui::CalcTextSize(buffer_.data() + starts_[i], buffer_.data() + end).x);
  }
}

void TMusicEditorView::DrawText(float height) {
  if (editor.doc.Version() != shownVersion_) {
    buffer_ = editor.doc.Text();
    shownVersion_ = editor.doc.Version();
    replace_ = true;
  }
  ImGui::BeginChild("##mmltext", ImVec2(0, height), true, ImGuiWindowFlags_HorizontalScrollbar);
  const ImGuiStyle& style = ImGui::GetStyle();
  float lineHeight = ImGui::GetFontSize();
  Measure();
  size_t lines = starts_.size();
  float widest = widest_;
  float gutter = ImGui::CalcTextSize("00000").x + 10.0f;
  ImVec2 start = ImGui::GetCursorScreenPos();
  ImVec2 avail = ImGui::GetContentRegionAvail();
  // The input is as large as its text, so that it never scrolls inside:
  // the colours drawn under it stay in step with its letters.
  ImVec2 size(std::max(avail.x - gutter, widest + 3.0f * lineHeight),
              std::max(avail.y, float(lines + 1) * lineHeight + 2.0f * style.FramePadding.y));
  ImGui::SetCursorScreenPos(ImVec2(start.x + gutter, start.y));
  ImVec2 inputAt = ImGui::GetCursorScreenPos();
  ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(0, 0, 0, 0));
  ImGui::PushStyleColor(ImGuiCol_FrameBg, IM_COL32(0, 0, 0, 0));
  ImGuiInputTextFlags flags = ImGuiInputTextFlags_AllowTabInput | ImGuiInputTextFlags_CallbackResize |
                              ImGuiInputTextFlags_CallbackAlways | ImGuiInputTextFlags_NoHorizontalScroll;
  bool changed = ImGui::InputTextMultiline("##mml", buffer_.data(), buffer_.capacity() + 1, size, flags, TextCallback, this);
  bool active = ImGui::IsItemActive();
  ImGui::PopStyleColor(2);
  if (changed) {
    editor.doc.SetText(buffer_);
    shownVersion_ = editor.doc.Version();
    Measure();
  }
  if (!active) replace_ = false;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(ImVec2(inputAt.x, inputAt.y), ImVec2(inputAt.x + size.x, inputAt.y + size.y), IM_COL32(25, 25, 32, 255));
  DrawTextOverlay(inputAt.x + style.FramePadding.x, inputAt.y + style.FramePadding.y, lineHeight);
  if (active) {
    // The caret (ImGui's own is drawn in the hidden text colour).
    const std::vector<size_t>& starts = starts_;
    size_t line = size_t(std::upper_bound(starts.begin(), starts.end(), cursor_) - starts.begin()) - 1;
    size_t from = starts[line];
    float x = inputAt.x + style.FramePadding.x +
              ImGui::CalcTextSize(buffer_.data() + from, buffer_.data() + std::min(cursor_, buffer_.size())).x;
    float y = inputAt.y + style.FramePadding.y + float(line) * lineHeight;
    dl->AddLine(ImVec2(x, y), ImVec2(x, y + lineHeight), IM_COL32(255, 255, 255, 255), 1.5f);
  }
  ImGui::EndChild();
}

void TMusicEditorView::DrawTextOverlay(float originX, float originY, float lineHeight) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const std::string& text = buffer_;
  const std::vector<size_t>& starts = starts_;
  const std::vector<TMmlSpan>& spans = spans_;
  ImVec2 clipMin = dl->GetClipRectMin();
  ImVec2 clipMax = dl->GetClipRectMax();
  auto lineOf = [&](size_t offset) {
    return size_t(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
  };
  auto xOf = [&](size_t offset) {
    size_t from = starts[lineOf(offset)];
    return originX + ImGui::CalcTextSize(text.data() + from, text.data() + offset).x;
  };
  size_t first = size_t(std::max(0.0f, (clipMin.y - originY) / lineHeight));
  size_t last = std::min(starts.size(), size_t(std::max(0.0f, (clipMax.y - originY) / lineHeight)) + 1);
  bool current = shownVersion_ == editor.doc.Version();
  // The notes being heard, lit behind their letters.
  std::array<size_t, TMusicEditor::kChannels> playing = editor.PlayOffsets();
  size_t followLine = SIZE_MAX;
  for (size_t offset : playing) {
    if (offset == TMusicEditor::kNoPlace || offset >= text.size() || !current) continue;
    auto span = std::upper_bound(spans.begin(), spans.end(), offset,
                                 [](size_t o, const TMmlSpan& s) { return o < s.begin; });
    size_t end = span == spans.begin() ? offset + 1 : std::min(std::prev(span)->end, offset + 8);
    while (end > offset + 1 && text[end - 1] == '\n') --end;
    float y = originY + float(lineOf(offset)) * lineHeight;
    dl->AddRectFilled(ImVec2(xOf(offset) - 1, y), ImVec2(xOf(end) + 1, y + lineHeight), kPlayingColour);
    followLine = std::min(followLine, lineOf(offset));
  }
  // Line numbers, then the coloured text of the lines in view.
  const TMusicError* error = editor.Errors().empty() || !current ? nullptr : &editor.Errors().front();
  size_t errorLine = error ? lineOf(std::min(error->offset, text.size())) : SIZE_MAX;
  float gutterRight = originX - ImGui::GetStyle().FramePadding.x - 6.0f;
  for (size_t line = first; line < last; ++line) {
    char number[24];
    std::snprintf(number, sizeof number, "%zu", line + 1);
    float y = originY + float(line) * lineHeight;
    float w = ImGui::CalcTextSize(number).x;
    dl->AddText(ImVec2(gutterRight - w, y), line == errorLine ? kErrorColour : IM_COL32(120, 120, 130, 255), number);
    size_t from = starts[line];
    size_t to = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
    auto span = std::upper_bound(spans.begin(), spans.end(), from,
                                 [](size_t o, const TMmlSpan& s) { return o < s.begin; });
    if (span != spans.begin()) --span;
    float x = originX;
    for (size_t at = from; at < to && span != spans.end(); ++span) {
      size_t end = std::min(span->end, to);
      if (end <= at) continue;
      const char* a = text.data() + at;
      const char* b = text.data() + end;
      dl->AddText(ImVec2(x, y), kTokenColours[int(span->kind)], a, b);
      x += ImGui::CalcTextSize(a, b).x;
      at = end;
    }
  }
  if (error) {
    // A wavy line under the place of the mistake, its message on hover.
    size_t at = std::min(error->offset, text.size());
    float x = xOf(at);
    float y = originY + float(errorLine + 1) * lineHeight - 1.0f;
    size_t next = at < text.size() && text[at] != '\n' ? at + 1 : at;
    while (next < text.size() && (uint8_t(text[next]) & 0xC0) == 0x80) ++next;
    float w = std::max(8.0f, xOf(next) - x);
    for (float s = 0; s < w; s += 4.0f) {
      dl->AddLine(ImVec2(x + s, y), ImVec2(x + s + 2.0f, y - 2.0f), kErrorColour);
      dl->AddLine(ImVec2(x + s + 2.0f, y - 2.0f), ImVec2(x + s + 4.0f, y), kErrorColour);
    }
    dl->AddRectFilled(ImVec2(gutterRight + 2.0f, y - lineHeight + 3.0f), ImVec2(gutterRight + 6.0f, y - 1.0f), kErrorColour);
    ImVec2 m = ImGui::GetIO().MousePos;
    if (ImGui::IsWindowHovered() && m.y >= y - lineHeight && m.y < y + 1.0f) ImGui::SetTooltip("%s", error->message.c_str());
  }
  if (follow_ && followLine != SIZE_MAX) {
    float y = float(followLine) * lineHeight;
    float top = ImGui::GetScrollY();
    float h = ImGui::GetWindowHeight();
    if (y < top || y + 2.0f * lineHeight > top + h) ImGui::SetScrollY(std::max(0.0f, y - h / 3.0f));
  }
}

void TMusicEditorView::DrawErrors() {
  if (editor.Errors().empty()) {
    ImGui::TextDisabled("エラーはありません");
    return;
  }
  for (const TMusicError& e : editor.Errors()) ImGui::TextColored(ImVec4(1.0f, 0.35f, 0.35f, 1.0f), "%s", e.message.c_str());
}

void TMusicEditorView::DrawClosePopup() {
  auto close = [this] {
    editor.Stop();
    shown = false;
  };
  // After 破棄, opening the file again reads it from the disk.
  if (AskSaveChanges(askClose_, editor.doc.Path(), [this] { return SaveNow(); }, close) == TCloseAnswer::kDiscard) loaded_ = false;
}

}  // namespace ruvel
