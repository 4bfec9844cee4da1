// The compile driver: CompileClass turns a class's source text into a
// compiled class record (class file first, else tokenize, parse, generate,
// report, save the class file), and InstallCompiler hands the compiler and
// the snippet evaluator to the VM, whose class preparation and resource
// tree call them.
#pragma once
#include <cstdint>
#include <string>

namespace ruvel {

class TRTTI;

// Compiles cls from source. Returns 0 when the class compiled, was loaded
// from its class file, or was left pending because its parent is not
// compiled yet; 1 on a syntax or compile error (CompileFailed is set, and
// the error is shown when report is set).
int CompileClass(TRTTI& cls, const std::string& source, bool report);

// The source half of CompileClass: tokenize, parse and generate into cls,
// with no class file read or written. Errors name path.
int CompileSource(TRTTI& cls, const std::string& source, const std::string& path, bool report);

// How many classes failed to compile in this run (syntax or compile
// errors, hot swaps included): a headless run ends with exit code 1 when
// any did.
int CompileFailures();

// The progress sink: a log line (shown with --log).
void Log(const std::string& text);

// Shows an error message with one trace entry (source path and byte
// offset) through the VM's message display.
void ReportError(const std::string& message, const std::string& path, int32_t offset);

// Installs VM().compileClass and VM().evaluateSnippet (both report their
// errors). Start-up calls it before the kernel classes are prepared.
void InstallCompiler();

}  // namespace ruvel
