// The language server's input: framed messages read from the bytes, each
// handled by a fresh server over the scratch folder (no kernel). Every
// reply must serialize; nothing may crash or throw out of the server.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "langserver/frame_reader.h"
#include "langserver/language_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using ruvel::lsp::FrameReader;
  using ruvel::lsp::json;
  const std::string& scratch = ruvel::fuzz::Scratch();
  ruvel::lsp::LanguageServer server("");
  json init = {{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"}, {"params", {{"rootPath", scratch}}}};
  server.Handle(init.dump());
  size_t pos = 0;
  FrameReader reader([&](char* out, size_t n) {
    // Small pieces, as a pipe delivers them.
    size_t k = std::min<size_t>({n, size - pos, 7});
    std::memcpy(out, data + pos, k);
    pos += k;
    return k;
  });
  std::string body;
  std::string error;
  for (int messages = 0; messages < 64 && !server.Exited(); ++messages) {
    FrameReader::Status status = reader.Next(body, error);
    if (status == FrameReader::Status::kEnd) break;
    std::vector<json> replies;
    if (status == FrameReader::Status::kBadFrame) replies.push_back(server.FrameError(error));
    else replies = server.Handle(body);
    for (const json& r : replies) {
      std::string text = r.dump(-1, ' ', false, json::error_handler_t::replace);
      if (text.empty()) std::abort();
    }
  }
  return 0;
}
