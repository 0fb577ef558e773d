#pragma once
// The builder's own failure conditions, each with the exact text users see.

#include <stdexcept>
#include <string>

namespace builder {

class GeneratorError : public std::exception {
 public:
  enum class Kind {
    destinationExists,
    signingFailed,
    notarizationFailed,
    fileError,
    templateMissing,
    localFolderHasNoHTML,
    destinationInsideSource,
  };

  static GeneratorError destinationExists(std::string lastPathComponent) {
    return {Kind::destinationExists, std::move(lastPathComponent)};
  }
  static GeneratorError signingFailed(std::string output) { return {Kind::signingFailed, std::move(output)}; }
  static GeneratorError notarizationFailed(std::string output) {
    return {Kind::notarizationFailed, std::move(output)};
  }
  static GeneratorError fileError(std::string message) { return {Kind::fileError, std::move(message)}; }
  static GeneratorError templateMissing() { return {Kind::templateMissing, {}}; }
  static GeneratorError localFolderHasNoHTML() { return {Kind::localFolderHasNoHTML, {}}; }
  static GeneratorError destinationInsideSource() { return {Kind::destinationInsideSource, {}}; }

  Kind kind() const { return kind_; }
  const std::string& payload() const { return payload_; }
  const std::string& errorDescription() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  GeneratorError(Kind kind, std::string payload);
  Kind kind_;
  std::string payload_;
  std::string description_;
};

}  // namespace builder
