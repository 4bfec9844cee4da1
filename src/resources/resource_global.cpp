#include "resources/resource_global.h"

#include "resources/resource_markup.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel {

TGlobalValue::TGlobalValue(const std::string& globalName, const std::string& text)
    : value(MakeUninit(Intern(globalName))), initialText(text) {
  name = globalName;
  handle = VM().handles.Add(&value, HandleKind::kValueSlot);
}

// The value is dropped without releasing: by the time a tree is freed its
// objects' classes may be gone already; the collector reclaims the rest.
TGlobalValue::~TGlobalValue() { VM().handles.Remove(handle); }

void TGlobalValue::PrepareStep(TInitContext& ctx) {
  ++ctx.Done;
  // Without the snippet evaluator (before the compiler is up) the global
  // keeps its value and still counts as done.
  if (!initialText.empty() && VM().evaluateSnippet) VM().evaluateSnippet(name + "=" + initialText + ";");
}

void TGlobalValue::ClearValues() {
  TResource::ClearValues();
  if (value.tag == kObject || value.tag == kHost) ValueClear(value);
}

void TGlobalValue::Mark() {
  TResource::Mark();
  MarkValue(value);
}

std::string TGlobalValue::CurrentValueText() const {
  switch (value.tag) {
    case kInt:
      return std::to_string(value.i);
    case kObject:
      return IsStringObject(value.obj) ? ValueToLiteral(value) : std::string();
    case kUninit:
      // Never assigned (not prepared yet): saving must not lose the text
      // it was read with.
      return initialText;
    default:
      return std::string();
  }
}

void TGlobalValue::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  initialText = CurrentValueText();
  lines.push_back(MarkupLine(indent, "globalvalue", {{"name", name}, {"value", initialText}}, "/>"));
}

TfParam::TfParam(const std::string& paramName, const std::string& text) : valueText(text) { name = paramName; }

void TfParam::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  lines.push_back(MarkupLine(indent, "param", {{"name", name}, {"value", valueText}}, "/>"));
}

}  // namespace ruvel
