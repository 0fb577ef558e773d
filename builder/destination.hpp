#pragma once
// Where a build puts its app, and which names may not be used for it. The
// wizard, the command line and the builder all go through these two, so the
// place the wizard asks about is the place the builder writes.

#include <filesystem>
#include <optional>
#include <string>

namespace builder {

// The destination of a build: `name` + ".app" appended to `folder` as a path
// (a "/" in the name reaches into a sub-folder, as typed).
std::filesystem::path destinationFor(const std::filesystem::path& folder, const std::string& name);

// Why `name` cannot name an app in a chosen folder, as a sentence to show;
// nothing when it can. Refused: "." and "..", any ".." between slashes (the
// app would land outside the folder) and parts too long for a file name.
std::optional<std::string> nameProblem(const std::string& name);

// Why nothing can be saved at `destination` because the folder it goes in is
// missing (a name "sub/App" with no folder "sub"); nothing when it is there.
std::optional<std::string> missingFolderProblem(const std::filesystem::path& destination);

}  // namespace builder
