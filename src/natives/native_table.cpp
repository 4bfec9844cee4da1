#include "natives/native_table.h"

#include <string>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "runtime/alias.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

void BindNatives(const std::vector<NativeEntry>& table) {
  TResource* root = VM().root;
  std::string lastName;
  TRTTI* cls = nullptr;
  bool first = true;
  for (const NativeEntry& e : table) {
    if (first || lastName != e.className) {
      first = false;
      lastName = e.className;
      TResource* node = root ? root->Resolve(e.className) : nullptr;
      cls = dynamic_cast<TRTTI*>(node);
      // A class record registered under the whole dotted name (a class
      // made outside a nested tree) is found through the alias table too.
      if (!cls) cls = Aliases().Get(lastName);
      if (!cls) ShowMessage(J("クラス") + lastName + J("が見つかりません"));
    }
    if (cls) cls->BindNative(e.name, e.handler);
  }
}

}  // namespace ruvel
