#pragma once
// Files that pages build themselves (blob: and data: links) reach us as
// messages from a script injected into every frame: the file as a base64 data
// URL and the link's download name.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runlet {

inline constexpr std::string_view kExportMessageName = "nblExport";

// The page script, posting to the handler `handlerName` (a script identifier).
std::string exportBridgeScript(std::string_view handlerName = kExportMessageName);

// A message body as the page sent it; fields are absent unless they are strings.
struct ExportMessageBody {
  bool isDictionary = false;
  std::optional<std::string> name;
  std::optional<std::string> data;
};

struct ExportFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Nothing for a message to be ignored: another handler, not a dictionary, no
// data string, no comma, or base64 that does not decode.
std::optional<ExportFile> exportFileFromMessage(std::string_view handlerName, const ExportMessageBody& body);

// Base64 with characters outside the alphabet skipped; nothing when the rest
// is not whole groups of four with padding only at the end.
std::optional<std::vector<std::uint8_t>> decodeBase64Lenient(std::string_view text);

// Writes the file whole or not at all under a free name in `folder`, never
// replacing an existing file; the path written, or nothing on failure.
std::optional<std::filesystem::path> saveExport(const std::filesystem::path& folder, const ExportFile& file);

}  // namespace runlet
