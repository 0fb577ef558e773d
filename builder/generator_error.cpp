#include "builder/generator_error.hpp"

namespace builder {
namespace {

std::string describe(GeneratorError::Case c, const std::string& payload) {
  using C = GeneratorError::Case;
  switch (c) {
    case C::destinationExists:
      return "\u201C" + payload + "\u201D already exists in that folder. Choose another name or location.";
    case C::signingFailed:
      return "Signing failed: " + payload;
    case C::notarizationFailed:
      return "Notarization failed: " + payload;
    case C::fileError:
      return payload;
    case C::templateMissing:
      return "The app template is missing from Nimbrel.";
    case C::localFolderHasNoHTML:
      return "That folder doesn't contain an index.html file.";
    case C::destinationInsideSource:
      return "The app can't be saved inside the website folder it's built from. Choose a different location, "
             "such as /Applications.";
  }
  return payload;
}

}  // namespace

GeneratorError::GeneratorError(Case c, std::string payload)
    : std::runtime_error(describe(c, payload)), case_(c), payload_(std::move(payload)) {}

GeneratorError GeneratorError::destinationExists(const std::string& lastPathComponent) {
  return {Case::destinationExists, lastPathComponent};
}
GeneratorError GeneratorError::signingFailed(const std::string& toolOutput) {
  return {Case::signingFailed, toolOutput};
}
GeneratorError GeneratorError::notarizationFailed(const std::string& output) {
  return {Case::notarizationFailed, output};
}
GeneratorError GeneratorError::fileError(const std::string& message) { return {Case::fileError, message}; }
GeneratorError GeneratorError::templateMissing() { return {Case::templateMissing, {}}; }
GeneratorError GeneratorError::localFolderHasNoHTML() { return {Case::localFolderHasNoHTML, {}}; }
GeneratorError GeneratorError::destinationInsideSource() { return {Case::destinationInsideSource, {}}; }

}  // namespace builder
