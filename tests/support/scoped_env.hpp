#pragma once
// Sets (or unsets) an environment variable for one test and restores it after.

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    put(value);
  }
  ~ScopedEnv() { put(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void put(const std::optional<std::string>& value) const {
    value ? (void)::setenv(name_.c_str(), value->c_str(), 1) : (void)::unsetenv(name_.c_str());
  }

  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace testing_support
