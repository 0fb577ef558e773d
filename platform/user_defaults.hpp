#pragma once
// User defaults: one property-list file per domain at
//   $XDG_CONFIG_HOME/<domain>/defaults.plist
// The standard domain is the running program's bundle identifier (Nimbrel's is
// "co.corvan.nimbrel", a generated app's its own); a suite's domain is its name.
// Every read goes to disk and every write is atomic under a file lock, so two
// processes sharing a domain never disagree. A missing or unreadable file reads
// as empty and is never overwritten with less than it held.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/plist.hpp"

namespace platform {

class UserDefaults {
 public:
  explicit UserDefaults(std::string domain);
  static UserDefaults standard();
  static UserDefaults suite(const std::string& name);

  const std::string& domain() const { return domain_; }
  std::filesystem::path filePath() const;

  std::optional<plist::Value> object(const std::string& key) const;
  std::optional<bool> boolean(const std::string& key) const;
  std::optional<std::int64_t> integer(const std::string& key) const;
  std::optional<std::string> string(const std::string& key) const;
  std::optional<plist::Date> date(const std::string& key) const;

  void set(const std::string& key, plist::Value value) const;
  void remove(const std::string& key) const;

 private:
  std::string domain_;
};

}  // namespace platform
