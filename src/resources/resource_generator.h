// The generator resource (TGenerator): a page's record of one placed object.
// It names the script global that receives the instance, the class to
// instantiate, constructor arguments (the "const_" attributes) and member
// assignments (the "inst_" attributes), each kept as "key=value" with the
// value written as script source text. The node creates its object when a
// subtree holding it is prepared, lets the object write its state back
// before it is saved, and forgets the object when it is freed. Building the
// page script from all generators of a page lives in pages/page_script.h.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TSGML;
class TRTTI;

class TGenerator : public TResource {
 public:
  // States of the preparation steps.
  enum : int { kReady = 0, kCreated = 1, kClassMissing = 2, kFailed = 3 };

  // Reads "classname" (any letter case) for the class, sorts the "const_"
  // and "inst_" attributes into their lists and takes name and src as
  // every node does (src resolved against base).
  TGenerator(const TSGML& element, const std::string& base);
  ~TGenerator() override;
  const char* TypeName() const override { return "TGenerator"; }

  std::string className;
  std::vector<std::string> constList;  // "key=value", constructor arguments
  std::vector<std::string> instList;   // "key=value", member assignments
  int state = kReady;

  // State 0 creates the object ($name=new Class(args)), state 1 assigns its
  // members and hands it this generator; see the .cpp for the counting.
  void PrepareStep(TInitContext& ctx) override;
  // Lets the object update the inst list ("onSaveToGen"), then writes the
  // markup line.
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;
  // The markup line alone: `generator` with className, name, src (when
  // set, relative to the base directory), the inst_ and then the const_
  // attributes, values escaped.
  std::string MarkupText(const std::string& indent) const;

  // Replaces the inst entry of key: the old entry goes, and key=text is
  // appended unless text is empty.
  void SetInstAttr(std::string_view key, const std::string& text);
  // The value of the entry of key in list, or none.
  static const std::string* EntryValue(const std::vector<std::string>& list, std::string_view key);
  // The key of a "key=value" entry (the whole entry without "=").
  static std::string_view EntryKey(std::string_view entry);
  // The class to instantiate, found from the root; none when missing.
  TRTTI* FindGeneratedClass() const;
  // True when the class has a member called key.
  static bool IsMemberOf(const TRTTI* cls, std::string_view key);
};

}  // namespace ruvel
