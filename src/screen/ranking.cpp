#include "screen/ranking.h"

#include <chrono>
#include <cstdio>

#include "platform/paths.h"
#include "pages/page_hash.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

namespace {

double SteadyMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The signed and sent form of a name or value: the script's text as UTF-8.
std::string Utf8Text(const std::string& cp932) { return ToUtf8(cp932); }

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

std::string PercentEncode(const std::string& utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (unsigned char c : utf8) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                            c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

void TRanking::SetParam(const std::string& name, const std::string& value) {
  for (auto& entry : params_) {
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  }
  params_.emplace_back(name, value);
}

int32_t TRanking::Identification() const {
  std::string signed_text;
  for (const auto& [name, value] : params_) signed_text += Utf8Text(name) + "=" + Utf8Text(value) + "&";
  signed_text += std::to_string(projectIntegrity ? projectIntegrity() : 0);
  signed_text += ":";
  signed_text += std::to_string(kernelIntegrity ? kernelIntegrity() : 0);
  return HashBytes(signed_text);
}

std::string TRanking::BuildUrl(const std::string& address) const {
  std::string url = address + "?";
  for (const auto& [name, value] : params_) {
    url += PercentEncode(Utf8Text(name)) + "=" + PercentEncode(Utf8Text(value)) + "&";
  }
  return url + "ID=" + std::to_string(Identification());
}

bool TRanking::OpenBrowser(const std::string& address) {
  std::string url = BuildUrl(address);
  if (!StartsWith(url, "http://") && !StartsWith(url, "https://")) {
    ShowMessage(J("URLはhttp://で始めてください"));
    return false;
  }
  double t = now ? now() : SteadyMs();
  // The budget comes back in full once the time since the last opening
  // covers the openings used at six a minute.
  double minutes = openedBefore_ ? (t - lastOpenMs_) / 60000.0 : 0.0;
  if (!openedBefore_ || minutes * kBudget > kBudget - budget_) budget_ = kBudget;
  if (budget_ <= 0) {
    ShowMessage(J("ブラウザは1分間に6回しか開けません"));
    return false;
  }
  if (opener) {
    // A browser that did not open (none installed, a blocked pop-up) is no
    // opening: the player may try again with the same parameters.
    if (!opener(url)) return false;
  } else {
    // Without a window the address goes to stderr, one line, so that a
    // test or a ranking service's maker can follow what would be opened.
    std::fprintf(stderr, "%s\n", ToUtf8(url).c_str());
  }
  --budget_;
  lastOpenMs_ = t;
  openedBefore_ = true;
  params_.clear();
  return true;
}

TRanking& Ranking() {
  static TRanking ranking = [] {
    TRanking r;
    // The project's value hashes the project file, the kernel's the kernel
    // resource list; a file that cannot be read counts as 0.
    r.projectIntegrity = [] {
      const std::string& file = PrjManager().projectFile;
      return file.empty() ? 0 : PageHashCode(file);
    };
    r.kernelIntegrity = [] { return PageHashCode(PathLocate(ProgramDir() + "/Kernel/resource.ruvelres")); };
    return r;
  }();
  return ranking;
}

}  // namespace ruvel
