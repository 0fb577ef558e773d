#pragma once
// Property lists as plain C++ values. Reads XML and binary property lists,
// writes XML in the form the original platform writes.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace platform::plist {

struct Date {
  double secondsSince1970 = 0;  // XML keeps whole seconds, as the original format does
  bool operator==(const Date&) const = default;
};

using Data = std::vector<std::uint8_t>;
class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;

class Value {
 public:
  using Storage = std::variant<bool, std::int64_t, double, std::string, Date, Data, Array, Dictionary>;

  Value() : storage_(Dictionary{}) {}
  Value(bool v) : storage_(v) {}
  Value(int v) : storage_(std::int64_t{v}) {}
  Value(std::int64_t v) : storage_(v) {}
  Value(double v) : storage_(v) {}
  Value(const char* v) : storage_(std::string(v)) {}
  Value(std::string v) : storage_(std::move(v)) {}
  Value(Date v) : storage_(v) {}
  Value(Data v) : storage_(std::move(v)) {}
  Value(Array v) : storage_(std::move(v)) {}
  Value(Dictionary v) : storage_(std::move(v)) {}

  template <typename T>
  bool is() const {
    return std::holds_alternative<T>(storage_);
  }
  // The value when it has exactly type T, else nothing; no conversions.
  template <typename T>
  const T* get() const {
    return std::get_if<T>(&storage_);
  }
  template <typename T>
  T* get() {
    return std::get_if<T>(&storage_);
  }
  const Storage& storage() const { return storage_; }
  bool operator==(const Value&) const = default;

 private:
  Storage storage_;
};

// Decodes XML or binary property-list bytes; nothing when they are not one.
std::optional<Value> parse(std::span<const std::uint8_t> bytes);
std::optional<Value> parse(std::string_view bytes);

// XML encoding with the standard header and DOCTYPE.
std::string toXML(const Value& value);

// Reads and decodes a whole regular file of at most plist::maxFileSize bytes
// (never blocking on a pipe); nothing on any read or decode failure.
std::optional<Value> readFile(const std::filesystem::path& path);

// Typed lookups on a dictionary: nothing when the key is absent or has another type.
template <typename T>
std::optional<T> lookup(const Dictionary& dict, const std::string& key) {
  auto it = dict.find(key);
  if (it == dict.end()) return std::nullopt;
  if (const T* v = it->second.template get<T>()) return *v;
  return std::nullopt;
}

}  // namespace platform::plist
