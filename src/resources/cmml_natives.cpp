// Natives of "classes.lang.CMML". Argument 1 is the element handle the
// CMML object holds; a handle whose document was freed (or any other
// value) is refused: getters give null, setters do nothing.
#include "platform/error.h"
#include "resources/cmml.h"
#include "resources/custom_resource_script.h"
#include "natives/natives_args.h"
#include "vm/host_registry.h"

namespace ruvel {

namespace {

TCmmlElement* ElementArg(const TNativeArgs& a) { return a.Has(1) ? LiveCmmlElement(a[1]) : nullptr; }

// Text that starts with "<" is markup read as it stands; other text is an
// element's inside, read the way addSubItem reads it.
std::unique_ptr<TSGML> ReadDocumentText(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) < '!') ++start;
  if (start < text.size() && text[start] == '<') return TSGML::ReadFull(text);
  return ReadCmmlItem(text);
}

}  // namespace

void NativeCmmlGetTagName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  if (TCmmlElement* h = ElementArg(a)) a.ReturnString(h->Element().Tag());
  else a.ReturnNull();
}

void NativeCmmlGetAttr(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (TCmmlElement* h = ElementArg(a)) a.ReturnString(h->Element().GetAttr(a.Text(2)));
  else a.ReturnNull();
}

void NativeCmmlSetAttr(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  if (TCmmlElement* h = ElementArg(a)) h->Element().SetAttr(a.Text(2), a.Text(3));
}

void NativeCmmlSetTagName(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (TCmmlElement* h = ElementArg(a)) h->Element().SetTag(a.Text(2));
}

void NativeCmmlAddSubItem(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  TCmmlElement* h = ElementArg(a);
  if (!h) {
    a.ReturnNull();
    return;
  }
  // The item is read whole before the tree is touched.
  std::unique_ptr<TSGML> item = ReadCmmlItem(a.Text(2));
  if (!item) {
    a.ReturnNull();
    return;
  }
  TSGML* added = h->Element().AddChild(std::move(item));
  Value made = MakeNull();
  if (MakeCmmlObject(h->Document()->HandleOf(added), made)) a.Return(made);
  else a.ReturnNull();
  ValueSetNull(made);
}

void NativeCmmlGetSubItems(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  TCmmlElement* h = ElementArg(a);
  if (!h) {
    a.ReturnNull();
    return;
  }
  TScriptGlobals globals;
  globals.Set("$_tmp_cmml", MakeInt(0));
  if (!globals.Set("$_tmp_cmml_list", MakeInt(0)) ||
      TScriptGlobals::Evaluate("$_tmp_cmml_list=new Array();") != 0) {
    a.ReturnNull();
    return;
  }
  for (size_t i = 0;; ++i) {
    // The script run for each child may free the document (a destructor
    // of its owner); what was listed so far is the result then.
    if (!IsLiveHost(h) || i >= h->Element().ChildCount()) break;
    TCmmlElement* child = h->Document()->HandleOf(h->Element().Child(i));
    if (!globals.Set("$_tmp_cmml2", MakeHost(child))) break;
    if (TScriptGlobals::Evaluate("$_tmp_cmml=new CMML($_tmp_cmml2);$_tmp_cmml_list.add($_tmp_cmml);") != 0) break;
  }
  Value list = MakeNull();
  if (globals.Get("$_tmp_cmml_list", list)) a.Return(list);
  else a.ReturnNull();
  ValueSetNull(list);
}

void NativeCmmlParse(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::unique_ptr<TSGML> root = ReadDocumentText(a.Text(1));
  if (root) a.ReturnHost(CmmlDocuments().Create(std::move(root)));
  else a.ReturnNull();
}

void NativeCmmlFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnInt(CmmlDocuments().Free(LiveCmmlElement(a[1])) ? 1 : 0);
}

}  // namespace ruvel
