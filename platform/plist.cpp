#include "platform/plist.hpp"

#include <plist/plist.h>

#include <cmath>
#include <limits>
#include <memory>
#include <span>
#include <string_view>

#include "platform/bounded_file.hpp"
#include "platform/plist_limits.hpp"

namespace platform::plist {
namespace {

// Seconds between 1970-01-01 and the format's epoch, 2001-01-01.
constexpr double kEpochOffset = 978307200.0;

struct NodeDeleter {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

std::optional<Value> fromNode(plist_t node, int depth) {
  if (!node || depth > static_cast<int>(maxNesting)) return std::nullopt;  // bound recursion on hostile input
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t v = 0;
      plist_get_bool_val(node, &v);
      return Value(v != 0);
    }
    case PLIST_UINT: {
      uint64_t v = 0;
      plist_get_uint_val(node, &v);
      // Negative integers come back as their two's complement.
      return Value(static_cast<std::int64_t>(v));
    }
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return Value(v);
    }
    case PLIST_STRING: {
      // Not plist_get_string_val: it asserts (aborts) on a binary string
      // holding a NUL byte, which a damaged file may well contain.
      uint64_t length = 0;
      const char* v = plist_get_string_ptr(node, &length);
      return Value(v ? std::string(v, length) : std::string());
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date{kEpochOffset + sec + usec / 1e6});
    }
    case PLIST_DATA: {
      char* v = nullptr;
      uint64_t length = 0;
      plist_get_data_val(node, &v, &length);
      Data data(reinterpret_cast<std::uint8_t*>(v), reinterpret_cast<std::uint8_t*>(v) + length);
      std::free(v);
      return Value(std::move(data));
    }
    case PLIST_ARRAY: {
      Array array;
      uint32_t n = plist_array_get_size(node);
      array.reserve(n);
      for (uint32_t i = 0; i < n; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!item) return std::nullopt;
        array.push_back(std::move(*item));
      }
      return Value(std::move(array));
    }
    case PLIST_DICT: {
      Dictionary dict;
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(node, &iter);
      if (!iter) return Value(std::move(dict));
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iter, &key, &item);
        if (!item) {
          std::free(key);
          break;
        }
        auto value = fromNode(item, depth + 1);
        std::string k = key ? key : "";
        std::free(key);
        if (!value) {
          std::free(iter);
          return std::nullopt;
        }
        dict.insert_or_assign(std::move(k), std::move(*value));
      }
      std::free(iter);
      return Value(std::move(dict));
    }
    default:
      return std::nullopt;
  }
}

plist_t toNode(const Value& value) {
  return std::visit(
      [](const auto& v) -> plist_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return plist_new_bool(v ? 1 : 0);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return plist_new_uint(static_cast<uint64_t>(v));
        } else if constexpr (std::is_same_v<T, double>) {
          return plist_new_real(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return plist_new_string(v.c_str());
        } else if constexpr (std::is_same_v<T, Date>) {
          double since2001 = v.secondsSince1970 - kEpochOffset;
          double whole = std::floor(since2001);
          return plist_new_date(static_cast<int32_t>(whole),
                                static_cast<int32_t>(std::lround((since2001 - whole) * 1e6)));
        } else if constexpr (std::is_same_v<T, Data>) {
          return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        } else if constexpr (std::is_same_v<T, Array>) {
          plist_t array = plist_new_array();
          for (const auto& item : v) plist_array_append_item(array, toNode(item));
          return array;
        } else {
          plist_t dict = plist_new_dict();
          for (const auto& [key, item] : v) plist_dict_set_item(dict, key.c_str(), toNode(item));
          return dict;
        }
      },
      value.storage());
}

}  // namespace

std::optional<Value> parse(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  if (!withinParserLimits(bytes)) return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &raw);
  Node node(raw);
  return fromNode(static_cast<plist_t>(node.get()), 0);
}

std::optional<Value> parse(std::string_view bytes) {
  return parse(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string toXML(const Value& value) {
  Node node(toNode(value));
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(static_cast<plist_t>(node.get()), &xml, &length);
  std::string out(xml ? xml : "", xml ? length : 0);
  plist_to_xml_free(xml);
  return out;
}

std::optional<Value> readFile(const std::filesystem::path& path) {
  auto bytes = readBoundedFile(path, maxFileSize);
  return bytes ? parse(std::string_view(*bytes)) : std::nullopt;
}

}  // namespace platform::plist
