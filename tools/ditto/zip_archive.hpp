#pragma once
// Writes a folder into a ZIP archive the way an unzip on a Unix system
// restores it: permission bits (executables stay executable) and symbolic
// links (stored as links, never followed) travel in the entries' Unix
// attributes, modification times in the entries' times.

#include <filesystem>

namespace ditto {

// With keepParent the folder itself is the archive's top entry ("X.app/…"),
// otherwise its contents are. The archive appears whole or not at all; throws
// std::runtime_error naming what failed.
void writeZipArchive(const std::filesystem::path& source, const std::filesystem::path& archive, bool keepParent);

}  // namespace ditto
