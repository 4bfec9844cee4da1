#include "resources/custom_resource_script.h"

#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "vm/vm_state.h"

namespace ruvel {

TScriptGlobals::~TScriptGlobals() {
  for (const std::string& name : names_) {
    // Resetting may meet a broken count; a destructor must not throw.
    try {
      if (Value* slot = ScratchGlobal(name)) ValueSetInt(*slot, 0);
    } catch (const ERuvel& e) {
      ShowMessage(e.Message());
    } catch (...) {
    }
  }
}

void TScriptGlobals::Note(std::string_view name) {
  for (const std::string& n : names_) {
    if (n == name) return;
  }
  names_.emplace_back(name);
}

bool TScriptGlobals::Set(std::string_view name, const Value& v) {
  Value* slot = ScratchGlobal(name);
  if (!slot) return false;
  Note(name);
  ValueAssign(*slot, v);
  return true;
}

bool TScriptGlobals::Get(std::string_view name, Value& out) {
  Value* slot = ScratchGlobal(name);
  if (!slot) return false;
  Note(name);
  ValueAssign(out, *slot);
  return true;
}

int TScriptGlobals::Evaluate(const std::string& statements) {
  if (!VM().evaluateSnippet || !VM().root) return 1;
  return VM().evaluateSnippet(statements);
}

}  // namespace ruvel
