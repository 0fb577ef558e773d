#pragma once
// Names derived from the request's name: the executable's file name and the
// bundle identifier "co.corvan.nimbrel.<slug>-<six hex digits>".

#include <cstdint>
#include <string>
#include <string_view>

#include "builder/app_generator.hpp"

namespace builder {

// "/" becomes "-", surrounding white space goes; never empty, "." or ".." ("App").
std::string executableName(const std::string& name);

// Lower-cased name with every run of characters that are neither letters nor
// numbers (in any script) collapsed to one "-"; "app" when nothing is left.
std::string identifierSlug(const std::string& name);

// Slug plus the low 24 bits of a hash of name and source. The hash is keyed
// afresh in every run of Nimbrel, so identifiers repeat within a run only.
std::string bundleIdentifier(const AppGenerator& request);

// What the app's web data is kept under, written into its Info.plist:
// "co.corvan.nimbrel.<slug>-<16 hex digits>", the digits from a SHA-256 of the
// same name and source bundleIdentifier hashes, so rebuilding an app (in any
// run of Nimbrel) keeps its logins, and another name or source gets its own.
std::string storageKey(const AppGenerator& request);

// The keyed 64-bit hash behind bundleIdentifier (SipHash-2-4, random key per process).
std::int64_t seededHash(std::string_view text);

}  // namespace builder
