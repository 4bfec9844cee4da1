// Natives of "classes.customres.CustomResource" and "BuiltInResource", and
// the registration table of the resource and markup script classes. A
// host reference to a node that no longer exists is refused: the natives
// answer as for "no node".
#include "resources/cmml.h"
#include "resources/custom_resource.h"
#include "resources/custom_resource_script.h"
#include "natives/natives_args.h"
#include "runtime/rtti.h"
#include "vm/host_registry.h"
#include "vm/value_list.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

TResource* NodeArg(const TNativeArgs& a) { return LiveResource(a[1]); }

// True when the array object holds list as its cells.
bool ArrayHolds(const Value& array, const TValueList* list) {
  const VMState& vm = VM();
  Instance* inst = ValueAsObject(array);
  if (!inst || inst->refcount < 0 || !inst->cls || !vm.arrayClass || !inst->cls->DerivesFrom(vm.arrayClass)) {
    return false;
  }
  if (vm.arrayXIndex < 0 || static_cast<uint32_t>(vm.arrayXIndex) >= inst->count) return false;
  const Value& x = inst->members()[vm.arrayXIndex];
  return x.tag == kHost && x.host == list;
}

}  // namespace

TResource* LiveResource(const Value& v) { return LiveHostAs<TResource>(v); }

void NativeCustomGetName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  if (TResource* node = NodeArg(a)) a.ReturnString(node->name);
  else a.ReturnInt(0);
}

void NativeCustomGetURL(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  if (TResource* node = NodeArg(a)) a.ReturnString(node->sourcePath);
  else a.ReturnInt(0);
}

void NativeCustomGetFullPath(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  if (TResource* node = NodeArg(a)) a.ReturnString(FullName(node));
  else a.ReturnInt(0);
}

void NativeBuiltInGetSubRes(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  auto* list = dynamic_cast<TResourceList*>(NodeArg(a));
  if (!list) {
    a.ReturnNull();
    return;
  }
  auto* cells = new TValueList();
  for (size_t i = 0; i < list->ChildCount(); ++i) cells->Add(MakeHost(list->ChildAt(i)));
  Value array = MakeNull();
  {
    TScriptGlobals globals;
    globals.Set("$_2", MakeInt(0));
    if (globals.Set("$_1", MakeHost(cells))) TScriptGlobals::Evaluate("$_2=new Array();$_2._setBody($_1);");
    globals.Get("$_2", array);
  }
  // The cells belong to the array once _setBody took them; otherwise
  // nothing else knows them.
  if (ArrayHolds(array, cells)) {
    a.Return(array);
  } else {
    delete cells;
    a.ReturnNull();
  }
  ValueSetNull(array);
}

void NativeBuiltInGetCustomRes(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  auto* custom = dynamic_cast<TCustomResource*>(NodeArg(a));
  Instance* obj = custom ? custom->Object() : nullptr;
  if (obj) a.Return(custom->scriptValue);
  else a.ReturnNull();
}

// _n_addSubRes, _n_delSubRes, _n_onInit and _n_save take their arguments
// and change nothing.
void NativeBuiltInNothing(Value*, int32_t, int32_t) {}

const std::vector<NativeEntry>& CustomResourceNatives() {
  static const char* const kCmml = "classes.lang.CMML";
  static const char* const kCustom = "classes.customres.CustomResource";
  static const char* const kBuiltIn = "BuiltInResource";
  static const std::vector<NativeEntry> table = {
      {kCmml, "_n_getTagName", NativeCmmlGetTagName},
      {kCmml, "_n_getAttr", NativeCmmlGetAttr},
      {kCmml, "_n_setAttr", NativeCmmlSetAttr},
      {kCmml, "_n_setTagName", NativeCmmlSetTagName},
      {kCmml, "_n_addSubItem", NativeCmmlAddSubItem},
      {kCmml, "_n_getSubItems", NativeCmmlGetSubItems},
      {kCmml, "_n_parse", NativeCmmlParse},
      {kCmml, "_n_free", NativeCmmlFree},

      {kCustom, "_n_getName", NativeCustomGetName},
      {kCustom, "_n_getURL", NativeCustomGetURL},
      {kCustom, "_n_getFullPath", NativeCustomGetFullPath},

      {kBuiltIn, "_n_getSubRes", NativeBuiltInGetSubRes},
      {kBuiltIn, "_n_getCustomRes", NativeBuiltInGetCustomRes},
      {kBuiltIn, "_n_addSubRes", NativeBuiltInNothing},
      {kBuiltIn, "_n_delSubRes", NativeBuiltInNothing},
      {kBuiltIn, "_n_onInit", NativeBuiltInNothing},
      {kBuiltIn, "_n_save", NativeBuiltInNothing},
  };
  return table;
}

}  // namespace ruvel
