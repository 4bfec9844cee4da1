#include "langserver/language_server.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "langserver/symbol_query.h"
#include "platform/paths.h"

namespace ruvel::lsp {

namespace {

json ErrorResponse(const json& id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

// Deepest nesting of arrays and objects in a message, strings skipped.
// The JSON library works recursively on nested values, so a message
// nested deeper than any request needs is refused before it is parsed.
int NestingDepth(const std::string& text) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

constexpr int kMaxNesting = 64;

}  // namespace

json RangeJson(const SourceText& text, int32_t start, int32_t end) {
  TextPos a = text.Position(start);
  TextPos b = text.Position(end);
  return {{"start", {{"line", a.line}, {"character", a.character}}}, {"end", {{"line", b.line}, {"character", b.character}}}};
}

json LocationJson(const ClassEntry& cls, int32_t start, int32_t end) {
  return {{"uri", PathToUri(cls.path)}, {"range", RangeJson(cls.goodText, start, end)}};
}

int IntParam(const json& value) {
  if (!value.is_number_integer()) throw RequestError{kInvalidParams, "a position is a whole number"};
  if (value.is_number_unsigned()) return static_cast<int>(std::min<uint64_t>(value.get<uint64_t>(), INT32_MAX));
  return static_cast<int>(std::clamp<int64_t>(value.get<int64_t>(), INT32_MIN, INT32_MAX));
}

TextPos PositionOf(const json& p) { return {IntParam(p.at("line")), IntParam(p.at("character"))}; }

TextPos PositionParam(const json& params) { return PositionOf(params.at("position")); }

LanguageServer::LanguageServer(std::string programDir, bool compile)
    : programDir_(std::move(programDir)), compile_(compile) {
  // The documentation lies beside the program in a source tree, above the
  // build folder, or in the installed documentation folder.
  for (const char* rel : {"docs/kernel.md", "../docs/kernel.md", "../doc/ruvel/kernel.md"}) {
    std::string path = PathResolve(rel, programDir_);
    if (PathExists(path)) {
      docs_.Load(path);
      break;
    }
  }
}

json LanguageServer::FrameError(const std::string& why) const {
  return ErrorResponse(nullptr, kParseError, why);
}

std::vector<json> LanguageServer::Handle(const std::string& body) {
  std::vector<json> out;
  if (NestingDepth(body) > kMaxNesting) {
    out.push_back(ErrorResponse(nullptr, kParseError, "nesting too deep"));
    return out;
  }
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    out.push_back(ErrorResponse(nullptr, kParseError, "malformed JSON"));
    return out;
  }
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    // A response from the editor to a request of ours needs no answer.
    if (message.is_object() && message.contains("id") && (message.contains("result") || message.contains("error")))
      return out;
    json id = message.is_object() && message.contains("id") ? message["id"] : json(nullptr);
    if (!id.is_number() && !id.is_string()) id = nullptr;
    out.push_back(ErrorResponse(id, kInvalidRequest, "not a request"));
    return out;
  }
  std::string method = message["method"];
  bool request = message.contains("id");
  json id = request ? message["id"] : json(nullptr);
  // An id is a number or a string; anything else is not echoed back.
  if (request && !id.is_number() && !id.is_string() && !id.is_null()) {
    out.push_back(ErrorResponse(nullptr, kInvalidRequest, "bad id"));
    return out;
  }
  json params = message.contains("params") ? message["params"] : json::object();
  try {
    if (!initialized_ && method != "initialize" && method != "exit") {
      if (request) out.push_back(ErrorResponse(id, kServerNotInitialized, "not initialized"));
      return out;
    }
    json result = Dispatch(method, params, out);
    if (request) out.insert(out.begin(), json{{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
  } catch (const RequestError& e) {
    if (request) out.push_back(ErrorResponse(id, e.code, e.message));
  } catch (const json::exception& e) {
    if (request) out.push_back(ErrorResponse(id, kInvalidParams, e.what()));
  } catch (const std::exception& e) {
    if (request) out.push_back(ErrorResponse(id, kInternalError, e.what()));
  }
  return out;
}

ClassEntry* LanguageServer::Document(const json& params) {
  std::string uri = params.at("textDocument").at("uri").get<std::string>();
  return workspace_.FindByPath(UriToPath(uri));
}

json LanguageServer::Dispatch(const std::string& method, const json& params, std::vector<json>& out) {
  if (method == "initialize") return Initialize(params);
  if (method == "initialized") {
    for (auto& c : workspace_.Classes()) {
      if (!c->kernel) PublishDiagnostics(*c, out);
    }
    return nullptr;
  }
  if (method == "shutdown") {
    shutdown_ = true;
    return nullptr;
  }
  if (method == "exit") {
    exited_ = true;
    return nullptr;
  }
  if (method == "textDocument/didOpen") {
    const json& doc = params.at("textDocument");
    size_t known = workspace_.Classes().size();
    ClassEntry* cls = workspace_.AddSource(UriToPath(doc.at("uri").get<std::string>()));
    if (!cls) return nullptr;
    if (workspace_.Classes().size() != known) MountProject();
    cls->open = true;
    cls->SetText(SourceText(doc.at("text").get<std::string>()));
    PublishDiagnostics(*cls, out);
    return nullptr;
  }
  if (method == "textDocument/didChange") {
    ClassEntry* cls = Document(params);
    if (!cls) return nullptr;
    SourceText text = cls->text;
    for (const json& change : params.at("contentChanges")) {
      std::string with = change.at("text").get<std::string>();
      if (change.contains("range")) {
        const json& r = change["range"];
        text = text.Replaced(PositionOf(r.at("start")), PositionOf(r.at("end")), with);
      } else {
        text = SourceText(with);
      }
    }
    cls->SetText(std::move(text));
    PublishDiagnostics(*cls, out);
    return nullptr;
  }
  if (method == "textDocument/didClose") {
    // Unsaved edits are dropped with the editor's buffer: the file counts.
    if (ClassEntry* cls = Document(params)) {
      cls->open = false;
      workspace_.Reload(*cls);
      PublishDiagnostics(*cls, out);
    }
    return nullptr;
  }
  if (method == "workspace/didChangeWatchedFiles") {
    for (const json& change : params.at("changes")) {
      std::string path = UriToPath(change.at("uri").get<std::string>());
      ClassEntry* cls = workspace_.FindByPath(path);
      if (!cls && PathExists(path)) cls = workspace_.AddSource(path);
      if (!cls || cls->open) continue;
      workspace_.Reload(*cls);
      PublishDiagnostics(*cls, out);
    }
    return nullptr;
  }
  if (method == "textDocument/didSave") {
    ClassEntry* cls = Document(params);
    if (cls && params.contains("text") && params["text"].is_string()) {
      cls->SetText(SourceText(params["text"].get<std::string>()));
      PublishDiagnostics(*cls, out);
    }
    return nullptr;
  }
  if (method == "textDocument/completion" || method == "textDocument/hover" || method == "textDocument/definition" ||
      method == "textDocument/references" || method == "textDocument/rename" ||
      method == "textDocument/documentSymbol") {
    ClassEntry* cls = Document(params);
    if (!cls) {
      if (method == "textDocument/rename") throw RequestError{kInvalidParams, "unknown document"};
      return method == "textDocument/hover" || method == "textDocument/definition" ? json(nullptr) : json::array();
    }
    if (method == "textDocument/completion") return Completion(*this, *cls, params);
    if (method == "textDocument/hover") return Hover(*this, *cls, params);
    if (method == "textDocument/definition") return Definition(*this, *cls, params);
    if (method == "textDocument/references") return References(*this, *cls, params);
    if (method == "textDocument/rename") return Rename(*this, *cls, params);
    return DocumentSymbols(*this, *cls);
  }
  // Notifications the server does not know are ignored ("$/..." included).
  throw RequestError{kMethodNotFound, "unknown method: " + method};
}

json LanguageServer::Initialize(const json& params) {
  std::string root;
  if (params.contains("rootUri") && params["rootUri"].is_string()) root = UriToPath(params["rootUri"]);
  else if (params.contains("rootPath") && params["rootPath"].is_string()) root = params["rootPath"];
  if (root.empty() && params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
      !params["workspaceFolders"].empty())
    root = UriToPath(params["workspaceFolders"][0].at("uri").get<std::string>());
  if (!initialized_) {
    workspace_.Load(root.empty() ? root : CanonicalPath(root), programDir_);
    if (compile_ && !programDir_.empty() && checker_.Start(programDir_)) MountProject();
  }
  initialized_ = true;
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", true}}}}},
            {"completionProvider", {{"triggerCharacters", {"."}}}},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"documentSymbolProvider", true},
            {"renameProvider", true}}},
          {"serverInfo", {{"name", "ruvel"}}}};
}

void LanguageServer::MountProject() {
  if (!checker_.Started()) return;
  std::vector<ClassEntry*> classes;
  for (auto& c : workspace_.Classes()) classes.push_back(c.get());
  checker_.Mount(classes);
}

void LanguageServer::PublishDiagnostics(ClassEntry& cls, std::vector<json>& out) {
  json list = json::array();
  auto add = [&](int32_t start, int32_t end, const std::string& message) {
    list.push_back({{"range", RangeJson(cls.text, start, end)}, {"severity", 1}, {"source", "ruvel"}, {"message", message}});
  };
  CompileProblem problem;
  if (cls.index.hasError) {
    add(cls.index.errorStart, cls.index.errorEnd, cls.index.errorMessage);
  } else if (!cls.kernel && !checker_.Check(cls, cls.text.Cp932(), problem)) {
    // The generator reports the position of the statement it was
    // compiling (its closing ";"): the diagnostic spans the statement.
    int32_t at = cls.text.FromCp932(problem.offset);
    std::vector<Token> tokens = TokensOf(cls.text);
    int k = 0;
    while (k < static_cast<int>(tokens.size()) && tokens[k].end <= at) ++k;
    int32_t start = at;
    int32_t end = at;
    if (k < static_cast<int>(tokens.size()) && tokens[k].start <= at) {
      end = tokens[k].end;
      start = tokens[k].start;
      if (tokens[k].kind == ";") {
        for (int j = k - 1; j >= 0 && tokens[j].kind != ";" && tokens[j].kind != "{" && tokens[j].kind != "}"; --j) {
          if (tokens[j].kind != "COMM") start = tokens[j].start;
        }
      }
    }
    add(start, end, problem.message);
  }
  out.push_back({{"jsonrpc", "2.0"},
                 {"method", "textDocument/publishDiagnostics"},
                 {"params", {{"uri", PathToUri(cls.path)}, {"diagnostics", list}}}});
}

}  // namespace ruvel::lsp
