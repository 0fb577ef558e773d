#include "builder/generator_error.hpp"

namespace builder {
namespace {

std::string describe(GeneratorError::Kind kind, const std::string& payload) {
  using Kind = GeneratorError::Kind;
  switch (kind) {
    case Kind::destinationExists:
      return "\u201C" + payload + "\u201D already exists in that folder. Choose another name or location.";
    case Kind::signingFailed:
      return "Signing failed: " + payload;
    case Kind::notarizationFailed:
      return "Notarization failed: " + payload;
    case Kind::fileError:
      return payload;
    case Kind::templateMissing:
      return "The app template is missing from Nimbrel.";
    case Kind::localFolderHasNoHTML:
      return "That folder doesn't contain an index.html file.";
    case Kind::destinationInsideSource:
      return "The app can't be saved inside the website folder it's built from. Choose a different location, such "
             "as /Applications.";
  }
  return payload;
}

}  // namespace

GeneratorError::GeneratorError(Kind kind, std::string payload)
    : kind_(kind), payload_(std::move(payload)), description_(describe(kind_, payload_)) {}

}  // namespace builder
