// ".sfx" effect files: `key = value` lines (keys in sfx_keys.h), `#`
// comments and blank lines. Reading never fails on the text: unknown keys
// are ignored and values out of range are clamped, each with one line of
// report naming the line and the key. Writing puts every key in table order.
#pragma once
#include <string>
#include <vector>

#include "sound/sfx_keys.h"

namespace ruvel {

// Reads text into params (starting from the defaults). Each problem adds
// one UTF-8 line "N 行目: key: reason" to problems; a total length over
// kSfxMaxSeconds is cut and reported too.
TSfxParams ParseSfx(const std::string& text, std::vector<std::string>& problems);

// The file text for params: every key, one per line, in table order.
std::string SfxText(const TSfxParams& params);

// Reads the file at path (a regular file of at most kSfxMaxFileBytes).
// False with error (UTF-8) when it cannot be read; problems in the text
// come back prefixed with the file's name as shown (UTF-8; the path when
// empty): "shown:N 行目: ...".
bool LoadSfxFile(const std::string& path, TSfxParams& params, std::vector<std::string>& problems, std::string& error,
                 const std::string& shown = std::string());

// Writes params to path atomically; false when the file could not be
// written.
bool SaveSfxFile(const std::string& path, const TSfxParams& params);

}  // namespace ruvel
