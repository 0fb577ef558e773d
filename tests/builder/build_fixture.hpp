#pragma once
// A private resources folder (template app, background shape), recording
// tools, and a runner that drives one build through the real main loop.

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
#include "support/main_queue.hpp"
#include "support/temp_dir.hpp"

namespace testing_support {

struct BuildRecord {
  std::vector<std::string> progress;
  std::optional<builder::BuildResult> result;
  int completions = 0;
  bool wellBehaved = true;  // every callback on main, no progress after the completion
  bool ok() const { return result && result->succeeded(); }
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
  auto* dict = value ? value->get<platform::plist::Dictionary>() : nullptr;
  return dict ? *dict : platform::plist::Dictionary{};
}

class BuildFixture : public ::testing::Test {
 public:
  void SetUp() override {
    const auto runlet = resources / "Runlet.app/Contents";
    writeFile(runlet / "Info.plist", platform::plist::toXML(templateInfo));
    writeFile(runlet / "MacOS/Runlet", "#!/bin/sh\n");
    writeFile(runlet / "Resources/Assets.car", "catalog");
    writeFile(runlet / "Resources/template-resource.txt", "kept");
    writeFile(runlet / "_CodeSignature/CodeResources", "old seal");
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
    BuildRecord r;
    request.generate(
        folder, env ? *env : environment(),
        [&r](const std::string& text) {
          r.wellBehaved = r.wellBehaved && platform::isMainThread() && r.completions == 0;
          r.progress.push_back(text);
        },
        [&r](const builder::BuildResult& result) {
          r.wellBehaved = r.wellBehaved && platform::isMainThread();
          ++r.completions;
          r.result = result;
        });
    platform::runMainLoopUntil([&r] { return r.completions > 0; });
    testing_support::drainMainQueue();  // a second completion or a stray progress text shows by now
    return r;
  }

  const platform::plist::Dictionary templateInfo{
      {"CFBundleExecutable", "Runlet"}, {"CFBundleIconName", "AppIcon"}, {"CFBundleIdentifier", "co.corvan.runlet"},
      {"CFBundleName", "Runlet"}, {"CFBundleVersion", "77"}};
  TempDir root;
  std::filesystem::path resources = root / "Nimbrel.app/Contents/Resources";
  std::filesystem::path out = root / "out";
  std::filesystem::path temporary = root / "tmp";
  std::optional<FakeTools> tools;
};

}  // namespace testing_support
