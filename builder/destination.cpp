#include "builder/destination.hpp"

#include <climits>
#include <string_view>
#include <system_error>

namespace builder {

namespace fs = std::filesystem;

fs::path destinationFor(const fs::path& folder, const std::string& name) {
  // Appended as text: path's operator/ would let a name beginning with "/"
  // replace the chosen folder altogether.
  std::string base = folder.string();
  if (base.empty() || base.back() != '/') base += '/';
  return fs::path(base + name + ".app");
}

std::optional<std::string> nameProblem(const std::string& name) {
  const std::string quoted = "\u201C" + name + "\u201D";
  if (name == "." || name == "..") return "The name " + quoted + " can't be used for an app. Choose another name.";
  const std::string bundleName = name + ".app";
  std::string_view rest = bundleName;
  for (;;) {
    const auto slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part == "..") {
      return "The name " + quoted +
             " would put the app outside the chosen folder. Choose a name without \u201C..\u201D.";
    }
    if (part.size() > NAME_MAX) return "The name " + quoted + " is too long for a file name. Choose a shorter one.";
    if (slash == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(slash + 1);
  }
}

std::optional<std::string> missingFolderProblem(const fs::path& destination) {
  const fs::path folder = destination.parent_path();
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return std::nullopt;
  return "There is no folder \u201C" + folder.string() + "\u201D to save \u201C" + destination.filename().string() +
         "\u201D in.";
}

}  // namespace builder
