#pragma once
// Files that are either there whole or not at all: the bytes go to a
// temporary file beside the target, which is then renamed over it.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace tools {

// Throws std::system_error naming the path; on any failure the temporary file
// is gone and an existing target is untouched. The mode is masked by the umask.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode = 0644);
void writeFileAtomically(const std::filesystem::path& path, std::string_view text, mode_t mode = 0644);

// Reads a whole file; throws std::system_error naming the path.
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path);

}  // namespace tools
