// Text forms of a result tree, for tests and diagnostics. A list prints as
// "(ClassName item ...)" and a token as its text.
#pragma once
#include <string>

#include "compiler/result_list.h"

namespace ruvel {

// Every list with its full class name: "(G_ExprS (G_Expr (G_Err) ...) ;)".
std::string PrintTree(const TResultList& tree);

// A short form for reading expressions: class names lose "G_", anonymous
// groups print as "[...]", and an expression level without its operator
// (an RVal holding one OrEx, an LValE without a call, a Const) prints as
// its operand alone, so a + b * c reads (CompEx a [+ (ASEx b [* c])]).
std::string PrintCompact(const TResultList& tree);

}  // namespace ruvel
