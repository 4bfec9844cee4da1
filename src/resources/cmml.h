// Markup elements that scripts hold ("classes.lang.CMML"): a script object
// keeps a host value naming one element of a document. TSGML is no host
// object, so each element a script can reach gets a TCmmlElement handle,
// made on first use (live in the host registry as every host object is).
// The handles die with their document, so a script that keeps one after
// its document was freed is refused instead of reaching freed memory.
//
// Owner of the documents: TCmmlStore (CmmlDocuments()). A document is made
// from markup text by a script and lives until the script frees it (the
// CMML destructor) or the store is cleared.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "resources/sgml.h"
#include "vm/value.h"

namespace ruvel {

class TCmmlDocument;

// The host value behind a CMML object: one element and its document.
class TCmmlElement : public TObject {
 public:
  TCmmlElement(TCmmlDocument* document, TSGML* element);
  TCmmlElement(const TCmmlElement&) = delete;
  TCmmlElement& operator=(const TCmmlElement&) = delete;
  const char* TypeName() const override { return "TSGML"; }

  TCmmlDocument* Document() const { return document_; }
  TSGML& Element() const { return *element_; }

 private:
  TCmmlDocument* document_;
  TSGML* element_;
};

// One element tree made by a script, with the handles of its elements.
class TCmmlDocument {
 public:
  explicit TCmmlDocument(std::unique_ptr<TSGML> root);
  ~TCmmlDocument();
  TCmmlDocument(const TCmmlDocument&) = delete;
  TCmmlDocument& operator=(const TCmmlDocument&) = delete;

  TSGML& Root() const { return *root_; }
  // The handle of an element of this document, made on first use.
  TCmmlElement* HandleOf(TSGML* element);
  size_t HandleCount() const { return handles_.size(); }

 private:
  std::unique_ptr<TSGML> root_;
  std::unordered_map<const TSGML*, std::unique_ptr<TCmmlElement>> handles_;
};

class TCmmlStore {
 public:
  // Takes the element as the root of a new document; returns its handle.
  TCmmlElement* Create(std::unique_ptr<TSGML> root);
  // Frees the document whose root this handle names; false (nothing freed)
  // for any other handle.
  bool Free(const TCmmlElement* rootHandle);
  void Clear() { documents_.clear(); }
  size_t Count() const { return documents_.size(); }

 private:
  std::vector<std::unique_ptr<TCmmlDocument>> documents_;
};
TCmmlStore& CmmlDocuments();

// The live element handle of a host value; none for anything else,
// including a handle whose document was freed.
TCmmlElement* LiveCmmlElement(const Value& v);

// Reads "<" + text + "/>" with the run-time reader (text holding a ">"
// may make it report a missing closing tag in a message box).
std::unique_ptr<TSGML> ReadCmmlItem(std::string_view text);

// Assigns to out a new CMML script object for an element handle, made by
// evaluating "$_tmp_cmml=new CMML($_tmp_cmml2);" with "$_tmp_cmml2"
// holding the handle. False (out untouched) when the evaluation failed.
// Both globals are 0 again afterwards.
bool MakeCmmlObject(TCmmlElement* handle, Value& out);

// The natives of "classes.lang.CMML" (cmml_natives.cpp).
void NativeCmmlGetTagName(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlGetAttr(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlSetAttr(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlSetTagName(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlAddSubItem(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlGetSubItems(Value* self, int32_t argc, int32_t reserved);
// Scripts make a document from markup text and free it again.
void NativeCmmlParse(Value* self, int32_t argc, int32_t reserved);
void NativeCmmlFree(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel
