#pragma once
// The real nimbrel binary, with its template and images, run against a
// private copy of its bundle whose tools are recording fakes, with its user
// folders inside the test's own temporary folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "builder/fake_tools.hpp"
#include "builder/subprocess.hpp"
#include "platform/image.hpp"
#include "support/child_process.hpp"
#include "support/image_pixels.hpp"
#include "support/temp_dir.hpp"

namespace cli_testing {

namespace fs = std::filesystem;

const fs::path builtBundle = NIMBREL_BUNDLE_DIR;
const fs::path nimbrel = fs::path(NIMBREL_BINARY_DIR) / "nimbrel";

// A pixel of row 512 of the largest icon: x 512 is the middle of the picture.
inline std::uint32_t iconPixel(const fs::path& iconSet, int x) {
  auto icon = platform::Image::load(iconSet / "icon_512x512@2x.png");
  return icon ? testing_support::pixelAt(*icon, x, 512) : 0;
}

class CommandLine : public ::testing::Test {
 public:
  void SetUp() override {
    bundle = root / "Nimbrel.app";
    const fs::path resources = bundle / "Contents" / "Resources";
    fs::create_directories(resources);
    fs::copy(builtBundle / "Contents/Resources/Runlet.app", resources / "Runlet.app",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::copy_file(builtBundle / "Contents/Info.plist", bundle / "Contents/Info.plist");
    for (const char* image : {"bgtemplate.png", "DefaultIcon.png"}) {
      fs::copy_file(fs::path(NIMBREL_SOURCE_DIR) / "resources/images" / image, resources / image);
    }
    tools.emplace(resources / "tools");
    fs::create_directories(out);
    fs::create_directories(home / "tmp");
  }

  // nimbrel with `args` in `workingDir`, its user folders inside the test's folder.
  std::vector<std::string> command(const std::vector<std::string>& args, const fs::path& workingDir = {}) const {
    std::vector<std::string> command{"/usr/bin/env", "-C", (workingDir.empty() ? root.path() : workingDir).string(),
                                     "NIMBREL_MAIN_BUNDLE=" + bundle.string(), "TMPDIR=" + (home / "tmp").string(),
                                     "XDG_DATA_HOME=" + (home / "data").string(),
                                     "XDG_CONFIG_HOME=" + (home / "config").string(), nimbrel.string()};
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }
  builder::ToolOutput run(const std::vector<std::string>& args, const fs::path& workingDir = {}) {
    return builder::runAndWait(command(args, workingDir));
  }
  // Started and left running; its output and peak memory come with wait().
  testing_support::ChildProcess start(const std::vector<std::string>& args) {
    return testing_support::ChildProcess(command(args), home / "tmp");
  }

  // Nimbrel's own stand-in tools instead of the recording fakes; false when they are not built.
  bool useStandInTools() {
    const fs::path standIns = builtBundle / "Contents/Resources/tools";
    for (const char* tool : {"iconutil", "xattr", "codesign", "ditto", "xcrun", "lsregister"}) {
      if (::access((standIns / tool).c_str(), X_OK) != 0) return false;
    }
    fs::remove_all(bundle / "Contents/Resources/tools");
    fs::create_directory_symlink(standIns, bundle / "Contents/Resources/tools");
    return true;
  }

  static std::string python(const std::string& script, const fs::path& file) {
    return builder::runAndWait({"/usr/bin/python3", "-c", script, file.string()}).out;
  }

  testing_support::TempDir root;
  fs::path bundle;
  fs::path out = root / "out";
  fs::path home = root / "home";
  std::optional<testing_support::FakeTools> tools;
};

}  // namespace cli_testing
