#include "vm/tfstring.h"

#include "vm/vm_state.h"

namespace ruvel {

TfString::TfString(std::string t) : text(std::move(t)) { ++VM().stats.liveTfStrings; }
TfString::~TfString() { --VM().stats.liveTfStrings; }
long TfString::LiveCount() { return VM().stats.liveTfStrings; }

}  // namespace ruvel
