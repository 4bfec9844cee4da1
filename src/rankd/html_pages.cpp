#include "rankd/html_pages.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace ruvel::rankd {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;max-width:40em;margin:2em auto;padding:0 1em}"
    "table{border-collapse:collapse;width:100%}td,th{padding:.3em .6em;border-bottom:1px solid #ccc;text-align:left}"
    "td.score,th.score{text-align:right}tr.new{background:#ffe680;font-weight:bold}"
    ".you{font-size:1.3em}nav a{margin-right:1em}";

std::string Head(std::string_view title) {
  return "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width\"><title>" +
         HtmlEscape(title) + "</title><style>" + kStyle + "</style></head><body>\n";
}

// The part of a query naming the board, escaped for an href.
std::string BoardQuery(const std::string& board, int page) {
  std::string q;
  auto add = [&](const std::string& part) { q += (q.empty() ? "?" : "&amp;") + part; };
  if (!board.empty()) {
    std::string encoded;
    const char* hex = "0123456789ABCDEF";
    for (unsigned char c : board) {
      if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
        encoded += static_cast<char>(c);
      } else {
        encoded += '%';
        encoded += hex[c >> 4];
        encoded += hex[c & 15];
      }
    }
    add("board=" + encoded);
  }
  if (page > 1) add("page=" + std::to_string(page));
  return q;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string ScoreText(double score) {
  char buf[40];
  if (std::fabs(score) < 1e15 && score == std::floor(score))
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(score));
  else
    std::snprintf(buf, sizeof buf, "%.15g", score);
  return buf;
}

std::string TimeText(int64_t ms) {
  std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string BoardPage(const TBoardView& v) {
  std::string title = v.game + (v.board.empty() ? "" : " / " + v.board) + " ランキング";
  std::string html = Head(title);
  html += "<h1>" + HtmlEscape(title) + "</h1>\n";
  if (v.submitted) {
    html += "<p class=\"you\">" + HtmlEscape(v.submitted->name) + " さんのスコア " + ScoreText(v.submitted->score) +
            " は <strong id=\"rank\">" + std::to_string(v.submitted->rank) + "位</strong>です。";
    if (v.duplicate) html += "（同じ送信は1分以内に一度だけ記録されます）";
    html += "</p>\n";
  }
  html += "<table><tr><th>順位</th><th>名前</th><th class=\"score\">スコア</th><th>日時</th></tr>\n";
  bool marked = false;
  for (const TEntry& e : v.entries) {
    bool isNew = v.submitted && !marked && e.id == v.submitted->id;
    marked = marked || isNew;
    html += isNew ? "<tr class=\"new\" id=\"new\">" : "<tr>";
    html += "<td>" + std::to_string(e.rank) + "</td><td>" + HtmlEscape(e.name) + "</td><td class=\"score\">" +
            ScoreText(e.score) + "</td><td>" + TimeText(e.timeMs) + "</td></tr>\n";
  }
  // An entry below the shown part of the board gets a row of its own.
  if (v.submitted && !marked) {
    const TEntry& e = *v.submitted;
    html += "<tr class=\"new\" id=\"new\"><td>" + std::to_string(e.rank) + "</td><td>" + HtmlEscape(e.name) +
            "</td><td class=\"score\">" + ScoreText(e.score) + "</td><td>" + TimeText(e.timeMs) + "</td></tr>\n";
  }
  html += "</table>\n";
  if (v.entries.empty() && !v.submitted) html += "<p>まだ記録がありません。</p>\n";
  if (v.pageCount > 1) {
    std::string base = "/g/" + HtmlEscape(v.game) + "/";
    html += "<nav>";
    for (int p = 1; p <= v.pageCount; ++p) {
      if (p == v.page)
        html += "<span>" + std::to_string(p) + "</span> ";
      else
        html += "<a href=\"" + base + BoardQuery(v.board, p) + "\">" + std::to_string(p) + "</a> ";
    }
    html += "</nav>\n";
  }
  html += "</body></html>\n";
  return html;
}

std::string ErrorPage(int status, std::string_view detail) {
  const char* title = status == 400   ? "400 送信内容が正しくありません"
                      : status == 403 ? "403 この送信は受け付けられません"
                      : status == 404 ? "404 見つかりません"
                      : status == 429 ? "429 送信が多すぎます"
                      : status == 503 ? "503 一時的に利用できません"
                                      : "エラー";
  std::string html = Head(title);
  html += "<h1>" + HtmlEscape(title) + "</h1>\n<p>" + HtmlEscape(detail) + "</p>\n</body></html>\n";
  return html;
}

}  // namespace ruvel::rankd
