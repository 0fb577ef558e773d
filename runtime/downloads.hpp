#pragma once
// Where saved files go and how they are named: the Downloads folder, never
// overwriting anything.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kFallbackFileName = "download";

// The first free path among `wanted`, "base (1).ext", "base (2).ext", ...
// A folder of that name counts as taken.
std::filesystem::path uniqueURL(const std::filesystem::path& wanted);

// The XDG download folder, else the home folder.
std::filesystem::path downloadsFolder();

// A name that cannot leave the folder: its last path component; empty, "."
// and ".." become "download".
std::string safeFileName(std::string_view name);

// WebKitGTK reports a transfer the server cut short as finished. A body
// shorter than the length the server announced is a failed download (the
// announced length counts encoded bytes, so it says nothing for encoded bodies).
bool isTruncatedDownload(std::uint64_t announcedLength, std::uint64_t receivedLength, bool contentEncoded);

// The destination of a download suggested as `suggestedName`.
std::filesystem::path downloadDestination(const std::filesystem::path& folder, std::string_view suggestedName);

}  // namespace runlet
