// The debug adapter's input: bytes read in one piece or in small pieces
// give the same messages and errors; each message framed again reads back
// as itself; and every request is answered by a session without a game
// (never a crash, exactly one response each).
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "dap/dap_framing.h"
#include "dap/dap_session.h"
#include "fuzz_support.h"

namespace {

std::vector<ruvel::TDapFrame> ReadAll(const std::string& bytes, size_t piece) {
  ruvel::TDapFrameReader reader;
  std::vector<ruvel::TDapFrame> frames;
  ruvel::TDapFrame f;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    reader.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    while (reader.Next(f)) frames.push_back(f);
  }
  return frames;
}

bool Same(const ruvel::TDapFrame& a, const ruvel::TDapFrame& b) {
  return a.ok == b.ok && a.error == b.error && a.body == b.body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string bytes = ruvel::fuzz::Bytes(data, size);
  std::vector<ruvel::TDapFrame> whole = ReadAll(bytes, bytes.size() + 1);
  std::vector<ruvel::TDapFrame> pieces = ReadAll(bytes, 1 + size % 7);
  if (whole.size() != pieces.size()) std::abort();
  for (size_t i = 0; i < whole.size(); ++i) {
    if (!Same(whole[i], pieces[i])) std::abort();
    if (!whole[i].ok) continue;
    std::vector<ruvel::TDapFrame> again = ReadAll(ruvel::DapEncodeFrame(whole[i].body), 4096);
    if (again.size() != 1 || !again[0].ok) std::abort();
    // Re-encoding replaces invalid UTF-8, so only valid text compares equal.
    if (again[0].body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) !=
        whole[i].body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {
      std::abort();
    }
  }
  // Requests through a session; breakpoints are left out (they are saved
  // to the project's folder).
  static int sink = open("/dev/null", O_WRONLY);
  ruvel::TDapChannel channel(-1, sink);
  ruvel::TDapSession session(channel);
  for (const ruvel::TDapFrame& f : whole) {
    if (f.ok && f.body.contains("command") && f.body["command"] == "setBreakpoints") continue;
    session.Serve(f);
  }
  return 0;
}
