#include "runtime/modules.h"

#include "platform/paths.h"
#include "platform/shared_library.h"
#include "resources/resource_element.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

TModuleRes::TModuleRes(const TSGML& element, const std::string& base) : TElementResource(element, base) {
  if (!sourcePath.empty()) library = OpenSharedLibrary(sourcePath);
}

TModuleRes::~TModuleRes() {
  // Handlers of the library may still be bound to kernel classes, so the
  // library stays loaded for the life of the program.
}

namespace {

void HostBindNative(const char* className, const char* nativeName, RuvelNativeHandler handler) {
  if (!className || !nativeName || !VM().root) return;
  TResource* node = VM().root->Resolve(className);
  if (auto* cls = dynamic_cast<TRTTI*>(node)) cls->BindNative(nativeName, handler);
}

Value* HostReceiver(Value* self) { return self; }

Value* HostArgument(Value* self, int32_t index) { return self - index; }

void HostSetValue(Value* dst, const Value* src) {
  if (dst) ValueAssign(*dst, src);
}

void HostSetInt(Value* dst, int32_t i) {
  if (dst) ValueSetInt(*dst, i);
}

const RuvelHostCallbacks kCallbacks = {HostBindNative, HostReceiver, HostArgument, HostSetValue, HostSetInt};

class TModuleInitializer : public TResourceIterator {
 public:
  void Visit(TResource* node) override {
    if (auto* m = dynamic_cast<TModuleRes*>(node)) {
      if (!m->library) return;
      auto init = reinterpret_cast<RuvelInitModule>(FindLibrarySymbol(m->library, "initModule"));
      if (init) init(&kCallbacks);
    } else if (auto* cls = dynamic_cast<TRTTI*>(node)) {
      classNames.push_back(cls->name);
    }
  }
  std::vector<std::string> classNames;
};

}  // namespace

void MountModules(const std::string& programDir) {
  TResource* modules = FindList("modules");
  if (!modules) return;
  std::string dir = PathLocate(programDir + "/Kernel/modules");
  TDirectory listing(dir + "/*");
  for (const std::string& d : listing.Folders()) {
    std::string list = dir + "/" + d + "/" + d + ".ruvelres";
    if (!PathExists(list)) continue;
    MountNew(list, "modules." + d, 3);
  }
  modules->Initialize();
}

std::vector<std::string> InitializeModules() {
  TResource* modules = FindList("modules");
  if (!modules) return {};
  TModuleInitializer visitor;
  modules->Accept(visitor);
  return visitor.classNames;
}

}  // namespace ruvel
