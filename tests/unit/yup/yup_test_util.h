// Helpers shared by the compiler front-end tests: the script parser, token
// listings, parsing to printed trees and a sink that captures messages.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "compiler/grammar_nodes.h"
#include "compiler/script_parser.h"
#include "compiler/tree_printer.h"
#include "platform/message_sink.h"

namespace ruvel::yup_test {

// "KIND:text" of every token, separated by blanks.
inline std::string Tokens(const TLexList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    if (i) out += ' ';
    out += list.Item(i).Kind() + ":" + list.Item(i).Text();
  }
  return out;
}

inline std::string Tokens(std::string_view text) { return Tokens(*ScriptParser().Tokenize(text)); }

// Tokenizes, drops comments as the compile driver does, and parses.
struct Parsed {
  std::unique_ptr<TLexList> tokens;
  TParseTree tree;
};
inline Parsed Parse(std::string_view text) {
  Parsed p;
  p.tokens = ScriptParser().Tokenize(text);
  p.tokens->RemoveKind("COMM");
  p.tree = ScriptParser().Parse(*p.tokens);
  return p;
}

// The compact tree of a class text, or "FAIL" when it does not parse.
inline std::string Compact(std::string_view text) {
  Parsed p = Parse(text);
  return p.tree ? PrintCompact(*p.tree) : "FAIL";
}

// The compact tree of the single statement of a class text.
inline std::string Statement(std::string_view text) {
  Parsed p = Parse(text);
  if (!p.tree) return "FAIL";
  auto& program = dynamic_cast<G_Program&>(*p.tree);
  if (program.Statements().Count() != 1) return "COUNT " + std::to_string(program.Statements().Count());
  return PrintCompact(program.Statements().Node(0));
}

// Collects message boxes while alive.
class CaptureSink : public MessageSink {
 public:
  CaptureSink() { previous_ = SetSink(this); }
  ~CaptureSink() override { SetSink(previous_); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void Log(const std::string&) override {}
  std::vector<std::string> messages;

 private:
  MessageSink* previous_;
};

}  // namespace ruvel::yup_test
