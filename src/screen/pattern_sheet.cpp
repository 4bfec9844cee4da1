#include "screen/pattern_sheet.h"

#include <SDL.h>
#include <sys/stat.h>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/paths.h"

namespace ruvel {

TPatRects::TPatRects(const TPixelImage& image, TCutResult cut, int64_t fileAge)
    : width_(image.width),
      height_(image.height),
      elems_(std::move(cut.elems)),
      pixels_(KeyedPixels(image, elems_)),
      fileAge_(fileAge),
      cutOk_(cut.cutOk) {
  opaque_.reserve(elems_.size());
  for (const TPatElem& e : elems_) {
    bool opaque = e.rect.left >= 0 && e.rect.top >= 0 && e.rect.right <= width_ && e.rect.bottom <= height_;
    for (int32_t y = e.rect.top; opaque && y < e.rect.bottom; ++y)
      for (int32_t x = e.rect.left; opaque && x < e.rect.right; ++x)
        opaque = (pixels_[size_t(y) * size_t(width_) + size_t(x)] >> 24) == 0xFF;
    opaque_.push_back(opaque);
  }
}

TPatRects::~TPatRects() { ReleaseTexture(); }

SDL_Texture* TPatRects::Texture(SDL_Renderer* renderer) {
  if (!renderer || pixels_.empty()) return nullptr;
  if (texture_ && textureRenderer_ == renderer) return texture_;
  // A texture of another renderer is not ours to destroy any more.
  texture_ = nullptr;
  textureRenderer_ = nullptr;
  if (refusedBy_ == renderer) return nullptr;
  SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width_, height_);
  if (!t || SDL_UpdateTexture(t, nullptr, pixels_.data(), width_ * 4) != 0) {
    if (t) SDL_DestroyTexture(t);
    refusedBy_ = renderer;
    LogLine(J("キャラクタパターンのテクスチャを作れません: ") + SDL_GetError());
    return nullptr;
  }
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  // Patterns are pixel art: scaled copies keep hard edges and never blend
  // in the frame pixels around a pattern.
  SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
  texture_ = t;
  textureRenderer_ = renderer;
  return t;
}

void TPatRects::ReleaseTexture() {
  if (texture_ && textureRenderer_ == PatternRenderer()) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  textureRenderer_ = nullptr;
  refusedBy_ = nullptr;
}

bool FileAge(const std::string& path, int64_t& age) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  age = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

std::shared_ptr<TPatRects> TPatCache::Cut(const std::string& path, std::string& error, bool* knownFailure) {
  if (knownFailure) *knownFailure = false;
  int64_t age = 0;
  if (!FileAge(path, age)) {
    sheets_.erase(path);
    failures_.erase(path);
    error = PathExists(path) ? "not a regular file" : "no such file";
    return nullptr;
  }
  auto failed = failures_.find(path);
  if (failed != failures_.end()) {
    if (failed->second.first == age) {
      error = failed->second.second;
      if (knownFailure) *knownFailure = true;
      return nullptr;
    }
    failures_.erase(failed);
  }
  auto it = sheets_.find(path);
  if (it != sheets_.end()) {
    if (it->second->FileAge() == age) return it->second;
    sheets_.erase(it);
  }
  TPixelImage image;
  if (!LoadPatternImage(path, image, error)) {
    failures_[path] = {age, error};
    return nullptr;
  }
  auto sheet = std::make_shared<TPatRects>(image, CutSheet(image, refill), age);
  sheets_[path] = sheet;
  return sheet;
}

std::shared_ptr<TPatRects> TPatCache::Cached(const std::string& path) const {
  auto it = sheets_.find(path);
  return it == sheets_.end() ? nullptr : it->second;
}

void TPatCache::ReleaseTextures() {
  for (auto& [path, sheet] : sheets_) sheet->ReleaseTexture();
}

}  // namespace ruvel
