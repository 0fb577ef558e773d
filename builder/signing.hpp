#pragma once
// Stage 3 of a build, on a background thread: clear extended attributes, sign
// (ad hoc, or with a Developer ID and optional notarization), register the
// app with the desktop, then complete. Every step is a tool run by path.

#include <filesystem>
#include <string>
#include <vector>

#include "builder/app_generator.hpp"
#include "builder/build_callbacks.hpp"

namespace builder {

void finishBuild(const AppGenerator& request, const std::filesystem::path& app, const BuildEnvironment& env,
                 const BuildCallbacks& callbacks);

// Throws GeneratorError::signingFailed / notarizationFailed, launch errors
// (std::system_error) and file errors.
void signApp(const AppGenerator& request, const std::filesystem::path& app, const BuildEnvironment& env,
             const ProgressCallback& progress);

// Runs the code-signing tool; a non-zero exit becomes signingFailed with the
// tool's standard error as it was written.
void runCodesign(const std::filesystem::path& codesign, const std::vector<std::string>& arguments);

// The two device entitlements as an XML property list in a fresh
// "nbl-<UUID>.entitlements" file inside `folder`; returns its path.
std::filesystem::path writeEntitlements(const std::filesystem::path& folder);

void notarizeApp(const std::filesystem::path& app, const std::string& profile, const BuildEnvironment& env,
                 const ProgressCallback& progress);

// Best effort: never fails, whatever the registration tool does.
void registerApp(const std::filesystem::path& app, const std::filesystem::path& lsregister);

// A random UUID in its upper-case 36-character text form.
std::string newUUIDString();

// The bytes as text when they are valid UTF-8.
std::optional<std::string> decodeUTF8(const std::string& bytes);

}  // namespace builder
