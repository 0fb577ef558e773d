#include "runtime/export_bridge.hpp"

#include "runtime/downloads.hpp"
#include "runtime/export_script.hpp"
#include "runtime/export_writer.hpp"
#include "runtime/menus.hpp"

namespace runlet {

namespace fs = std::filesystem;

namespace {

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string exportBridgeScript(std::string_view handlerName) {
  return replacingAll(kExportScriptSource, "NBL_HANDLER_NAME", handlerName);
}

bool Base64Decoder::feed(std::string_view text, std::vector<std::uint8_t>& out) {
  for (char c : text) {
    if (failed_) return false;
    if (c == '=') {
      ++padding_;
      continue;
    }
    int v = base64Value(c);
    if (v < 0) continue;
    if (padding_ > 0) failed_ = true;  // data after padding
    group_ = (group_ << 6) | static_cast<std::uint32_t>(v);
    if (++inGroup_ == 4) {
      out.push_back(static_cast<std::uint8_t>(group_ >> 16));
      out.push_back(static_cast<std::uint8_t>(group_ >> 8));
      out.push_back(static_cast<std::uint8_t>(group_));
      group_ = 0;
      inGroup_ = 0;
    }
  }
  return !failed_;
}

bool Base64Decoder::finish(std::vector<std::uint8_t>& out) {
  // A final group of two or three characters carries one or two bytes, with
  // its padding written out or left off; one lone character carries none.
  if (failed_ || inGroup_ == 1 || padding_ > 2 || (padding_ > 0 && inGroup_ + padding_ != 4)) return false;
  if (inGroup_ == 2) {
    out.push_back(static_cast<std::uint8_t>(group_ >> 4));
  } else if (inGroup_ == 3) {
    out.push_back(static_cast<std::uint8_t>(group_ >> 10));
    out.push_back(static_cast<std::uint8_t>(group_ >> 2));
  }
  return true;
}

std::optional<ExportRequest> exportRequestFromMessage(std::string_view handlerName, const ExportMessageBody& body) {
  if (handlerName != kExportMessageName || !body.isDictionary || !body.data) return std::nullopt;
  auto comma = body.data->find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  ExportRequest request{safeFileName(body.name.value_or("")), body.data->substr(comma + 1), std::nullopt};
  if (body.hasTransfer) {
    bool valid = body.transfer && !body.transfer->empty() && body.transfer->size() <= 64 && body.part &&
                 *body.part >= 0 && body.last;
    if (!valid) return std::nullopt;
    request.part = ExportPart{*body.transfer, *body.part, *body.last};
  }
  return request;
}

SaveOutcome saveExport(const fs::path& folder, const ExportRequest& request) {
  ExportWriter writer(folder, request.name);
  if (!writer.append(request.payload)) return writer.outcome();
  return writer.finish();
}

ExportAssembler::ExportAssembler() = default;
ExportAssembler::~ExportAssembler() = default;

SaveOutcome ExportAssembler::add(const fs::path& folder, const ExportRequest& request) {
  if (!request.part) return saveExport(folder, request);
  const ExportPart& part = *request.part;
  auto it = open_.find(part.transfer);
  if (part.index == 0) {
    // A transfer starting over replaces its unfinished namesake; a page
    // cannot keep more than a few open.
    if (it != open_.end()) open_.erase(it);
    if (open_.size() >= kMaxOpenTransfers) open_.erase(open_.begin());
    it = open_.emplace(part.transfer, Open{std::make_unique<ExportWriter>(folder, request.name), 0}).first;
  } else if (it == open_.end() || it->second.nextIndex != part.index) {
    if (it != open_.end()) open_.erase(it);  // a part missing: the file is lost
    return {SaveOutcome::Kind::undecodable, {}};
  }
  ExportWriter& writer = *it->second.writer;
  if (!writer.append(request.payload)) {
    SaveOutcome outcome = writer.outcome();
    open_.erase(it);
    return outcome;
  }
  if (!part.last) {
    ++it->second.nextIndex;
    return {SaveOutcome::Kind::pending, {}};
  }
  SaveOutcome outcome = writer.finish();
  open_.erase(it);
  return outcome;
}

}  // namespace runlet
