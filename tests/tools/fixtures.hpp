#pragma once
// The tools run as real processes, and their material: PNG images, icon
// files, application bundles laid out as the builder makes them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/gobject_ptr.hpp"
#include "platform/plist.hpp"
#include "tests/support/picture_bytes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/common/icns.hpp"
#include "tools/common/process.hpp"

namespace tools_test {

// A built tool (or a system program such as icns2png), with extra environment variables.
inline tools::ProcessResult run(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env = {}) {
  std::vector<std::string> argv{"env"};
  for (const auto& [key, value] : env) argv.push_back(key + "=" + value);
  argv.push_back(program);
  argv.insert(argv.end(), args.begin(), args.end());
  return tools::runProcess(argv);
}

inline tools::ProcessResult succeeds(const std::string& program, const std::vector<std::string>& args,
                                     const std::map<std::string, std::string>& env = {}) {
  auto result = run(program, args, env);
  EXPECT_EQ(result.exitStatus, 0) << program << ": " << result.standardOutput << result.standardError;
  return result;
}

inline std::vector<std::uint8_t> png(int width, int height = 0) {
  const std::string bytes = testing_support::pictureFile(width, height ? height : width);
  return {bytes.begin(), bytes.end()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  testing_support::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// A key of a desktop entry's main group; "(absent)" when the entry or the key is missing.
inline std::string desktopValue(const std::filesystem::path& entry, const char* key) {
  platform::CPtr<GKeyFile> keys(g_key_file_new());
  g_key_file_load_from_file(keys.get(), entry.c_str(), G_KEY_FILE_NONE, nullptr);
  platform::GCharPtr value(g_key_file_get_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, key, nullptr));
  return value ? value.get() : "(absent)";
}

// A bundle whose executable writes a marker file, and whose icon file holds every slot of an icon set.
inline std::filesystem::path makeBundle(const std::filesystem::path& path,
                                        const std::string& identifier = "co.corvan.nimbrel.my-app-0a1b2c",
                                        bool withIcon = true) {
  testing_support::writeFile(path / "Contents/Info.plist",
                             platform::plist::toXML(platform::plist::Dictionary{
                                 {"CFBundleIdentifier", identifier},
                                 {"CFBundleExecutable", "My App"},
                                 {"CFBundleDisplayName", "My App"},
                                 {"CFBundleIconFile", "AppIcon"}}));
  const auto exe = path / "Contents/MacOS/My App";
  // Found through its real path, as a program finds its bundle through /proc/self/exe.
  testing_support::writeFile(exe, "#!/bin/sh\necho launched > \"$(dirname \"$(readlink -f \"$0\")\")/../launched\"\n");
  ::chmod(exe.c_str(), 0755);
  if (!withIcon) return path;
  std::vector<tools::icns::Element> elements;
  for (const auto& slot : tools::icns::iconSetSlots())
    elements.push_back({std::string(slot.type), png(static_cast<int>(slot.pixels))});
  writeBytes(path / "Contents/Resources/AppIcon.icns", tools::icns::encode(elements));
  return path;
}

}  // namespace tools_test
