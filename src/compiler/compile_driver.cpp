#include "compiler/compile_driver.h"

#include <memory>

#include "compiler/class_file.h"
#include "compiler/codegen.h"
#include "compiler/script_parser.h"
#include "compiler/snippet.h"
#include "platform/regular_file.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "runtime/rtti.h"
#include "vm/interpreter.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {
int compileFailures = 0;
}  // namespace

int CompileFailures() { return compileFailures; }

void Log(const std::string& text) { LogLine(text); }

void ReportError(const std::string& message, const std::string& path, int32_t offset) {
  TTraceList trace;
  if (!path.empty()) trace.push_back({path, offset, nullptr});
  if (VM().showError) VM().showError(message, trace);
  else ShowMessage(FormatError(message, trace));
}

namespace {

// Tries the class file of a class with a source; true when it loaded.
bool LoadFromClassFile(TRTTI& cls) {
  std::string file = ClassFilePath(cls);
  if (!PathExists(file)) return false;
  // A folder, FIFO or device in its place is named and compiled over.
  if (!IsRegularFile(file)) {
    Log(ReadFailureText(TReadStatus::kNotRegular, file, 0));
    return false;
  }
  try {
    return LoadClassFile(cls, file);
  } catch (const ERuvel&) {
    Log("not a valid Class File");
  } catch (const std::exception&) {
    Log("not a valid Class File");
  }
  return false;
}

}  // namespace

int CompileSource(TRTTI& cls, const std::string& source, const std::string& path, bool report) {
  // Comments never reach the parser.
  std::unique_ptr<TLexList> tokens = ScriptParser().Tokenize(source);
  tokens->RemoveKind("COMM");
  TParseTree tree = ScriptParser().Parse(*tokens);
  if (!tree) {
    cls.CompileFailed = true;
    ++compileFailures;
    if (report) ReportError(J("文法エラー:") + path, path, tokens->LastConsumedStart());
    return 1;
  }

  int result = 0;
  TContext context(VM().root, cls, source);
  cls.CompileFailed = false;
  try {
    GenerateClass(*tree, context);
  } catch (const ERuvel& e) {
    cls.CompileFailed = true;
    if (report) ReportError(e.Message(), path, context.currentPosition);
    result = 1;
  } catch (const std::exception& e) {
    cls.CompileFailed = true;
    if (report) ReportError(cls.name + ":" + e.what(), path, context.currentPosition);
    result = 1;
  }
  tree.reset();
  tokens.reset();
  if (result != 0) ++compileFailures;
  return result;
}

int CompileClass(TRTTI& cls, const std::string& source, bool report) {
  const std::string& path = cls.sourcePath;
  cls.CompiledText = source.empty() ? nullptr : std::make_shared<const std::string>(source);
  if (!path.empty()) {
    Log("Compiling " + PathRelative(path, ProgramDir()));
    if (LoadFromClassFile(cls)) return 0;
    // No source and no class file: nothing to compile.
    if (source.empty() && !PathExists(path)) return 1;
  }

  int result = CompileSource(cls, source, path, report);
  if (!path.empty() && cls.Compiled) {
    try {
      SaveClassFile(cls, ClassFilePath(cls));
    } catch (const ERuvel& e) {
      // The class works; it is only compiled again next time.
      Log(e.Message());
    }
  }
  return result;
}

void InstallCompiler() {
  VM().compileClass = [](TRTTI& cls, const std::string& text) { CompileClass(cls, text, true); };
  VM().evaluateSnippet = [](const std::string& statements) { return EvaluateSnippet(statements, true); };
}

}  // namespace ruvel
