#pragma once
// Recording stand-ins for the command-line tools a build runs. Each is a small
// shell script that appends one line per call to calls.log:
//   codesign [--force] [--sign] [-] [/path/App.app]
// and then prints and exits as the test told it (files next to the scripts).
// iconutil keeps a copy of the icon-set folder it was handed; codesign keeps a
// copy of the entitlements file; ditto creates the archive.

#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "builder/tool_paths.hpp"
#include "support/temp_dir.hpp"

namespace testing_support {

class FakeTools {
 public:
  explicit FakeTools(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    for (const char* name : {"iconutil", "xattr", "codesign", "ditto", "xcrun", "lsregister"}) write(name);
  }

  const std::filesystem::path& folder() const { return folder_; }
  builder::ToolPaths paths() const { return builder::ToolPaths::inFolder(folder_); }

  // `key` is the tool's name, or for xcrun "xcrun-notarytool" / "xcrun-stapler".
  void setExit(const std::string& key, int status) { writeFile(folder_ / (key + ".exit"), std::to_string(status)); }
  void setStdout(const std::string& key, const std::string& bytes) { writeFile(folder_ / (key + ".stdout"), bytes); }
  void setStderr(const std::string& key, const std::string& bytes) { writeFile(folder_ / (key + ".stderr"), bytes); }

  // One line per call, in calling order.
  std::vector<std::string> calls() const {
    std::vector<std::string> lines;
    std::istringstream in(readFile(folder_ / "calls.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Tool names of the calls, in order.
  std::vector<std::string> toolsRun() const {
    std::vector<std::string> names;
    for (const auto& line : calls()) names.push_back(line.substr(0, line.find(' ')));
    return names;
  }
  // The bundle the tools were given: the staged one beside the destination
  // (the argument of the first xattr call).
  std::string stagedApp() const {
    for (const auto& line : calls())
      if (line.starts_with("xattr [-cr] [")) return line.substr(13, line.size() - 14);
    return {};
  }
  std::filesystem::path iconSetSnapshot() const { return folder_ / "iconset-snapshot"; }
  std::filesystem::path entitlementsCopy() const { return folder_ / "entitlements-copy"; }

 private:
  void write(const std::string& name) {
    const auto path = folder_ / name;
    writeFile(path, "#!/bin/sh\ndir='" + folder_.string() + "'\nname='" + name + "'\n" + R"sh(key="$name"
[ "$name" = xcrun ] && key="xcrun-$1"
line="$name"
for a in "$@"; do line="$line [$a]"; done
printf '%s\n' "$line" >> "$dir/calls.log"
case "$name" in
  iconutil) rm -rf "$dir/iconset-snapshot"; cp -r "$5" "$dir/iconset-snapshot" ;;
  ditto) : > "$6" ;;
  codesign) prev=; for a in "$@"; do
      [ "$prev" = --entitlements ] && cp "$a" "$dir/entitlements-copy"; prev="$a"; done ;;
esac
[ -f "$dir/$key.stdout" ] && cat "$dir/$key.stdout"
[ -f "$dir/$key.stderr" ] && cat "$dir/$key.stderr" >&2
[ -f "$dir/$key.exit" ] && exit "$(cat "$dir/$key.exit")"
exit 0
)sh");
    ::chmod(path.c_str(), 0755);
  }

  std::filesystem::path folder_;
};

}  // namespace testing_support
