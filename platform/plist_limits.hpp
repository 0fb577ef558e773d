#pragma once
// What property-list bytes must satisfy before libplist is shown them.
// libplist recurses while parsing and while freeing, asserts on a binary
// string holding a NUL, and expands every shared reference of a binary list
// anew, so deep, NUL-bearing or explosively shared input could crash or
// stall whoever reads a settings file. Such input is refused up front.

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::plist {

// Far beyond any real settings file or record; larger files are refused.
inline constexpr std::uintmax_t maxFileSize = 16 * 1024 * 1024;
// Arrays and dictionaries within one another.
inline constexpr std::size_t maxNesting = 512;
// Values a binary list may expand to (shared references count every time).
inline constexpr std::uint64_t maxBinaryValues = 1u << 20;

// True when the bytes may be handed to libplist: XML nested at most
// maxNesting deep; binary with an intact object table, no cycles, at most
// maxNesting deep, at most maxBinaryValues values, and no NUL in a string.
bool withinParserLimits(std::span<const std::uint8_t> bytes);

}  // namespace platform::plist
