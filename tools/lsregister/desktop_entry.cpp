#include "tools/lsregister/desktop_entry.hpp"

#include <glib.h>

#include "platform/gobject_ptr.hpp"

namespace lsregister {
namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;

}  // namespace

std::string execArgument(std::string_view argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string desktopEntryText(const BundleInfo& bundle, const std::string& appId,
                             const std::optional<std::string>& iconName) {
  platform::CPtr<GKeyFile> file(g_key_file_new());
  GKeyFile* f = file.get();
  // set_string applies the key file's own escaping (backslashes, line breaks).
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_VERSION, "1.4");
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_NAME, bundle.name.c_str());
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_EXEC, execArgument(bundle.executable.string()).c_str());
  // Launchers hide the entry once the bundle is gone.
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, bundle.executable.c_str());
  if (iconName) g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_ICON, iconName->c_str());
  g_key_file_set_boolean(f, kGroup, G_KEY_FILE_DESKTOP_KEY_TERMINAL, FALSE);
  g_key_file_set_boolean(f, kGroup, G_KEY_FILE_DESKTOP_KEY_STARTUP_NOTIFY, TRUE);
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_STARTUP_WM_CLASS, appId.c_str());
  g_key_file_set_string(f, kGroup, G_KEY_FILE_DESKTOP_KEY_CATEGORIES, "Network;");
  g_key_file_set_string(f, kGroup, kBundleKey, bundle.path.c_str());
  gsize length = 0;
  platform::GCharPtr data(g_key_file_to_data(f, &length, nullptr));
  return std::string(data.get(), length);
}

}  // namespace lsregister
