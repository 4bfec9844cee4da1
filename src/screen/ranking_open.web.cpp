#include <emscripten.h>

#include <string>

#include "platform/cp932.h"
#include "screen/ranking.h"

namespace ruvel {

// In the browser the ranking page opens in a new tab; the URL is handed
// over as a string argument, never pasted into code.
bool OpenUrlInBrowser(const std::string& cp932Url) {
  std::string url = ToUtf8(cp932Url);
  int opened = EM_ASM_INT({ return window.open(UTF8ToString($0), "_blank") ? 1 : 0; }, url.c_str());
  return opened != 0;
}

}  // namespace ruvel
