// Where the browser build finds its files: the exported page unpacks the
// game under kWebGameDir (the program directory) and the font beside it.
// The export writes the same names, so both sides share this header.
#pragma once

namespace ruvel {

inline constexpr const char* kWebGameDir = "/game";
inline constexpr const char* kWebFontFile = "/fonts/ipag.ttf";
inline constexpr const char* kWebSaveDir = "/save";

}  // namespace ruvel
