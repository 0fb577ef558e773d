#pragma once
// Stage 3 of a build, on a background thread: clear extended attributes, sign
// (ad hoc, or with a Developer ID and optional notarization), swap the
// finished app into place, register it with the desktop, then complete.
// Every step is a tool run by path.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "builder/app_generator.hpp"
#include "builder/build_callbacks.hpp"
#include "builder/staging.hpp"

namespace builder {

// Works on the staged bundle; only a signed one reaches the destination, and
// on any failure whatever was there stays as it was.
void finishBuild(const AppGenerator& request, std::shared_ptr<StagedBundle> staged, const BuildEnvironment& env,
                 const BuildCallbacks& callbacks);

// Throws GeneratorError::signingFailed / notarizationFailed, launch errors
// (std::system_error), file errors and, once cancelled, the stopped build's error.
void signApp(const AppGenerator& request, const std::filesystem::path& app, const BuildEnvironment& env,
             const ProgressCallback& progress, GCancellable* cancellable = nullptr);

// Runs the code-signing tool; a non-zero exit becomes signingFailed with the
// tool's standard error as it was written.
void runCodesign(const std::filesystem::path& codesign, const std::vector<std::string>& arguments,
                 GCancellable* cancellable = nullptr);

// The two device entitlements as an XML property list in a fresh
// "nbl-<UUID>.entitlements" file inside `folder`; returns its path.
std::filesystem::path writeEntitlements(const std::filesystem::path& folder);

void notarizeApp(const std::filesystem::path& app, const std::string& profile, const BuildEnvironment& env,
                 const ProgressCallback& progress, GCancellable* cancellable = nullptr);

// Best effort: never fails, whatever the registration tool does.
void registerApp(const std::filesystem::path& app, const std::filesystem::path& lsregister);

// A random UUID in its upper-case 36-character text form.
std::string newUUIDString();

// The bytes as text, each invalid UTF-8 sequence replaced by U+FFFD: a
// tool's message is shown even when it quotes a file name that is not UTF-8.
std::string decodeLeniently(const std::string& bytes);

}  // namespace builder
