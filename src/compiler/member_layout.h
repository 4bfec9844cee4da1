// New member layouts for a class and its subclasses during a live reload.
// A class's members are its parent's followed by its own; when a class's
// members change, each subclass keeps its own members after its parent's
// new ones. The plan is tried on the running classes (so that their code
// can be linked against it), taken back when the swap fails, and finally
// applied to every record of the family by name.
#pragma once
#include <cstdint>
#include <set>
#include <vector>

#include "runtime/rapid_string_list.h"

namespace ruvel {

class TRTTI;
struct Instance;

class TMemberLayout {
 public:
  // Compiled classes deriving from cls, parents before their children,
  // cls first.
  static std::vector<TRTTI*> FamilyOf(TRTTI& cls);

  explicit TMemberLayout(std::vector<TRTTI*> family);
  // Gives the family's first class the members next and every subclass
  // its parent's new members followed by its own.
  void Try(const TRapidStringList& next);
  // Restores the members every class had before Try.
  void Undo();
  // True when each subclass's members begin with its parent's.
  bool PrefixesHold() const;
  // True when every record of the family has slots for its class's new
  // member count.
  bool Fits() const;
  // Rebuilds every record of the family for the new members, by name: a
  // kept member keeps its value, a new one starts null, a removed one is
  // released. Adds the records in use to touched.
  void Apply(std::set<Instance*>& touched);

  const std::vector<TRTTI*>& Family() const { return family_; }

 private:
  std::vector<TRTTI*> family_;
  std::vector<TRapidStringList> before_;
};

}  // namespace ruvel
