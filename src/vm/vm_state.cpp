#include "vm/vm_state.h"

namespace ruvel {

VMState& VM() {
  static VMState state;
  return state;
}

SymbolTable& Symbols() { return VM().symbols; }

}  // namespace ruvel
