#include "rankd/submission_id.h"

#include "pages/page_hash.h"

namespace ruvel::rankd {

int32_t SubmissionId(const TQueryParams& params, int32_t projectIntegrity, int32_t kernelIntegrity) {
  std::string text;
  for (const auto& [name, value] : params) {
    text += name;
    text += '=';
    text += value;
    text += '&';
  }
  text += std::to_string(projectIntegrity);
  text += ':';
  text += std::to_string(kernelIntegrity);
  return HashBytes(text);
}

bool SubmissionIdMatches(const TQueryParams& params, int32_t projectIntegrity, int32_t kernelIntegrity) {
  if (params.empty() || params.back().first != "ID") return false;
  const std::string& id = params.back().second;
  if (id.empty() || id.size() > 10) return false;
  for (char c : id)
    if (c < '0' || c > '9') return false;
  TQueryParams signedParams(params.begin(), params.end() - 1);
  return std::stoll(id) == SubmissionId(signedParams, projectIntegrity, kernelIntegrity);
}

}  // namespace ruvel::rankd
