#include "builder/generator_error.hpp"

#include <gtest/gtest.h>

namespace {

using builder::GeneratorError;

struct DescriptionCase {
  GeneratorError error;
  const char* description;
};

class GeneratorErrorDescription : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(GeneratorErrorDescription, IsTheTextShownToTheUser) {
  EXPECT_EQ(GetParam().error.errorDescription(), GetParam().description);
  EXPECT_STREQ(GetParam().error.what(), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCase, GeneratorErrorDescription,
    ::testing::Values(
        DescriptionCase{GeneratorError::destinationExists("Docs.app"),
                        "\u201CDocs.app\u201D already exists in that folder. Choose another name or location."},
        DescriptionCase{GeneratorError::signingFailed("bad identity\n"), "Signing failed: bad identity\n"},
        DescriptionCase{GeneratorError::notarizationFailed(""), "Notarization failed: "},
        DescriptionCase{GeneratorError::fileError("Could not read the app's Info.plist."),
                        "Could not read the app's Info.plist."},
        DescriptionCase{GeneratorError::templateMissing(), "The app template is missing from Nimbrel."},
        DescriptionCase{GeneratorError::localFolderHasNoHTML(), "That folder doesn't contain an index.html file."},
        DescriptionCase{GeneratorError::destinationInsideSource(),
                        "The app can't be saved inside the website folder it's built from. Choose a different "
                        "location, such as /Applications."}));

}  // namespace
