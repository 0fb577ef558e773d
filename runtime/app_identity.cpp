#include "runtime/app_identity.hpp"

#include <glib.h>
#include <gio/gio.h>

#include <cstdio>

namespace runlet {

namespace {

bool isIdCharacter(unsigned char c) { return g_ascii_isalnum(c) || c == '_' || c == '-'; }

std::string validElement(std::string_view element) {
  std::string out;
  if (element.empty() || g_ascii_isdigit(element.front())) out += '_';
  for (unsigned char c : element) {
    if (isIdCharacter(c)) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02x", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

std::string applicationId(std::string_view bundleIdentifier) {
  if (bundleIdentifier.empty()) return std::string(kTemplateIdentifier);
  std::string id;
  size_t elements = 0;
  for (size_t start = 0;; ++elements) {
    size_t dot = bundleIdentifier.find('.', start);
    if (!id.empty()) id += '.';
    id += validElement(bundleIdentifier.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (elements == 0) id += ".app";  // an id needs two elements
  if (id.size() > 255 || !g_application_id_is_valid(id.c_str())) return std::string(kTemplateIdentifier);
  return id;
}

StorageFolders storageFolders(std::string_view applicationId) {
  std::string name(applicationId);
  return {std::filesystem::path(g_get_user_data_dir()) / name, std::filesystem::path(g_get_user_cache_dir()) / name};
}

}  // namespace runlet
