#include "dap/dap_framing.h"

#include <cctype>
#include <string_view>

namespace ruvel {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The Content-Length of a header block: >= 0, or -1 with the reason in
// error. Other header fields are allowed and ignored.
long ParseHeader(std::string_view block, std::string& error) {
  long length = -1;
  while (!block.empty()) {
    size_t end = block.find('\n');
    std::string_view line = Trim(block.substr(0, end));
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
    if (line.empty()) continue;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      error = "ヘッダーの行に ':' がありません";
      return -1;
    }
    if (Lower(Trim(line.substr(0, colon))) != "content-length") continue;
    std::string_view value = Trim(line.substr(colon + 1));
    if (value.empty() || value.size() > 9) {
      error = "Content-Length の値が不正です";
      return -1;
    }
    long n = 0;
    for (char c : value) {
      if (c < '0' || c > '9') {
        error = "Content-Length の値が不正です";
        return -1;
      }
      n = n * 10 + (c - '0');
    }
    length = n;
  }
  if (length < 0) {
    error = "Content-Length がありません";
    return -1;
  }
  if (static_cast<size_t>(length) > kDapMaxBody) {
    error = "メッセージが大きすぎます";
    return -1;
  }
  return length;
}

}  // namespace

void TDapFrameReader::Feed(const char* data, size_t size) {
  Compact();
  buffer_.append(data, size);
}

void TDapFrameReader::Compact() {
  if (pos_ == 0) return;
  buffer_.erase(0, pos_);
  pos_ = 0;
}

bool TDapFrameReader::Next(TDapFrame& out) {
  out = TDapFrame();
  if (bodyLength_ < 0) {
    std::string_view rest(buffer_.data() + pos_, buffer_.size() - pos_);
    // Blank lines between messages are tolerated.
    size_t skip = 0;
    while (skip < rest.size() && (rest[skip] == '\r' || rest[skip] == '\n')) ++skip;
    pos_ += skip;
    rest.remove_prefix(skip);
    size_t end = rest.find("\r\n\r\n");
    size_t sep = 4;
    size_t lf = rest.find("\n\n");
    if (lf != std::string_view::npos && (end == std::string_view::npos || lf < end)) {
      end = lf;
      sep = 2;
    }
    if (end == std::string_view::npos) {
      if (rest.size() <= kDapMaxHeader) return false;
      pos_ = buffer_.size();
      out.error = "ヘッダーが長すぎます";
      return true;
    }
    std::string error;
    long length = ParseHeader(rest.substr(0, end), error);
    pos_ += end + sep;
    if (length < 0) {
      out.error = error;
      return true;
    }
    bodyLength_ = length;
  }
  if (Pending() < static_cast<size_t>(bodyLength_)) return false;
  std::string_view body(buffer_.data() + pos_, static_cast<size_t>(bodyLength_));
  pos_ += static_cast<size_t>(bodyLength_);
  bodyLength_ = -1;
  out.body = nlohmann::json::parse(body, nullptr, false);
  if (out.body.is_discarded()) {
    out.body = nullptr;
    out.error = "JSON として読めません";
  } else if (!out.body.is_object()) {
    out.body = nullptr;
    out.error = "メッセージが JSON のオブジェクトではありません";
  } else {
    out.ok = true;
  }
  return true;
}

std::string DapEncodeFrame(const nlohmann::json& message) {
  // Invalid UTF-8 in a game's text is replaced rather than thrown on.
  std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace ruvel
