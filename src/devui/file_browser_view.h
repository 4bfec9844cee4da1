// Draws a TFileBrowser as an ImGui window in the current context: the
// folder, its entries, the file name, the filter and OK / キャンセル.
#pragma once
#include <string>

namespace ruvel {

class TFileBrowser;

enum class TBrowserResult { kNone, kChosen, kCancelled };

// chosen receives the file when the result is kChosen.
TBrowserResult DrawFileBrowser(TFileBrowser& browser, std::string& chosen);

}  // namespace ruvel
