// Cut pattern sheets and their cache. A TPatRects holds one sheet: its
// patterns, its pixels with every pattern's key colour already made
// transparent, and the RGBA texture made from them for the renderer in use
// (made on first use, again when the renderer changed). TPatCache keeps
// the cut sheets by file and cuts a file again only when its modification
// stamp changed. Sheets are shared: the pattern list keeps a sheet alive
// after the cache dropped it for a newer cut.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "screen/pattern_cutter.h"
#include "screen/pattern_image.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace ruvel {

// The renderer sheet textures are made for: the one set with
// SetPatternRenderer, else the main screen's; none without either.
SDL_Renderer* PatternRenderer();
// Overrides the main screen's renderer (tests, tools); returns the previous
// override. Passing none goes back to the main screen's.
SDL_Renderer* SetPatternRenderer(SDL_Renderer* renderer);

class TPatRects {
 public:
  TPatRects() = default;  // a sheet without patterns
  TPatRects(const TPixelImage& image, TCutResult cut, int64_t fileAge);
  ~TPatRects();
  TPatRects(const TPatRects&) = delete;
  TPatRects& operator=(const TPatRects&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Count() const { return int32_t(elems_.size()); }
  const std::vector<TPatElem>& Elems() const { return elems_; }
  int64_t FileAge() const { return fileAge_; }
  bool CutOk() const { return cutOk_; }
  // ARGB8888, transparent where a pattern has its key colour.
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  // Pattern index has no transparent pixel.
  bool Opaque(int32_t index) const { return index >= 0 && size_t(index) < opaque_.size() && opaque_[size_t(index)]; }

  // The sheet's texture for renderer (blend mode on); none when there is
  // no renderer, no pixels, or the renderer refused the texture.
  SDL_Texture* Texture(SDL_Renderer* renderer);
  // Destroys the texture when it belongs to the renderer in use; one made
  // for an earlier renderer is only forgotten (SDL freed it with it).
  void ReleaseTexture();

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<TPatElem> elems_;
  std::vector<uint32_t> pixels_;
  std::vector<bool> opaque_;
  int64_t fileAge_ = 0;
  bool cutOk_ = true;
  SDL_Texture* texture_ = nullptr;
  SDL_Renderer* textureRenderer_ = nullptr;
  SDL_Renderer* refusedBy_ = nullptr;  // reported once per renderer
};

// Modification stamp of a file in nanoseconds; false when it cannot be read.
bool FileAge(const std::string& path, int64_t& age);

class TPatCache {
 public:
  // The cut sheet of the file. A cached sheet is returned while the file's
  // modification stamp is the one it was cut with; otherwise the entry is
  // dropped and the file read and cut again. None, with a reason in error,
  // when the file cannot be read or decoded. A failure is remembered with
  // the stamp too, so an unusable file is decoded once per version;
  // knownFailure (when given) tells whether the failure came from there.
  std::shared_ptr<TPatRects> Cut(const std::string& path, std::string& error, bool* knownFailure = nullptr);
  // Forgets the remembered failures (a page load tries its files anew).
  void ForgetFailures() { failures_.clear(); }
  // The cached sheet of a file without checking its stamp; none when absent.
  std::shared_ptr<TPatRects> Cached(const std::string& path) const;
  size_t Size() const { return sheets_.size(); }
  void Clear() {
    sheets_.clear();
    failures_.clear();
  }
  void ReleaseTextures();

  // Called during long cuts so the sound engine keeps playing.
  std::function<void()> refill;

 private:
  std::map<std::string, std::shared_ptr<TPatRects>> sheets_;
  std::map<std::string, std::pair<int64_t, std::string>> failures_;  // stamp, reason
};

}  // namespace ruvel
