#include "pages/page_natives.h"

#include "pages/page.h"
#include "pages/page_hash.h"
#include "pages/page_script.h"
#include "pages/project.h"
#include "platform/error.h"
#include "natives/natives_args.h"
#include "resources/resource_generator.h"
#include "runtime/startup.h"
#include "screen/host_state.h"

namespace ruvel {

const std::vector<NativeEntry>& PageNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.lang.Object", "getPageHashCode", NativeGetPageHashCode},
      {"classes.lang.Object", "_n_setGenAttr", NativeSetGenAttr},
      {"classes.game.Char", "_changeAttr", NativeChangeAttr},
      {"Page", "_n_open", NativePageOpen},
      {"ProjectManager", "_n_currentPageName", NativeCurrentPageName},
      {"ProjectManager", "_n_onSet", NativeProjectOnSet},
      {"ProjectManager", "_n_onGet", NativeProjectOnGet},
      {"classes.lang.Boot", "generate", NativeGenerate},
  };
  return table;
}

void InstallPages() {
  RegisterNativeTable(PageNatives);
  HostState().projectParam = [](const std::string& name) { return PrjManager().HostParam(name); };
}

void NativePageOpen(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  PrjManager().RequestPage(a.Text(1), HostState().designMode);
}

void NativeCurrentPageName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  a.ReturnString(PrjManager().currentPageName);
}

void NativeProjectOnSet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  PrjManager().SetParam(a.Text(1), a.Text(2));
}

void NativeProjectOnGet(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnString(PrjManager().GetParam(a.Text(1)));
}

void NativeSetGenAttr(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  TGenerator* gen = a.Host<TGenerator>(1);
  if (!gen) return;
  gen->SetInstAttr(a.Text(2), ValueToLiteral(a[3]));
}

void NativeChangeAttr(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  TGenerator* gen = a.Host<TGenerator>(1);
  if (!gen) throw EVMError("invalid generator at chattr");
  gen->SetInstAttr(a.Text(2), a.Text(3));
}

void NativeGetPageHashCode(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  a.ReturnInt(PageHashCode(PageState().currentFile));
}

void NativeGenerate(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  a.ReturnInt(GeneratePage(PageState().currentFile));
}

}  // namespace ruvel
