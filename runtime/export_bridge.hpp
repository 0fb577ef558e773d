#pragma once
// Files that pages build themselves (blob: and data: links) reach us as
// messages from a script injected into every frame: the file as a base64 data
// URL and the link's download name.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runlet {

inline constexpr std::string_view kExportMessageName = "nblExport";

// The page script, posting to the handler `handlerName` (a script identifier).
std::string exportBridgeScript(std::string_view handlerName = kExportMessageName);

// A message body as the page sent it; fields are absent unless they are
// strings. `data` refers to text the caller keeps alive: an export is large
// and is not copied on its way to the file.
//
// Our own page script sends a large file in parts, each its own data URL,
// so that no process holds the whole file as text: the parts carry a
// "transfer" id, their "part" index from 0 and whether they are the "last".
struct ExportMessageBody {
  bool isDictionary = false;
  std::optional<std::string> name;
  std::optional<std::string_view> data;
  bool hasTransfer = false;  // a "transfer" field of any type
  std::optional<std::string> transfer;
  std::optional<std::int64_t> part;  // an integral number
  std::optional<bool> last;
};

struct ExportPart {
  std::string transfer;
  std::int64_t index = 0;
  bool last = false;
};

struct ExportRequest {
  std::string name;          // a safe file name
  std::string_view payload;  // the base64 text after the data URL's first comma
  std::optional<ExportPart> part;
};

// Nothing for a message to be ignored: another handler, not a dictionary, no
// data string, no comma, or part fields that do not fit together.
std::optional<ExportRequest> exportRequestFromMessage(std::string_view handlerName, const ExportMessageBody& body);

// Base64 decoding in pieces, skipping characters outside the alphabet. The
// text fails when it is not whole groups of four with padding only at the end
// (a final group of two or three characters may leave its padding off).
class Base64Decoder {
 public:
  // Appends the decoded bytes to `out`; false once the text cannot be base64.
  bool feed(std::string_view text, std::vector<std::uint8_t>& out);
  bool finish(std::vector<std::uint8_t>& out);

 private:
  std::uint32_t group_ = 0;
  int inGroup_ = 0;
  int padding_ = 0;
  bool failed_ = false;
};

struct SaveOutcome {
  enum class Kind { saved, pending, undecodable, failed };
  Kind kind;
  std::filesystem::path path;  // saved: where
};

// Decodes the payload into a file written whole or not at all under a free
// name in `folder`, never replacing an existing file. Undecodable payloads
// leave nothing behind; `failed` is a write failure.
SaveOutcome saveExport(const std::filesystem::path& folder, const ExportRequest& request);

class ExportWriter;

// Saves whole files at once and files sent in parts once their last part is
// in. Parts must arrive in order; a gap drops the transfer silently.
class ExportAssembler {
 public:
  ExportAssembler();
  ~ExportAssembler();
  SaveOutcome add(const std::filesystem::path& folder, const ExportRequest& request);

 private:
  static constexpr size_t kMaxOpenTransfers = 8;
  struct Open {
    std::unique_ptr<ExportWriter> writer;
    std::int64_t nextIndex = 0;
  };
  std::map<std::string, Open> open_;
};

}  // namespace runlet
