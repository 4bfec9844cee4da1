#include "platform/host_caps.h"

namespace ruvel {

bool HostHasMoreWindows() { return true; }

}  // namespace ruvel
