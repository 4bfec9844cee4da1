#include "screen/host_state.h"

namespace ruvel {

THostState& HostState() {
  static THostState state;
  return state;
}

std::string ProjectParam(const std::string& name) {
  const THostState& h = HostState();
  return h.projectParam ? h.projectParam(name) : std::string();
}

}  // namespace ruvel
