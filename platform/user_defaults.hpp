#pragma once
// User defaults: one property-list file per domain at
//   $XDG_CONFIG_HOME/<domain>/defaults.plist   ($HOME/.config when unset)
// The standard domain is the running program's bundle identifier (Nimbrel's is
// "co.corvan.nimbrel", a generated app's its own); a suite's domain is its name.
// Every read goes to disk and every write is atomic under a file lock, so two
// processes sharing a domain never disagree. A missing or unreadable file reads
// as empty and is never overwritten with less than it held: before the first
// write over it, it is renamed to "defaults.plist.corrupt-<UTC time>".

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/plist.hpp"

namespace platform {

class UserDefaults {
 public:
  // Throws std::invalid_argument when `domain` cannot name a folder
  // (empty, ".", "..", or holding '/' or NUL).
  explicit UserDefaults(std::string domain);

  // The program's own domain: the main bundle's identifier; without a bundle
  // (or one without an identifier) the executable's file name, so a tool run
  // outside a bundle still keeps its settings apart from everyone else's.
  static UserDefaults standard();
  // Throws std::invalid_argument for a name that cannot be a domain.
  static UserDefaults suite(const std::string& name);
  // The suite, or nothing when the name cannot be a domain.
  static std::optional<UserDefaults> openSuite(const std::string& name);
  static bool isValidDomain(const std::string& name);

  // Where every domain's folder lives, from the environment at this moment.
  static std::filesystem::path configHome();

  const std::string& domain() const { return domain_; }
  std::filesystem::path filePath() const;

  // Reads: nothing when the key is absent, has another type, or the file is
  // missing or unreadable. No conversions between types.
  std::optional<plist::Value> object(const std::string& key) const;
  std::optional<bool> boolean(const std::string& key) const;
  std::optional<std::int64_t> integer(const std::string& key) const;
  std::optional<std::string> string(const std::string& key) const;
  std::optional<plist::Date> date(const std::string& key) const;
  // The whole domain as stored now (empty when missing or unreadable).
  plist::Dictionary dictionary() const;

  // Writes throw std::system_error (with the path) when the file cannot be
  // written; the stored file is then unchanged.
  void set(const std::string& key, plist::Value value) const;
  void remove(const std::string& key) const;

 private:
  std::string domain_;
};

}  // namespace platform
