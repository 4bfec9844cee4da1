// Error types of the system. Every error carries its message as CP932 text,
// the code page of scripts and markup; convert with ToUtf8 to show it.
#pragma once
#include <exception>
#include <string>

namespace ruvel {

class ERuvel : public std::exception {
 public:
  explicit ERuvel(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// Run-time error of a script: ends the process that raised it.
class EVMError : public ERuvel {
 public:
  using ERuvel::ERuvel;
};

// Compile error (syntax or code generation).
class ECmpError : public ERuvel {
 public:
  using ERuvel::ERuvel;
};

// File input/output failure.
class EIOError : public ERuvel {
 public:
  using ERuvel::ERuvel;
};

}  // namespace ruvel
