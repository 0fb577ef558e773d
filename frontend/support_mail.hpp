#pragma once
// "Contact Support": a mailto: link with a subject and a greeting, handed to
// the user's mail application.

#include <optional>
#include <string>
#include <string_view>

#include "platform/plist.hpp"
#include "platform/workspace.hpp"

namespace frontend {

// The maker's support address, chosen when Nimbrel is built.
std::string supportEmailAddress();

// CFBundleName when it is a string, else "App".
std::string supportApplicationName(const platform::plist::Dictionary& info);

// "mailto:ADDRESS?subject=…&body=…"; the subject defaults to
// "<name> Support Request".
std::string supportEmailLink(const std::string& address, const std::string& appName,
                             const std::optional<std::string>& subject);

// Percent-encodes UTF-8 bytes, leaving as they are the characters a URL query
// may carry, except "&", "=", "+" and "#", which would end a mail header
// field or change its meaning in a mailto: link.
std::string percentEncodeQueryValue(std::string_view text);

// Builds the link for the main bundle and hands it over; a link that does not
// parse is dropped without a word.
void openSupportEmail(platform::Workspace& workspace, const std::optional<std::string>& subject = std::nullopt);

}  // namespace frontend
