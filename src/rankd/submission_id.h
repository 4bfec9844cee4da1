// The identification number of a submission, recomputed as the game
// computes it (docs/ranking.md): the decoded parameters before ID, in
// their order, as "name=value&", then "PROJECT:KERNEL", hashed as the
// page integrity value is hashed.
#pragma once
#include <cstdint>
#include <string>

#include "rankd/query.h"

namespace ruvel::rankd {

// The number the game sends after these parameters.
int32_t SubmissionId(const TQueryParams& params, int32_t projectIntegrity, int32_t kernelIntegrity);

// True when the query's last pair is ID, a decimal number equal to the
// number of the pairs before it (the game always puts ID last).
bool SubmissionIdMatches(const TQueryParams& params, int32_t projectIntegrity, int32_t kernelIntegrity);

}  // namespace ruvel::rankd
