#include "frontend/support_mail.hpp"

#include <cstring>

#include "platform/bundle.hpp"
#include "platform/url.hpp"

namespace frontend {

std::string supportEmailAddress() { return NIMBREL_SUPPORT_EMAIL; }

std::string supportApplicationName(const platform::plist::Dictionary& info) {
  return platform::plist::lookup<std::string>(info, "CFBundleName").value_or("App");
}

std::string percentEncodeQueryValue(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      (c != 0 && std::strchr("-._~!$'()*,;:@/?", c) != nullptr);
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string supportEmailLink(const std::string& address, const std::string& appName,
                             const std::optional<std::string>& subject) {
  std::string title = subject.value_or(appName + " Support Request");
  std::string body = "Hello " + appName + " Team,\n\nI need assistance with the following:\n\n";
  return "mailto:" + address + "?subject=" + percentEncodeQueryValue(title) + "&body=" + percentEncodeQueryValue(body);
}

void openSupportEmail(platform::Workspace& workspace, const std::optional<std::string>& subject) {
  auto bundle = platform::Bundle::main();
  std::string name = supportApplicationName(bundle ? bundle->infoDictionary() : platform::plist::Dictionary{});
  std::string link = supportEmailLink(supportEmailAddress(), name, subject);
  if (platform::Url::parse(link)) workspace.openURL(link);
}

}  // namespace frontend
