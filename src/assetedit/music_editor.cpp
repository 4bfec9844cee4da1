#include "assetedit/music_editor.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/paths.h"
#include "sound/melvane.h"

namespace ruvel {

namespace {

// Offsets in the editor's UTF-8 text against those in the CP932 text the
// compiler reads. Between two non-ASCII characters both advance together,
// so one anchor after each such character is enough.
class TCp932Offsets {
 public:
  explicit TCp932Offsets(const std::string& utf8) {
    if (!LooksLikeUtf8(utf8)) return;
    size_t u = 0;
    size_t c = 0;
    while (u < utf8.size()) {
      auto b = uint8_t(utf8[u]);
      if (b < 0x80) {
        ++u;
        ++c;
        continue;
      }
      size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      n = std::min(n, utf8.size() - u);
      c += Utf8ToCp932(std::string_view(utf8).substr(u, n)).size();
      u += n;
      anchors_.push_back({u, c});
    }
  }
  size_t ToUtf8(size_t cp) const {
    auto it = std::upper_bound(anchors_.begin(), anchors_.end(), cp,
                               [](size_t x, const TAnchor& a) { return x < a.cp; });
    if (it == anchors_.begin()) return cp;
    --it;
    return it->utf8 + (cp - it->cp);
  }
  size_t ToCp932(size_t utf8) const {
    auto it = std::upper_bound(anchors_.begin(), anchors_.end(), utf8,
                               [](size_t x, const TAnchor& a) { return x < a.utf8; });
    if (it == anchors_.begin()) return utf8;
    --it;
    return it->cp + (utf8 - it->utf8);
  }

 private:
  struct TAnchor {
    size_t utf8;
    size_t cp;
  };
  std::vector<TAnchor> anchors_;
};

size_t LineStart(const std::string& text, int line) {
  size_t at = 0;
  for (int l = 1; l < line; ++l) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) return text.size();
    at = nl + 1;
  }
  return at;
}

}  // namespace

TMusicEditor::TMusicEditor(TMelvane& sequencer) : seq_(sequencer) {}

bool TMusicEditor::Refresh() {
  if (compiledVersion_ == doc.Version()) return false;
  compiledVersion_ = doc.Version();
  const std::string& text = doc.Text();
  std::string mlv;
  TMmlError e;
  std::vector<TMmlNotePlace> places;
  TCp932Offsets offsets(text);
  if (!CompileMml(text, mlv, e, kMmlMaxExpanded, &places)) {
    TMusicError err;
    err.line = e.line;
    err.column = e.column;
    size_t lineStart = LineStart(text, e.line);
    size_t cp = offsets.ToCp932(lineStart) + size_t(std::max(0, e.column - 1));
    err.offset = std::min(text.size(), offsets.ToUtf8(cp));
    err.message = e.Text(ToUtf8(PathFileName(doc.Path())));
    errors_.assign(1, err);
    return false;
  }
  errors_.clear();
  mlv_ = std::move(mlv);
  ++songs_;
  roll_ = WalkMusic(mlv_);
  byOffset_.clear();
  for (auto& v : byTick_) v.clear();
  for (const TMmlNotePlace& p : places) {
    const auto& events = roll_.channels[p.channel].events;
    auto it = std::lower_bound(events.begin(), events.end(), p.streamOffset,
                               [](const TRollEvent& ev, uint32_t o) { return ev.offset < o; });
    if (it == events.end() || it->offset != p.streamOffset) continue;
    byOffset_.push_back({offsets.ToUtf8(p.sourceOffset), p.channel, it->tick, it->length});
  }
  for (const TPlace& p : byOffset_) byTick_[size_t(p.channel)].push_back(p);
  for (auto& v : byTick_) {
    std::stable_sort(v.begin(), v.end(), [](const TPlace& a, const TPlace& b) { return a.tick < b.tick; });
  }
  // A note written once but played in several passes keeps its first.
  std::stable_sort(byOffset_.begin(), byOffset_.end(), [](const TPlace& a, const TPlace& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.tick < b.tick;
  });
  return true;
}

int64_t TMusicEditor::TickAt(size_t offset) const {
  auto it = std::upper_bound(byOffset_.begin(), byOffset_.end(), offset,
                             [](size_t o, const TPlace& p) { return o < p.offset; });
  if (it == byOffset_.begin()) return 0;
  size_t at = std::prev(it)->offset;
  // The first pass of the note at that place.
  auto first = std::lower_bound(byOffset_.begin(), byOffset_.end(), at,
                                [](const TPlace& p, size_t o) { return p.offset < o; });
  return first->tick;
}

int64_t TMusicEditor::EndTickBefore(size_t offset) const {
  auto it = std::lower_bound(byOffset_.begin(), byOffset_.end(), offset,
                             [](const TPlace& p, size_t o) { return p.offset < o; });
  if (it == byOffset_.begin()) return 0;
  size_t at = std::prev(it)->offset;
  auto first = std::lower_bound(byOffset_.begin(), byOffset_.end(), at,
                                [](const TPlace& p, size_t o) { return p.offset < o; });
  return first->tick + first->length;
}

void TMusicEditor::PlayFrom(int64_t tick) {
  loopFrom_ = loopTo_ = 0;
  Start(tick);
}

void TMusicEditor::Start(int64_t tick) {
  Refresh();
  if (mlv_.empty()) return;
  if (seq_.LoadMusicBytes(mlv_) == kSoundMalformed) return;
  ApplySilence();
  tick = std::max<int64_t>(0, tick);
  seq_.PlayMusicFrom(tick);
  if (seq_.Status() == kSoundNoDevice) {
    playing_ = false;
    return;
  }
  startEngineTick_ = seq_.Engine().tick - tick;
  playingSong_ = songs_;
  heardFrom_ = tick;
  playing_ = true;
}

bool TMusicEditor::LoopSelection(size_t from, size_t to) {
  Refresh();
  // From the first note written in the stretch to the end of the last,
  // each at its first pass.
  int64_t a = INT64_MAX;
  int64_t b = INT64_MIN;
  auto it = std::lower_bound(byOffset_.begin(), byOffset_.end(), from,
                             [](const TPlace& p, size_t o) { return p.offset < o; });
  for (size_t last = kNoPlace; it != byOffset_.end() && it->offset < to; ++it) {
    if (it->offset == last) continue;
    last = it->offset;
    a = std::min(a, it->tick);
    b = std::max(b, it->tick + it->length);
  }
  if (b <= a) return false;
  Start(a);
  loopFrom_ = a;
  loopTo_ = b;
  return playing_;
}

void TMusicEditor::Stop() {
  // Only the editor's own song: the game's music is left alone.
  if (playing_) {
    seq_.StopMusic();
    Unsilence();
  }
  playing_ = false;
  loopFrom_ = loopTo_ = 0;
}

bool TMusicEditor::Playing() const { return playing_; }

void TMusicEditor::Update() {
  if (!playing_) return;
  int64_t rendered = seq_.Engine().tick - startEngineTick_;
  if (playingSong_ != songs_) {
    // The text changed and compiled: the new song goes on from where the
    // old one stood (the loop, if any, is kept).
    Start(Looping() && (rendered < loopFrom_ || rendered >= loopTo_) ? loopFrom_ : rendered);
    return;
  }
  if (Looping() && rendered >= loopTo_) {
    Start(loopFrom_);
    return;
  }
  bool any = false;
  for (int c = 0; c < kChannels; ++c) any = any || seq_.Engine().Voice(c).state != TChannelState::kStopped;
  if (!any && PlayTick() >= roll_.EndTick()) {
    playing_ = false;
    Unsilence();
  }
}

int64_t TMusicEditor::PlayTick() const {
  if (!playing_) return -1;
  const TEnveloper& engine = const_cast<TMelvane&>(seq_).Engine();
  // What is rendered now is heard once the device has gone round its buffer.
  int64_t lag = int64_t(engine.Length()) * engine.tempo / 120;
  return std::max(heardFrom_, engine.tick - startEngineTick_ - lag);
}

int64_t TMusicEditor::Wrap(int ch, int64_t tick) const {
  const TRollChannel& c = roll_.channels[size_t(ch)];
  if (c.loopTick < 0 || tick < c.endTick || c.endTick <= c.loopTick) return tick;
  return c.loopTick + (tick - c.endTick) % (c.endTick - c.loopTick);
}

int64_t TMusicEditor::HeadTick() const {
  int64_t now = PlayTick();
  int longest = -1;
  for (int c = 0; c < kChannels; ++c) {
    const TRollChannel& rc = roll_.channels[size_t(c)];
    if (rc.loopTick >= 0 && (longest < 0 || rc.endTick > roll_.channels[size_t(longest)].endTick)) longest = c;
  }
  return now < 0 || longest < 0 ? now : Wrap(longest, now);
}

std::array<size_t, TMusicEditor::kChannels> TMusicEditor::PlayOffsets() const {
  std::array<size_t, kChannels> out;
  out.fill(kNoPlace);
  int64_t now = PlayTick();
  if (now < 0) return out;
  for (int c = 0; c < kChannels; ++c) {
    int64_t t = Wrap(c, now);
    const auto& v = byTick_[size_t(c)];
    auto it = std::upper_bound(v.begin(), v.end(), t, [](int64_t x, const TPlace& p) { return x < p.tick; });
    if (it == v.begin()) continue;
    --it;
    if (t < it->tick + it->length) out[size_t(c)] = it->offset;
  }
  return out;
}

// The switches reach the sequencer only while the editor's song plays, so
// that the game's own music is never silenced by them.
void TMusicEditor::SetMuted(int ch, bool on) {
  muted_[size_t(ch)] = on;
  if (playing_) ApplySilence();
}

void TMusicEditor::SetSolo(int ch, bool on) {
  solo_[size_t(ch)] = on;
  if (playing_) ApplySilence();
}

bool TMusicEditor::Audible(int ch) const {
  bool anySolo = std::find(solo_.begin(), solo_.end(), true) != solo_.end();
  return anySolo ? solo_[size_t(ch)] : !muted_[size_t(ch)];
}

void TMusicEditor::ApplySilence() {
  for (int c = 0; c < kChannels; ++c) seq_.Engine().SetSilenced(c, !Audible(c));
}

void TMusicEditor::Unsilence() {
  for (int c = 0; c < kChannels; ++c) seq_.Engine().SetSilenced(c, false);
}

}  // namespace ruvel
