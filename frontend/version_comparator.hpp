#pragma once
// Orders version texts the way appcast feeds expect: "1.10" after "1.9",
// "2.0" after "2.0b3", "1.0.1" after "1.0". Each text splits into runs of
// digits, runs of other characters (words) and single separators (".",
// blanks, punctuation), compared pairwise: numbers by value, words by their
// bytes. Where the kinds differ, a number or a separator beats a word and a
// number beats a separator. When one text goes on further, a word there
// makes it the older one ("1.0b" before "1.0"), anything else the newer.

#include <string_view>

namespace frontend {

// Negative when `a` is older than `b`, zero when equal, positive when newer.
int compareVersions(std::string_view a, std::string_view b);

}  // namespace frontend
