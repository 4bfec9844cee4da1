#include "screen/script_globals.h"

#include "resources/resource.h"
#include "vm/vm_state.h"

namespace ruvel {

Value* GlobalSlot(std::string_view name) {
  TResource* root = VM().root;
  if (!root) return nullptr;
  TResource* node = root->Resolve(name);
  return node ? node->ValuePtr() : nullptr;
}

int32_t GlobalInt(std::string_view name) {
  Value* v = GlobalSlot(name);
  return v ? ValueToInt(*v) : 0;
}

bool GlobalIsTrue(std::string_view name) {
  Value* v = GlobalSlot(name);
  return v && ValueIsTrue(*v);
}

void SetGlobalInt(std::string_view name, int32_t value) {
  if (Value* v = GlobalSlot(name)) ValueSetInt(*v, value);
}

void SetGlobalObject(std::string_view name, Instance* inst) {
  Value* v = GlobalSlot(name);
  if (!v) return;
  if (inst) {
    ValueSetObject(*v, inst);
  } else {
    ValueSetNull(*v);
  }
}

int EvaluateStatements(const std::string& statements) {
  auto& eval = VM().evaluateSnippet;
  if (!eval) return 1;
  return eval(statements);
}

}  // namespace ruvel
