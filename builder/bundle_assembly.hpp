#pragma once
// Stage 1 of a build: a copy of the template app turned into the new app.
// Runs on a background thread; progress goes through the given reporter.

#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "builder/app_generator.hpp"
#include "builder/staging.hpp"

namespace builder {

// Start pages tried in this order, at the top level of the site only.
inline constexpr std::array<const char*, 3> indexCandidates{"index.html", "index.htm", "default.html"};

// Copies the template into a staged bundle beside the destination and
// assembles it there; the destination itself is not touched (see staging.hpp).
// An item in the way whose extension is not exactly "app" is refused. A
// failed or cancelled assembly leaves nothing behind.
std::shared_ptr<StagedBundle> createBundle(const AppGenerator& request, const std::filesystem::path& destination,
                                           const BuildEnvironment& env, const ProgressCallback& progress,
                                           GCancellable* cancellable = nullptr);

void assembleBundle(const AppGenerator& request, const std::filesystem::path& destination,
                    const ProgressCallback& progress, GCancellable* cancellable = nullptr);

// Sets the name, executable, identifier and icon keys, and the web-data
// storage key when one is given; every other key stays.
void updateInfoPlist(const std::filesystem::path& infoPlist, const std::string& name, const std::string& executable,
                     const std::string& identifier, const std::string& storageKey = {});

// Copies the site's visible top-level entries into resources/Site and returns
// the start page's file name. Named pipes, sockets and devices are refused.
std::string bundleWebsite(const std::filesystem::path& site, const std::filesystem::path& resources,
                          const ProgressCallback& progress, GCancellable* cancellable = nullptr);

// Writes bytes over a file (created when missing); throws std::system_error.
void writeFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace builder
