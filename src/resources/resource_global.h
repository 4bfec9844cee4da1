// Global values and parameters of the resource tree. A TGlobalValue is a
// script global ("$score"): its Value is what compiled code and getGlobal /
// setGlobal reach; its initial text (a script expression) is evaluated
// when the node is prepared. A TfParam is a named text setting.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TGlobalValue : public TResource {
 public:
  // The value starts uninitialised, carrying the symbol id of the name.
  TGlobalValue(const std::string& globalName, const std::string& text);
  ~TGlobalValue() override;
  const char* TypeName() const override { return "TGlobalValue"; }

  Value value;
  std::string initialText;  // the "value" attribute
  uint32_t handle;          // value-slot handle for bytecode operands

  Value* ValuePtr() override { return &value; }
  // Counts the global as done, then evaluates name + "=" + text + ";".
  void PrepareStep(TInitContext& ctx) override;
  void ClearValues() override;
  void Mark() override;
  // <globalvalue name=".." value=".."/> with the value text recomputed
  // from the current value.
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;
  // Text written as the value attribute: an integer's decimal text, a
  // string between double quotes, the initial text while the global was
  // never assigned, and the empty text for anything else.
  std::string CurrentValueText() const;
};

class TfParam : public TResource {
 public:
  TfParam(const std::string& paramName, const std::string& text);
  const char* TypeName() const override { return "TfParam"; }

  std::string valueText;  // the "value" attribute

  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;
};

}  // namespace ruvel
