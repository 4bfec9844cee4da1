// The ranking server's query reader: any bytes either throw TBadQuery or
// give pairs within the limits that, encoded again, read back the same;
// checking the ID of whatever was read never fails.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "rankd/limits.h"
#include "rankd/query.h"
#include "rankd/submission_id.h"

namespace {

std::string Encode(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ruvel::rankd;
  std::string query = ruvel::fuzz::Bytes(data, size);
  TQueryParams params;
  try {
    params = ParseQuery(query);
  } catch (const TBadQuery&) {
    return 0;
  }
  if (params.size() > kMaxParams) std::abort();
  std::string again;
  for (const auto& [name, value] : params) {
    if (name.empty() || name.size() > kMaxParamNameBytes || value.size() > kMaxParamValueBytes) std::abort();
    again += (again.empty() ? "" : "&") + Encode(name) + "=" + Encode(value);
  }
  // The encoded form may be longer than the limit; within it, it reads back.
  if (again.size() <= kMaxQueryBytes && ParseQuery(again) != params) std::abort();
  SubmissionIdMatches(params, 1, 2);
  return 0;
}
