#pragma once
// The builder's own failure conditions. Each carries the exact text the user
// sees; errors of the file system and of launching tools are never wrapped in
// one of these, they travel as the system reported them.

#include <stdexcept>
#include <string>

namespace builder {

class GeneratorError : public std::runtime_error {
 public:
  enum class Case {
    destinationExists,
    signingFailed,
    notarizationFailed,
    fileError,
    templateMissing,
    localFolderHasNoHTML,
    destinationInsideSource,
  };

  static GeneratorError destinationExists(const std::string& lastPathComponent);
  static GeneratorError signingFailed(const std::string& toolOutput);
  static GeneratorError notarizationFailed(const std::string& output);
  static GeneratorError fileError(const std::string& message);
  static GeneratorError templateMissing();
  static GeneratorError localFolderHasNoHTML();
  static GeneratorError destinationInsideSource();

  Case errorCase() const { return case_; }
  // The payload of the cases that carry one; empty otherwise.
  const std::string& payload() const { return payload_; }
  // The text shown to the user (also what() returns).
  std::string errorDescription() const { return what(); }

 private:
  GeneratorError(Case c, std::string payload);
  Case case_;
  std::string payload_;
};

}  // namespace builder
