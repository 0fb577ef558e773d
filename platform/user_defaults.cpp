#include "platform/user_defaults.hpp"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <system_error>

#include "platform/bundle.hpp"
#include "platform/descriptor.hpp"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "defaults.plist";

[[noreturn]] void throwErrno(const std::string& what, const fs::path& path) {
  throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

// Serialises writers of one domain, across threads and processes. The lock
// lives in its own file because the data file is replaced by rename.
Descriptor lockDomain(const fs::path& folder) {
  fs::path lockPath = folder / (std::string(kFileName) + ".lock");
  Descriptor fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (fd.get() < 0) throwErrno("cannot open lock file", lockPath);
  while (::flock(fd.get(), LOCK_EX) != 0) {
    if (errno != EINTR) throwErrno("cannot lock", lockPath);
  }
  return fd;
}

enum class FileState { missing, readable, unreadable };

FileState readDomain(const fs::path& file, plist::Dictionary& out) {
  std::error_code ec;
  auto status = fs::symlink_status(file, ec);
  if (ec || status.type() == fs::file_type::not_found) return FileState::missing;
  auto value = plist::readFile(file);
  if (!value) return FileState::unreadable;
  auto* dict = value->get<plist::Dictionary>();
  if (!dict) return FileState::unreadable;
  out = std::move(*dict);
  return FileState::readable;
}

void writeAll(int fd, const std::string& bytes, const fs::path& path) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throwErrno("cannot write", path);
    }
    done += static_cast<size_t>(n);
  }
}

std::string utcStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &tm);
  return buffer;
}

// Keeps an unreadable file under a name of its own, never replacing an
// earlier one, so whatever it held can still be recovered by hand.
void setAside(const fs::path& file) {
  std::string base = file.string() + ".corrupt-" + utcStamp();
  fs::path target = base;
  std::error_code ec;
  for (int n = 1; fs::symlink_status(target, ec).type() != fs::file_type::not_found; ++n) {
    target = base + "-" + std::to_string(n);
  }
  if (::rename(file.c_str(), target.c_str()) != 0) throwErrno("cannot move unreadable defaults aside", file);
}

template <typename Change>
void updateDomain(const fs::path& file, Change change) {
  fs::path folder = file.parent_path();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw std::system_error(ec, "cannot create " + folder.string());
  Descriptor lock = lockDomain(folder);

  plist::Dictionary dict;
  FileState state = readDomain(file, dict);
  change(dict);

  std::string temp = (folder / (std::string(kFileName) + ".XXXXXX")).string();
  int raw = ::mkostemp(temp.data(), O_CLOEXEC);
  if (raw < 0) throwErrno("cannot create temporary file in", folder);
  try {
    {
      Descriptor out(raw);
      writeAll(out.get(), plist::toXML(plist::Value(std::move(dict))), temp);
      if (::fsync(out.get()) != 0) throwErrno("cannot write", temp);
    }
    if (state == FileState::unreadable) setAside(file);
    if (::rename(temp.c_str(), file.c_str()) != 0) throwErrno("cannot replace", file);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

std::string executableName() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.filename().string();
}

}  // namespace

bool UserDefaults::isValidDomain(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

UserDefaults::UserDefaults(std::string domain) : domain_(std::move(domain)) {
  if (!isValidDomain(domain_)) throw std::invalid_argument("invalid defaults domain \"" + domain_ + "\"");
}

UserDefaults UserDefaults::standard() {
  if (auto bundle = Bundle::main()) {
    if (auto id = bundle->identifier(); id && isValidDomain(*id)) return UserDefaults(*id);
  }
  std::string name = executableName();
  return UserDefaults(isValidDomain(name) ? name : "unknown.app");
}

UserDefaults UserDefaults::suite(const std::string& name) { return UserDefaults(name); }

std::optional<UserDefaults> UserDefaults::openSuite(const std::string& name) {
  if (!isValidDomain(name)) return std::nullopt;
  return UserDefaults(name);
}

fs::path UserDefaults::configHome() {
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config";
  return fs::path(g_get_home_dir()) / ".config";
}

fs::path UserDefaults::filePath() const { return configHome() / domain_ / kFileName; }

plist::Dictionary UserDefaults::dictionary() const {
  plist::Dictionary dict;
  readDomain(filePath(), dict);
  return dict;
}

std::optional<plist::Value> UserDefaults::object(const std::string& key) const {
  auto dict = dictionary();
  auto it = dict.find(key);
  if (it == dict.end()) return std::nullopt;
  return std::move(it->second);
}

std::optional<bool> UserDefaults::boolean(const std::string& key) const {
  return plist::lookup<bool>(dictionary(), key);
}

std::optional<std::int64_t> UserDefaults::integer(const std::string& key) const {
  return plist::lookup<std::int64_t>(dictionary(), key);
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
  return plist::lookup<std::string>(dictionary(), key);
}

std::optional<plist::Date> UserDefaults::date(const std::string& key) const {
  return plist::lookup<plist::Date>(dictionary(), key);
}

void UserDefaults::set(const std::string& key, plist::Value value) const {
  updateDomain(filePath(), [&](plist::Dictionary& dict) { dict.insert_or_assign(key, std::move(value)); });
}

void UserDefaults::remove(const std::string& key) const {
  updateDomain(filePath(), [&](plist::Dictionary& dict) { dict.erase(key); });
}

}  // namespace platform
