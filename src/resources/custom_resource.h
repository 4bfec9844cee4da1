// Custom resources: a markup tag T for which the class
// "classes.customres." + T exists becomes a TCustomResource whose
// behaviour lives in a script object of that class (its script value).
// The object gets a host reference to its node in "_generator" and one
// string member per child element `resinst` of type "string"; preparing
// the node asks the object's onInit (2 done, 3 failed, 0 or 1 ask again);
// writing it saves the object's string members as `resinst` children; its
// onDestroy runs when the node goes. Also the natives of
// "classes.customres.CustomResource" and "BuiltInResource" (the script
// object of any node) and the one native table of these script classes
// and "classes.lang.CMML".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "natives/native_table.h"
#include "resources/resource_element.h"

namespace ruvel {

class TRTTI;

class TCustomResource : public TElementResource {
 public:
  // Takes name and src; makes the script object at once when the class is
  // compiled, else on the first preparation that finds it compiled. A
  // "Ranking" element with a non-empty "browserURL" (an old page format)
  // shows a message box and gets no object.
  TCustomResource(const TSGML& element, const std::string& base);
  ~TCustomResource() override;
  const char* TypeName() const override { return "TCustomResource"; }

  // The class the tag names: "classes.customres." + tag, never a class
  // elsewhere that merely shares the short name ("page" is not "Page").
  TRTTI* CustomClass() const;
  // The script object, or none (no class, refused, or not made yet).
  Instance* Object() const;

  void PrepareStep(TInitContext& ctx) override;
  // With an object: an element named by the object's class with name, src
  // and a `resinst` child per string member, written with the markup
  // writer at the indent. Without one: the element as it was read.
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;

 private:
  enum class Creation { Pending, Made, None };
  // Makes the object when the class is compiled; false while it is not.
  bool TryCreate();
  Creation creation_ = Creation::Pending;
};

// The node a host value names while the node exists; none for anything
// else (a freed node, another host object).
TResource* LiveResource(const Value& v);

// "classes.lang.CMML", "classes.customres.CustomResource" and
// "BuiltInResource".
const std::vector<NativeEntry>& CustomResourceNatives();

// Natives of "classes.customres.CustomResource" (argument 1: "_generator").
void NativeCustomGetName(Value* self, int32_t argc, int32_t reserved);
void NativeCustomGetURL(Value* self, int32_t argc, int32_t reserved);
void NativeCustomGetFullPath(Value* self, int32_t argc, int32_t reserved);
// Natives of "BuiltInResource" (argument 1: a host reference to a node).
void NativeBuiltInGetSubRes(Value* self, int32_t argc, int32_t reserved);
void NativeBuiltInGetCustomRes(Value* self, int32_t argc, int32_t reserved);
void NativeBuiltInNothing(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
