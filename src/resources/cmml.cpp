#include "resources/cmml.h"

#include <algorithm>
#include <string>

#include "resources/custom_resource_script.h"
#include "vm/host_registry.h"

namespace ruvel {

TCmmlElement::TCmmlElement(TCmmlDocument* document, TSGML* element) : document_(document), element_(element) {}

TCmmlDocument::TCmmlDocument(std::unique_ptr<TSGML> root) : root_(std::move(root)) {}

// Handles go before the tree they name.
TCmmlDocument::~TCmmlDocument() { handles_.clear(); }

TCmmlElement* TCmmlDocument::HandleOf(TSGML* element) {
  auto& handle = handles_[element];
  if (!handle) handle = std::make_unique<TCmmlElement>(this, element);
  return handle.get();
}

TCmmlElement* TCmmlStore::Create(std::unique_ptr<TSGML> root) {
  TSGML* element = root.get();
  documents_.push_back(std::make_unique<TCmmlDocument>(std::move(root)));
  return documents_.back()->HandleOf(element);
}

bool TCmmlStore::Free(const TCmmlElement* rootHandle) {
  if (!rootHandle || !IsLiveHost(rootHandle)) return false;
  auto it = std::find_if(documents_.begin(), documents_.end(), [rootHandle](const auto& d) {
    return d.get() == rootHandle->Document() && &d->Root() == &rootHandle->Element();
  });
  if (it == documents_.end()) return false;
  // Taken out of the list first: nothing the freeing does can reach it.
  std::unique_ptr<TCmmlDocument> doc = std::move(*it);
  documents_.erase(it);
  return true;
}

TCmmlStore& CmmlDocuments() {
  static TCmmlStore store;
  return store;
}

TCmmlElement* LiveCmmlElement(const Value& v) { return LiveHostAs<TCmmlElement>(v); }

std::unique_ptr<TSGML> ReadCmmlItem(std::string_view text) {
  std::string markup = "<";
  markup.append(text);
  markup += "/>";
  return TSGML::ReadFull(markup);
}

bool MakeCmmlObject(TCmmlElement* handle, Value& out) {
  TScriptGlobals globals;
  if (!globals.Set("$_tmp_cmml2", MakeHost(handle))) return false;
  if (TScriptGlobals::Evaluate("$_tmp_cmml=new CMML($_tmp_cmml2);") != 0) return false;
  Value made = MakeNull();
  if (!globals.Get("$_tmp_cmml", made)) return false;
  ValueAssign(out, made);
  ValueSetNull(made);
  return true;
}

}  // namespace ruvel
