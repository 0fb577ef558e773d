#pragma once
// Text rules shared by every layer.

#include <glib.h>

#include <string>
#include <string_view>

namespace platform {

// The white-space-and-newline set: Unicode space, line and paragraph
// separators, the controls tab to carriage return, and NEL.
bool isWhitespaceOrNewline(gunichar c);

// Whether `c` is in one of Unicode's punctuation categories.
bool isPunctuation(gunichar c);

// `text` without white space and line breaks at either end. Text that is not
// UTF-8 loses only its ASCII blanks.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text);

}  // namespace platform
