#include "resources/custom_resource.h"

#include <memory>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/custom_resource_script.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// onInit's answers.
constexpr int32_t kInitDone = 2;
constexpr int32_t kInitFailed = 3;

void AppendLines(const std::string& text, std::vector<std::string>& lines) {
  size_t start = 0;
  for (;;) {
    size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return;
    start = end + 2;
  }
}

}  // namespace

TCustomResource::TCustomResource(const TSGML& element, const std::string& base) : TElementResource(element, base) {
  if (Tag() == "Ranking" && !element.GetAttr("browserURL").empty()) {
    ShowMessage(J("このページファイルはバージョンが古いため、ネットランキング機能が利用できません"));
    creation_ = Creation::None;
  } else {
    TryCreate();
  }
}

TCustomResource::~TCustomResource() {
  // onDestroy runs here, while the node is still whole and live, so the
  // object can still ask for its name; the base then finds no object.
  if (Instance* obj = Object()) {
    try {
      if (VM().evaluateSnippet && VM().root) {
        TScriptGlobals globals;
        if (globals.Set("$_1", scriptValue)) TScriptGlobals::Evaluate("$_1.onDestroy();");
      }
      // The object may outlive its node: it keeps no reference to it.
      int32_t cache = 0;
      Value* generator = obj->refcount >= 0 ? FindMemberSlot(obj, kSymGenerator, cache) : nullptr;
      if (generator && generator->tag == kHost && generator->host == this) ValueSetNull(*generator);
      ValueSetInt(scriptValue, 0);
    } catch (const ERuvel& e) {
      ShowMessage(e.Message());
    } catch (...) {
    }
  }
}

TRTTI* TCustomResource::CustomClass() const {
  if (Tag().empty()) return nullptr;
  return FindClass("classes.customres." + Tag());
}

Instance* TCustomResource::Object() const {
  if (scriptValue.tag != kObject || !scriptValue.obj || scriptValue.obj->refcount < 0) return nullptr;
  return scriptValue.obj;
}

bool TCustomResource::TryCreate() {
  if (creation_ != Creation::Pending) return true;
  TRTTI* cls = CustomClass();
  if (!cls || cls->CompileFailed) {
    creation_ = Creation::None;
    return true;
  }
  if (!cls->Compiled) return false;
  Instance* inst;
  try {
    inst = cls->CreateInstance();
    ValueSetObject(scriptValue, inst);
  } catch (const ERuvel& e) {
    ShowMessage(e.Message());
    creation_ = Creation::None;
    return true;
  }
  creation_ = Creation::Made;
  AssignMemberByName(inst, "_generator", MakeHost(this));
  for (size_t i = 0; i < ElementChildCount(); ++i) {
    const TSGML& child = ElementChild(i);
    if (child.Tag() != "resinst" || child.GetAttr("type") != "string") continue;
    AssignMemberByName(inst, child.GetAttr("name"), MakeObject(NewScriptString(child.GetAttr("value"))));
  }
  return true;
}

void TCustomResource::PrepareStep(TInitContext& ctx) {
  if (!TryCreate()) {
    ++ctx.Pending;
    return;
  }
  // Without an object or a snippet evaluator there is nothing to ask.
  if (!Object() || !VM().evaluateSnippet) {
    ++ctx.Done;
    return;
  }
  TScriptGlobals globals;
  globals.Set("$_tmp_val2", MakeInt(0));
  if (!globals.Set("$_tmp_val1", scriptValue)) {
    ++ctx.Done;
    return;
  }
  int rc = TScriptGlobals::Evaluate("$_tmp_val2=$_tmp_val1.onInit();");
  Value answer = MakeNull();
  globals.Get("$_tmp_val2", answer);
  // An onInit that ended in an error has not answered: "$_tmp_val2" would
  // be whatever was there before, so the node counts as failed.
  int32_t state = rc == 0 ? ValueToInt(answer) : kInitFailed;
  ValueSetNull(answer);
  if (state == 0 || state == 1) ++ctx.Pending;
  else if (state == kInitDone) ++ctx.Done;
  else if (state == kInitFailed) ++ctx.Failed;
}

void TCustomResource::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  Instance* obj = Object();
  if (!obj || !obj->cls) {
    TElementResource::WriteMarkup(lines, indent);
    return;
  }
  TSGML element(obj->cls->name);
  element.SetAttr("name", name);
  element.SetAttr("src", RelativeSource(sourcePath));
  const TRapidStringList& members = obj->cls->Members;
  for (int32_t i = 0; i < members.Count() && static_cast<uint32_t>(i) < obj->count; ++i) {
    const Value& v = obj->members()[i];
    if (v.tag != kObject || !v.obj || !IsStringObject(v.obj)) continue;
    auto child = std::make_unique<TSGML>("resinst");
    child->SetAttr("type", "string");
    child->SetAttr("name", members.NameAt(i));
    child->SetAttr("value", StringText(v.obj));
    element.AddChild(std::move(child));
  }
  AppendLines(element.Write(indent), lines);
}

}  // namespace ruvel
