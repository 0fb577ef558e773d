#pragma once
// Where saved files go and how they are named: the Downloads folder, never
// overwriting anything.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kFallbackFileName = "download";

// The longest name a saved file gets, in bytes. File systems take 255; the
// engine writes a download beside its destination under the destination's
// name plus ".wkdownload" until it is complete.
inline constexpr size_t kMaxSavedNameBytes = 255 - std::string_view(".wkdownload").size();

// The first free path among `wanted`, "base (1).ext", "base (2).ext", ...
// A folder of that name counts as taken. The base is shortened where the
// counter would make the name longer than kMaxSavedNameBytes.
std::filesystem::path uniqueURL(const std::filesystem::path& wanted);

// The user's download folder: the XDG one when configured and not the home
// folder itself (GLib answers the home folder when user-dirs.dirs is
// missing), otherwise ~/Downloads. Created when missing.
std::filesystem::path downloadsFolder();
std::filesystem::path chooseDownloadsFolder(const std::optional<std::filesystem::path>& configured,
                                            const std::filesystem::path& home);

// A name that cannot leave the folder or hide there: its last path component
// without leading dots, at most kMaxSavedNameBytes long (cut at a character
// boundary, the extension kept); nothing left becomes "download".
std::string safeFileName(std::string_view name);

// WebKitGTK reports a transfer the server cut short as finished. A body
// shorter than the length the server announced is a failed download (the
// announced length counts encoded bytes, so it says nothing for encoded bodies).
bool isTruncatedDownload(std::uint64_t announcedLength, std::uint64_t receivedLength, bool contentEncoded);

// The destination of a download suggested as `suggestedName`.
std::filesystem::path downloadDestination(const std::filesystem::path& folder, std::string_view suggestedName);

}  // namespace runlet
