// The ranking page opener behind the script class "Ranking": a list of
// name=value parameters collected by the script, and the opening of an
// address with those parameters and an identification number in the
// user's browser, at most six times a minute.
//
// Names and values travel percent-encoded as UTF-8. The identification
// number ("ID=") is the 32-bit FNV-1a hash (top bit cleared) of the
// decoded parameter text ("name=value&" for each entry in order, UTF-8),
// followed by the project's and the kernel's integrity values as decimal
// text separated by ":"; a ranking service recomputes it from what it
// receives (docs/ranking.md). The integrity values are the page integrity
// hash (pages/page_hash.h) of the project file and of the kernel resource
// list.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ruvel {

class TRanking {
 public:
  static constexpr int kBudget = 6;

  // Sets name=value, replacing an entry of the same name in its place.
  void SetParam(const std::string& name, const std::string& value);
  void ClearParams() { params_.clear(); }
  const std::vector<std::pair<std::string, std::string>>& Params() const { return params_; }

  // The address followed by "?", every entry (percent-encoded UTF-8) with
  // "&", and "ID=" + the identification number.
  std::string BuildUrl(const std::string& address) const;
  int32_t Identification() const;

  // Builds the address and opens it within the budget; shows the messages
  // for an address that is neither "http://" nor "https://" and for an
  // exhausted budget. Without an opener the address is written to stderr. The
  // parameters are emptied, and the budget used, only when the address was
  // opened. True when opened.
  bool OpenBrowser(const std::string& address);
  int Budget() const { return budget_; }

  // Milliseconds of a monotonic clock (tests install a fake one).
  std::function<double()> now;
  // Opens the URL (CP932) in the browser and says whether it could (when it
  // could not, it tells the player why); none: the opening is only counted
  // and logged (headless runs).
  std::function<bool(const std::string& url)> opener;
  // The integrity values of the project and of the kernel.
  std::function<int32_t()> projectIntegrity;
  std::function<int32_t()> kernelIntegrity;

 private:
  std::vector<std::pair<std::string, std::string>> params_;
  int budget_ = kBudget;
  double lastOpenMs_ = 0.0;
  bool openedBefore_ = false;
};

// Every byte but A-Z, a-z, 0-9 and "-._~" as %XX (upper-case hex).
std::string PercentEncode(const std::string& utf8);

// The process-wide ranking state used by the "Ranking" natives. Owner:
// this function's static instance.
TRanking& Ranking();

// Starts "xdg-open URL" (CP932 converted to UTF-8) without a shell and
// without waiting for it; false when it could not be started.
bool OpenUrlInBrowser(const std::string& cp932Url);

}  // namespace ruvel
