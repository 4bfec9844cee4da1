#include "langserver/frame_reader.h"

#include <cctype>

namespace ruvel::lsp {

bool FrameReader::Fill() {
  if (ended_) return false;
  if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
    buffer_.erase(0, pos_);
    pos_ = 0;
  }
  char chunk[65536];
  size_t n = read_(chunk, sizeof chunk);
  if (n == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, n);
  return true;
}

FrameReader::Status FrameReader::Next(std::string& body, std::string& error) {
  // The header block: lines up to an empty one (CR LF or a bare LF).
  long long length = -1;
  bool bad = false;
  for (;;) {
    size_t eol = buffer_.find('\n', pos_);
    while (eol == std::string::npos) {
      // A header line longer than any sensible one is garbage.
      if (buffer_.size() - pos_ > 8192) {
        pos_ = buffer_.size();
        bad = true;
      }
      if (!Fill()) return Status::kEnd;
      eol = buffer_.find('\n', pos_);
    }
    std::string line = buffer_.substr(pos_, eol - pos_);
    pos_ = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      // Blank lines between messages are skipped.
      if (length < 0 && !bad) continue;
      break;
    }
    size_t colon = line.find(':');
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (colon == std::string::npos) {
      bad = true;
    } else if (name == "content-length") {
      std::string v = line.substr(colon + 1);
      size_t a = v.find_first_not_of(' ');
      length = 0;
      if (a == std::string::npos) bad = true;
      for (size_t i = a; !bad && i < v.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(v[i])) || length > static_cast<long long>(kMaxFrameBytes)) {
          bad = true;
          break;
        }
        length = length * 10 + (v[i] - '0');
      }
    }
  }
  if (bad || length < 0 || length > static_cast<long long>(kMaxFrameBytes)) {
    error = length > static_cast<long long>(kMaxFrameBytes) ? "message too large" : "bad message header";
    return Status::kBadFrame;
  }
  while (buffer_.size() - pos_ < static_cast<size_t>(length)) {
    if (!Fill()) return Status::kEnd;
  }
  body = buffer_.substr(pos_, length);
  pos_ += length;
  return Status::kMessage;
}

std::string FrameMessage(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace ruvel::lsp
