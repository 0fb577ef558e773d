#include "platform/app_id.hpp"

#include <gio/gio.h>

#include <cstdio>
#include <vector>

namespace platform {
namespace {

bool isElementByte(unsigned char c) { return g_ascii_isalnum(c) || c == '_' || c == '-'; }

std::string repairedElement(std::string_view element) {
  std::string out;
  if (g_ascii_isdigit(element.front())) out += '_';
  for (unsigned char c : element) {
    if (isElementByte(c)) {
      out += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "_%02x", c);
      out += escaped;
    }
  }
  return out;
}

std::string sha256Prefix(std::string_view text, std::size_t digits) {
  gchar* sum = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(text.data()),
                                           text.size());
  std::string hex(sum, digits);
  g_free(sum);
  return hex;
}

}  // namespace

std::string applicationIdForBundleIdentifier(std::string_view bundleIdentifier) {
  std::string given(bundleIdentifier);
  if (given.find('\0') == std::string::npos && given.size() <= maxApplicationIdLength &&
      g_application_id_is_valid(given.c_str())) {
    return given;
  }

  std::vector<std::string> elements;
  std::size_t start = 0;
  while (start <= bundleIdentifier.size()) {
    std::size_t dot = bundleIdentifier.find('.', start);
    if (dot == std::string_view::npos) dot = bundleIdentifier.size();
    if (dot > start) elements.push_back(repairedElement(bundleIdentifier.substr(start, dot - start)));
    start = dot + 1;
  }
  if (elements.empty()) elements.push_back("unnamed");
  if (elements.size() < 2) elements.insert(elements.begin(), "app");

  std::string id;
  for (const auto& element : elements) {
    if (!id.empty()) id += '.';
    id += element;
  }
  if (id.size() <= maxApplicationIdLength) return id;

  std::string suffix = "-";
  suffix += sha256Prefix(bundleIdentifier, 16);
  id.resize(maxApplicationIdLength - suffix.size());
  while (id.back() == '.') id.pop_back();
  // Cutting may have left a single element.
  if (id.find('.') == std::string::npos) {
    id.resize(id.size() - 4);
    std::string prefixed = "app.";
    prefixed += id;
    id = std::move(prefixed);
  }
  return id + suffix;
}

}  // namespace platform
