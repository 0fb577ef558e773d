#pragma once
// A private Nimbrel resources folder (template app, background shape), fake
// tools and a temporary folder, plus a runner that drives one build through
// the real main loop and records what reached the callbacks.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "builder/app_generator.hpp"
#include "builder/generator_error.hpp"
#include "platform/dispatch.hpp"
#include "platform/plist.hpp"
#include "support/fake_tools.hpp"
#include "support/temp_dir.hpp"

namespace testing_support {

struct BuildRecord {
  std::vector<std::string> progress;
  std::optional<builder::BuildResult> result;
  int completions = 0;
  bool everyCallbackOnMain = true;
  bool progressAfterCompletion = false;
  std::string error() const { return result ? result->errorDescription() : "no result"; }
};

inline builder::AppGenerator appRequest(const std::string& name, builder::SiteSource source) {
  builder::AppGenerator request;
  request.name = name;
  request.source = std::move(source);
  return request;
}

inline platform::plist::Dictionary readPlist(const std::filesystem::path& path) {
  auto value = platform::plist::readFile(path);
  return value && value->is<platform::plist::Dictionary>() ? *value->get<platform::plist::Dictionary>()
                                                             : platform::plist::Dictionary{};
}

class BuildFixture : public ::testing::Test {
 public:
  void SetUp() override {
    const auto runlet = resources / "Runlet.app" / "Contents";
    writeFile(runlet / "Info.plist", platform::plist::toXML(templateInfo));
    writeFile(runlet / "MacOS" / "Runlet", "#!/bin/sh\necho runlet\n");
    writeFile(runlet / "Resources" / "Assets.car", "catalog");
    writeFile(runlet / "Resources" / "template-resource.txt", "kept");
    writeFile(runlet / "_CodeSignature" / "CodeResources", "old seal");
    writeFile(runlet / "CodeResources", "old seal");
    std::filesystem::copy_file(std::filesystem::path(NIMBREL_SOURCE_DIR) / "resources/images/bgtemplate.png",
                               resources / "bgtemplate.png");
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(temporary);
    tools.emplace(root / "tools");
  }

  builder::BuildEnvironment environment() const { return {resources, tools->paths(), temporary}; }
  static builder::AppGenerator urlRequest(const std::string& name = "My Cool App") {
    return appRequest(name, builder::SiteSource::url("example.org"));
  }
  static builder::AppGenerator folderRequest(const std::filesystem::path& site, const std::string& name = "Docs") {
    return appRequest(name, builder::SiteSource::localFolder(site));
  }

  BuildRecord build(const builder::AppGenerator& request, const std::filesystem::path& folder,
                    std::optional<builder::BuildEnvironment> env = std::nullopt) {
    BuildRecord record;
    request.generate(
        folder, env ? *env : environment(),
        [&record](const std::string& text) {
          record.everyCallbackOnMain = record.everyCallbackOnMain && platform::isMainThread();
          if (record.completions > 0) record.progressAfterCompletion = true;
          record.progress.push_back(text);
        },
        [&record](const builder::BuildResult& result) {
          record.everyCallbackOnMain = record.everyCallbackOnMain && platform::isMainThread();
          ++record.completions;
          record.result = result;
        });
    platform::runMainLoopUntil([&record] { return record.completions > 0; });
    // Anything posted late (a second completion, a stray progress text) would be queued by now.
    bool drained = false;
    platform::postToMain([&drained] { drained = true; });
    platform::runMainLoopUntil([&drained] { return drained; });
    return record;
  }

  const platform::plist::Dictionary templateInfo{
      {"CFBundleExecutable", "Runlet"}, {"CFBundleIconName", "AppIcon"},          {"CFBundleIdentifier", "co.corvan.runlet"},
      {"CFBundleName", "Runlet"},       {"CFBundleShortVersionString", "2.5.1"}, {"CFBundleVersion", "77"},
      {"LSMinimumSystemVersion", "11.0"}};
  TempDir root;
  std::filesystem::path resources = root / "Nimbrel.app" / "Contents" / "Resources";
  std::filesystem::path out = root / "out";
  std::filesystem::path temporary = root / "tmp";
  std::optional<FakeTools> tools;
};

}  // namespace testing_support
