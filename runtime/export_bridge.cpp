#include "runtime/export_bridge.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/downloads.hpp"
#include "runtime/export_script.hpp"
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

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Closes and removes a temporary file unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(const fs::path& folder) : path_((folder / ".nimbrel-export-XXXXXX").string()) {
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool close() {
    int fd = fd_;
    fd_ = -1;
    // Don't retry close on EINTR: the descriptor is gone either way.
    return ::close(fd) == 0;
  }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

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

std::optional<std::vector<std::uint8_t>> decodeBase64Lenient(std::string_view text) {
  Base64Decoder decoder;
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  if (!decoder.feed(text, out) || !decoder.finish(out)) return std::nullopt;
  return out;
}

std::optional<ExportRequest> exportRequestFromMessage(std::string_view handlerName, const ExportMessageBody& body) {
  if (handlerName != kExportMessageName || !body.isDictionary || !body.data) return std::nullopt;
  auto comma = body.data->find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  return ExportRequest{safeFileName(body.name.value_or("")), body.data->substr(comma + 1)};
}

SaveOutcome saveExport(const fs::path& folder, const ExportRequest& request) {
  constexpr size_t kPiece = 1 << 20;  // base64 characters decoded and written at a time
  TempFile temp(folder);
  if (temp.fd() < 0) return {SaveOutcome::Kind::failed, {}};
  Base64Decoder decoder;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kPiece / 4 * 3 + 3);
  for (size_t at = 0; at < request.payload.size(); at += kPiece) {
    bytes.clear();
    if (!decoder.feed(request.payload.substr(at, kPiece), bytes)) return {SaveOutcome::Kind::undecodable, {}};
    if (!writeAll(temp.fd(), bytes)) return {SaveOutcome::Kind::failed, {}};
  }
  bytes.clear();
  if (!decoder.finish(bytes)) return {SaveOutcome::Kind::undecodable, {}};
  if (!writeAll(temp.fd(), bytes) || ::fchmod(temp.fd(), 0644) != 0 || !temp.close()) {
    return {SaveOutcome::Kind::failed, {}};
  }
  // The free name is chosen again if another program takes it meanwhile;
  // the rename itself refuses to replace anything.
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path destination = uniqueURL(folder / request.name);
    if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
      temp.keep();
      return {SaveOutcome::Kind::saved, destination};
    }
    if (errno != EEXIST) break;
  }
  return {SaveOutcome::Kind::failed, {}};
}

}  // namespace runlet
