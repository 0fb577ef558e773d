#pragma once
// Reading a file that someone else may have put in place: only a regular
// file, opened without blocking (a named pipe or a device is refused, never
// waited on), and only up to a size.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The whole file; nothing when it is not a regular file, is larger than
// `maxBytes`, or cannot be read.
std::optional<std::string> readBoundedFile(const std::filesystem::path& path, std::uintmax_t maxBytes);

}  // namespace platform
