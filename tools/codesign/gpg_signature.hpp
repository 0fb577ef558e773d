#pragma once
// Detached OpenPGP signatures of the seal, made and checked by gpg from the
// user's own keyring (GNUPGHOME is honoured as gpg honours it).

#include <filesystem>
#include <optional>
#include <string>

namespace codesign {

// Writes an armoured detached signature of file to signature, made with the
// secret key gpg finds for identity (a key ID, fingerprint or user ID). Throws
// tools::VerbatimFailure carrying gpg's own error text.
void signDetached(const std::filesystem::path& file, const std::filesystem::path& signature,
                  const std::string& identity);

// gpg's error text when the signature does not verify; nothing when it does.
std::optional<std::string> verifyDetached(const std::filesystem::path& file, const std::filesystem::path& signature);

}  // namespace codesign
