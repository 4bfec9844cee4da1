#include "platform/host_caps.h"

namespace ruvel {

bool HostHasMoreWindows() { return false; }

}  // namespace ruvel
