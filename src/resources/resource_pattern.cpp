#include "resources/resource_pattern.h"

#include "resources/resource_markup.h"
#include "resources/sgml.h"

namespace ruvel {

TPatternHooks& PatternHooks() {
  static TPatternHooks hooks;
  return hooks;
}

TCPat::TCPat(const TSGML& element, const std::string& base) {
  name = element.GetAttr("name");
  sourcePath = ResolveSource(element.GetAttr("src"), base);
}

TCPat::TCPat(const std::string& globalName, const std::string& src) {
  name = globalName;
  sourcePath = src;
}

TCPat::~TCPat() {
  if (PatternHooks().released) PatternHooks().released(*this);
}

void TCPat::PrepareStep(TInitContext& ctx) {
  if (PatternHooks().prepare) {
    PatternHooks().prepare(*this, ctx);
  } else {
    ++ctx.Done;
  }
}

void TCPat::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  std::string src = RelativeSource(sourcePath);
  lines.push_back(MarkupLine(indent, "cpattern", {{"name", name}, {"src", src}}, "/>"));
}

}  // namespace ruvel
