#include "vm/vm_state.h"

namespace ruvel {

SymbolTable& Symbols() { return VM().symbols; }

}  // namespace ruvel
