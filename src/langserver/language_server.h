// The language server's message handling: one JSON-RPC message in, the
// messages to send back out (its response, and notifications such as
// diagnostics). Lifecycle (initialize, shutdown, exit), the open
// documents, diagnostics from the compiler's parser, and the requests of
// features.h. Errors in a message become error responses; nothing in a
// message can end the server except "exit".
#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "langserver/compile_check.h"
#include "langserver/kernel_docs.h"
#include "langserver/workspace.h"

namespace ruvel::lsp {

using json = nlohmann::json;

// JSON-RPC error codes the server answers with.
enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
};

// A request the server refuses, with the message the editor shows.
struct RequestError {
  int code;
  std::string message;
};

class LanguageServer {
 public:
  // programDir holds Kernel/ (and, in a source tree, docs/kernel.md).
  // With compile, the kernel is started at initialize and every text is
  // also put through the code generator (the compiler must be installed).
  explicit LanguageServer(std::string programDir, bool compile = false);

  std::vector<json> Handle(const std::string& body);
  // The reply to a frame that could not be read.
  json FrameError(const std::string& why) const;

  bool Exited() const { return exited_; }
  int ExitCode() const { return shutdown_ ? 0 : 1; }

  Workspace& Files() { return workspace_; }
  const KernelDocs& Docs() const { return docs_; }

 private:
  json Dispatch(const std::string& method, const json& params, std::vector<json>& out);
  json Initialize(const json& params);
  void PublishDiagnostics(ClassEntry& cls, std::vector<json>& out);
  void MountProject();
  ClassEntry* Document(const json& params);

  std::string programDir_;
  bool compile_;
  CompileChecker checker_;
  Workspace workspace_;
  KernelDocs docs_;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
};

// The features (features.cpp, navigation.cpp); each takes the request's
// params and returns its result.
json Completion(LanguageServer& server, ClassEntry& cls, const json& params);
json Hover(LanguageServer& server, ClassEntry& cls, const json& params);
json Definition(LanguageServer& server, ClassEntry& cls, const json& params);
json References(LanguageServer& server, ClassEntry& cls, const json& params);
json Rename(LanguageServer& server, ClassEntry& cls, const json& params);
json DocumentSymbols(LanguageServer& server, ClassEntry& cls);

// Protocol shapes shared by the features.
json RangeJson(const SourceText& text, int32_t start, int32_t end);
json LocationJson(const ClassEntry& cls, int32_t start, int32_t end);
// A position; a number that is not whole is refused (kInvalidParams).
TextPos PositionOf(const json& position);
TextPos PositionParam(const json& params);

}  // namespace ruvel::lsp
