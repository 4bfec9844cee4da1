// ruvel --export-web OUT [PROJECT]: the game as a static web page. OUT gets
// index.html (start button, crisp scaling, full-screen button), the browser
// build of the program (ruvel.js, ruvel.wasm, made by scripts/build-web.sh
// and looked for in the program directory's web/ folder), game.pack with
// the kernel, the project, its classes compiled by this program, tones and
// the font, and the font's licence.
#pragma once
#include <string>

namespace ruvel {

// False with a reason in error; OUT must be missing or empty. An empty
// projectDir means the program's own project.
bool ExportWeb(const std::string& projectDir, const std::string& outDir, std::string& error);

// The page that starts the game (written as OUT/index.html).
const char* WebIndexPage();

}  // namespace ruvel
