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

std::optional<std::vector<std::uint8_t>> decodeBase64Lenient(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t group = 0;
  int inGroup = 0;
  int padding = 0;
  for (char c : text) {
    if (c == '=') {
      ++padding;
      continue;
    }
    int v = base64Value(c);
    if (v < 0) continue;
    if (padding > 0) return std::nullopt;  // data after padding
    group = (group << 6) | static_cast<std::uint32_t>(v);
    if (++inGroup == 4) {
      out.push_back(static_cast<std::uint8_t>(group >> 16));
      out.push_back(static_cast<std::uint8_t>(group >> 8));
      out.push_back(static_cast<std::uint8_t>(group));
      group = 0;
      inGroup = 0;
    }
  }
  // A final group of two or three characters carries one or two bytes, with
  // its padding written out or left off; one lone character carries none.
  if (inGroup == 1 || padding > 2 || (padding > 0 && inGroup + padding != 4)) return std::nullopt;
  if (inGroup == 2) {
    out.push_back(static_cast<std::uint8_t>(group >> 4));
  } else if (inGroup == 3) {
    out.push_back(static_cast<std::uint8_t>(group >> 10));
    out.push_back(static_cast<std::uint8_t>(group >> 2));
  }
  return out;
}

std::optional<ExportFile> exportFileFromMessage(std::string_view handlerName, const ExportMessageBody& body) {
  if (handlerName != kExportMessageName || !body.isDictionary || !body.data) return std::nullopt;
  auto comma = body.data->find(',');
  if (comma == std::string::npos) return std::nullopt;
  auto bytes = decodeBase64Lenient(std::string_view(*body.data).substr(comma + 1));
  if (!bytes) return std::nullopt;
  return ExportFile{safeFileName(body.name.value_or("")), std::move(*bytes)};
}

std::optional<fs::path> saveExport(const fs::path& folder, const ExportFile& file) {
  TempFile temp(folder);
  if (temp.fd() < 0) return std::nullopt;
  if (!writeAll(temp.fd(), file.bytes) || ::fchmod(temp.fd(), 0644) != 0 || !temp.close()) return std::nullopt;
  // The free name is chosen again if another program takes it meanwhile;
  // the rename itself refuses to replace anything.
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path destination = uniqueURL(folder / safeFileName(file.name));
    if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
      temp.keep();
      return destination;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace runlet
