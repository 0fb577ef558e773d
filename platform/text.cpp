#include "platform/text.hpp"

namespace platform {

bool isWhitespaceOrNewline(gunichar c) {
  if ((c >= 0x09 && c <= 0x0D) || c == 0x85) return true;
  switch (g_unichar_type(c)) {
    case G_UNICODE_SPACE_SEPARATOR:
    case G_UNICODE_LINE_SEPARATOR:
    case G_UNICODE_PARAGRAPH_SEPARATOR:
      return true;
    default:
      return false;
  }
}

std::string_view trimmedWhitespaceAndNewlines(std::string_view text) {
  if (!g_utf8_validate_len(text.data(), text.size(), nullptr)) {
    constexpr std::string_view ascii = " \t\n\v\f\r";
    auto first = text.find_first_not_of(ascii);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(ascii) - first + 1);
  }
  while (!text.empty() && isWhitespaceOrNewline(g_utf8_get_char(text.data()))) {
    text.remove_prefix(g_utf8_next_char(text.data()) - text.data());
  }
  while (!text.empty()) {
    const char* last = g_utf8_find_prev_char(text.data(), text.data() + text.size());
    if (!last || !isWhitespaceOrNewline(g_utf8_get_char(last))) break;
    text.remove_suffix(text.data() + text.size() - last);
  }
  return text;
}

bool isPunctuation(gunichar c) {
  switch (g_unichar_type(c)) {
    case G_UNICODE_CONNECT_PUNCTUATION:
    case G_UNICODE_DASH_PUNCTUATION:
    case G_UNICODE_CLOSE_PUNCTUATION:
    case G_UNICODE_FINAL_PUNCTUATION:
    case G_UNICODE_INITIAL_PUNCTUATION:
    case G_UNICODE_OTHER_PUNCTUATION:
    case G_UNICODE_OPEN_PUNCTUATION:
      return true;
    default:
      return false;
  }
}

}  // namespace platform
