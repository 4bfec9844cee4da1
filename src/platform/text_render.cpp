#include "platform/text_render.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/cp932.h"
#include "platform/font_match.h"
#include "platform/surface.h"

namespace ruvel {

namespace {

constexpr const char* kDefaultFamily = "IPAGothic";
constexpr int kMinSize = 1;
constexpr int kMaxSize = 512;

// Owner of the process's open fonts and of the family-to-file answers of
// fontconfig; emptied by CloseFonts.
struct FontCache {
  std::map<std::string, std::string> files;  // family (UTF-8) -> file
  std::map<std::string, TTF_Font*> fonts;    // file|size|style -> font
  bool ttfReady = false;

  ~FontCache() { Close(); }
  void Close() {
    for (auto& [key, font] : fonts) TTF_CloseFont(font);
    fonts.clear();
    if (ttfReady) TTF_Quit();
    ttfReady = false;
  }
};

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

const std::string& DefaultFontFile() {
  static const std::string file = [] {
    std::string f = MatchFamily(kDefaultFamily, true);
    return f.empty() ? MatchFamily(kDefaultFamily, false) : f;
  }();
  return file;
}

int StyleBits(const TFontSpec& f) {
  return (f.bold ? TTF_STYLE_BOLD : 0) | (f.italic ? TTF_STYLE_ITALIC : 0) | (f.underline ? TTF_STYLE_UNDERLINE : 0);
}

TTF_Font* OpenFont(const std::string& file, int size, int style) {
  if (file.empty()) return nullptr;
  FontCache& cache = Fonts();
  if (!cache.ttfReady) {
    if (TTF_Init() != 0) return nullptr;
    cache.ttfReady = true;
  }
  std::string key = file + "|" + std::to_string(size) + "|" + std::to_string(style);
  auto it = cache.fonts.find(key);
  if (it != cache.fonts.end()) return it->second;
  TTF_Font* font = TTF_OpenFontDPI(file.c_str(), size, 96, 96);
  if (font) TTF_SetFontStyle(font, style);
  cache.fonts[key] = font;  // a failure is remembered too
  return font;
}

// Every code point of the text beyond ASCII is in the font.
bool CoversText(TTF_Font* font, const std::string& utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp;
    int len;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { ++i; continue; }
    for (int k = 1; k < len && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += len;
    if (!TTF_GlyphIsProvided32(font, cp)) return false;
  }
  return true;
}

// The font to draw this text with: the requested family, or the default
// Japanese font when the family is missing or lacks a character.
TTF_Font* FontFor(const TFontSpec& spec, const std::string& utf8, std::string& fileOut) {
  int size = std::clamp(spec.size, kMinSize, kMaxSize);
  int style = StyleBits(spec);
  std::string file = FindFontFile(spec.name);
  TTF_Font* font = OpenFont(file, size, style);
  if (font && file != DefaultFontFile() && !CoversText(font, utf8)) font = nullptr;
  if (!font) {
    file = DefaultFontFile();
    font = OpenFont(file, size, style);
  }
  fileOut = file;
  return font;
}

}  // namespace

std::string FindFontFile(const std::string& family) {
  if (family.empty()) return DefaultFontFile();
  std::string utf8 = ToUtf8(family);
  FontCache& cache = Fonts();
  auto it = cache.files.find(utf8);
  if (it != cache.files.end()) return it->second;
  std::string file = MatchFamily(utf8, true);
  if (file.empty()) file = DefaultFontFile();
  cache.files[utf8] = file;
  return file;
}

void CloseFonts() { Fonts().Close(); }

TTextRenderer::TTextRenderer(SDL_Renderer* renderer) : renderer_(renderer) {}

TTextRenderer::~TTextRenderer() { Evict(0); }

bool TTextRenderer::Measure(const std::string& text, const TFontSpec& font, int& w, int& h) {
  // The size of the rendered picture (kept for drawing), so that the bounds
  // cover everything drawn, an underline below the descent included.
  Entry* e = Lookup(text, font);
  w = e->w;
  h = e->h;
  return e->h > 0;
}

TTextRenderer::Entry* TTextRenderer::Lookup(const std::string& text, const TFontSpec& font) {
  std::string key = text;
  key += '\x01';
  key += font.name;
  key += '\x01' + std::to_string(font.size) + '\x01' + std::to_string(StyleBits(font));
  auto it = cache_.find(key);
  if (it != cache_.end()) {
    it->second.lastUsed = frame_;
    return &it->second;
  }
  Entry e;
  e.lastUsed = frame_;
  std::string utf8 = ToUtf8(text);
  std::string file;
  TTF_Font* f = FontFor(font, utf8, file);
  if (f) e.h = TTF_FontHeight(f);  // an empty text is as high as the font
  if (f && !utf8.empty()) {
    SDL_Surface* s = TTF_RenderUTF8_Blended(f, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (s) {
      e.texture = SDL_CreateTextureFromSurface(renderer_, s);
      e.w = s->w;
      e.h = s->h;
      SDL_FreeSurface(s);
      if (e.texture) SDL_SetTextureBlendMode(e.texture, SDL_BLENDMODE_BLEND);
    }
  }
  return &cache_.emplace(std::move(key), e).first->second;
}

void TTextRenderer::Draw(const std::string& text, const TFontSpec& font, uint32_t bgr, int x, int y) {
  current_ = font;
  Entry* e = Lookup(text, font);
  if (!e->texture) return;
  SDL_SetTextureColorMod(e->texture, ColorR(bgr), ColorG(bgr), ColorB(bgr));
  SDL_Rect d{x, y, e->w, e->h};
  SDL_RenderCopy(renderer_, e->texture, nullptr, &d);
}

void TTextRenderer::EndFrame() {
  ++frame_;
  // Texts not drawn for about two seconds go; a flood of distinct texts in
  // one frame is cut back at once.
  constexpr uint64_t kKeepFrames = 120;
  constexpr size_t kMaxEntries = 4096;
  if (cache_.size() > kMaxEntries) {
    Evict(kMaxEntries / 2);
  } else if ((frame_ & 63) == 0) {
    for (auto it = cache_.begin(); it != cache_.end();) {
      if (frame_ - it->second.lastUsed > kKeepFrames) {
        if (it->second.texture) SDL_DestroyTexture(it->second.texture);
        it = cache_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void TTextRenderer::Evict(size_t keep) {
  if (cache_.size() <= keep) return;
  std::vector<std::pair<uint64_t, std::string>> order;
  order.reserve(cache_.size());
  for (auto& [key, e] : cache_) order.emplace_back(e.lastUsed, key);
  std::sort(order.begin(), order.end());
  size_t drop = cache_.size() - keep;
  for (size_t i = 0; i < drop; ++i) {
    auto it = cache_.find(order[i].second);
    if (it->second.texture) SDL_DestroyTexture(it->second.texture);
    cache_.erase(it);
  }
}

}  // namespace ruvel
