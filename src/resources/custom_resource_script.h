// Host code that runs script text through snippet evaluation and hands it
// values through script globals ("$_tmp_val1", "$_tmp_cmml"...). A
// TScriptGlobals scope remembers every global it set or read and sets each
// back to integer 0 when it ends, so no global keeps a count on an object
// or a host pointer that may outlive what it names.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "vm/value.h"

namespace ruvel {

class TScriptGlobals {
 public:
  TScriptGlobals() = default;
  ~TScriptGlobals();
  TScriptGlobals(const TScriptGlobals&) = delete;
  TScriptGlobals& operator=(const TScriptGlobals&) = delete;

  // Copies v into the global (created on first reference); false without
  // a resource tree to hold it.
  bool Set(std::string_view name, const Value& v);
  // Copies the global's value into out; false when there is no such global.
  bool Get(std::string_view name, Value& out);
  // Evaluates script statements: 0 finished, 1 did not compile (or no
  // evaluator is installed), 2 ended by a run-time error.
  static int Evaluate(const std::string& statements);

 private:
  void Note(std::string_view name);
  std::vector<std::string> names_;
};

}  // namespace ruvel
