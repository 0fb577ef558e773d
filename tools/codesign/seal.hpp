#pragma once
// The seal of a bundle, Contents/_CodeSignature/CodeResources: an XML property
// list that fixes the content of every file in the bundle.
//
//   files         dictionary: relative path → data (SHA-256 of the file's bytes)
//   symlinks      dictionary: relative path → string (the link's target)
//   identity      string: "-" for an ad-hoc seal, else the signing identity
//   entitlements  dictionary, only when signed with an entitlements file
//   flags         array of strings (e.g. "runtime"), only when options were given
//   signingTime   date, only with --timestamp
//
// Paths use "/" and are relative to the bundle folder. The seal and its
// detached signature (CodeResources.asc) are the only files it leaves out.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist.hpp"

namespace codesign {

inline constexpr const char* kSealFolder = "Contents/_CodeSignature";
inline constexpr const char* kSealName = "CodeResources";
inline constexpr const char* kSignatureName = "CodeResources.asc";

struct SealOptions {
  std::string identity = "-";
  std::optional<platform::plist::Dictionary> entitlements;
  std::vector<std::string> flags;
  bool timestamp = false;
};

// Throws std::runtime_error (or filesystem_error) naming the entry it cannot seal.
platform::plist::Dictionary makeSeal(const std::filesystem::path& bundle, const SealOptions& options);

// What differs between the bundle and a seal, one line each
// ("modified: X", "added: X", "missing: X"); empty when the bundle is intact.
std::vector<std::string> checkSeal(const std::filesystem::path& bundle, const platform::plist::Dictionary& seal);

}  // namespace codesign
