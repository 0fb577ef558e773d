#include "platform/app_id.hpp"

#include <gio/gio.h>

#include <vector>

namespace platform {
namespace {

constexpr std::size_t kMaxLength = 255;  // GLib's (and D-Bus's) limit for a name

bool isElementByte(char c) { return g_ascii_isalnum(c) || c == '_' || c == '-'; }

std::string repairedElement(std::string_view element) {
  std::string out;
  if (g_ascii_isdigit(element.front())) out += '_';
  for (char c : element) out += isElementByte(c) ? c : '_';
  return out;
}

}  // namespace

std::string applicationIdForBundleIdentifier(std::string_view bundleIdentifier) {
  std::string given(bundleIdentifier);
  if (given.find('\0') == std::string::npos && g_application_id_is_valid(given.c_str())) return given;

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
  if (id.size() > kMaxLength) {
    id.resize(kMaxLength);
    while (id.back() == '.') id.pop_back();
    // Cutting may have dropped every element after the first.
    if (id.find('.') == std::string::npos) id = "app." + id.substr(0, kMaxLength - 4);
  }
  return id;
}

}  // namespace platform
