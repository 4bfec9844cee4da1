// The debugger's object view: the live instances of a class with their
// members, read only.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

class TRTTI;

// For every instance of cls whose refcount is at least 1, in pool order:
// class name + "@" + handle + " r=" + refcount, then one line per member,
// two blanks + member name + "=" + the member's text. CP932.
std::vector<std::string> ObjectViewLines(const TRTTI& cls);

}  // namespace ruvel
