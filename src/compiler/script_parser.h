// The script language's parser: a TYup carrying the language's two rule
// texts and the grammar node classes as its OnCreateList handler.
#pragma once
#include <memory>

#include "compiler/yup_parser.h"

namespace ruvel {

// A new parser for the script language (its rule trees are built on first use).
std::unique_ptr<TYup> NewScriptParser();

// The program's parser, created on first use and kept until the program
// ends, so the rule trees are built once.
TYup& ScriptParser();

}  // namespace ruvel
