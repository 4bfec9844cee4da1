// Reading the query of an address a game sends: NAME=VALUE pairs joined by
// '&', each percent-decoded (a '+' stays a '+': games encode a space as
// %20), kept in the order they came, checked against the limits of
// rankd/limits.h. A query that breaks a rule throws TBadQuery.
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruvel::rankd {

class TBadQuery : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TQueryParams = std::vector<std::pair<std::string, std::string>>;

// Decodes %XX escapes; a '%' without two hex digits after it throws.
std::string PercentDecode(std::string_view text);

// The pairs of the query (the part after '?', without it). An empty query
// has none; a pair without '=' has an empty value.
TQueryParams ParseQuery(std::string_view query);

// The value of the first pair named name, or nullptr.
const std::string* FindParam(const TQueryParams& params, std::string_view name);

}  // namespace ruvel::rankd
