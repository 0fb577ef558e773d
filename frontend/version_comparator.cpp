#include "frontend/version_comparator.hpp"

#include <glib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.hpp"

namespace frontend {

namespace {

enum class PartType { number, word, separator };

PartType typeOf(gunichar c) {
  if (c >= '0' && c <= '9') return PartType::number;
  if (c == '.' || g_unichar_isspace(c)) return PartType::separator;
  return platform::isPunctuation(c) ? PartType::separator : PartType::word;
}

struct Part {
  PartType type;
  std::string text;
};

// One code point at a time; a byte that starts no valid sequence counts as a
// character of a word, so any text splits.
std::vector<Part> split(std::string_view version) {
  std::vector<Part> parts;
  const char* p = version.data();
  const char* end = p + version.size();
  while (p < end) {
    gunichar c = g_utf8_get_char_validated(p, end - p);
    std::size_t length = 1;
    PartType type = PartType::word;
    if (c < 0x110000) {
      length = g_utf8_next_char(p) - p;
      type = typeOf(c);
    }
    if (parts.empty() || parts.back().type != type || type == PartType::separator) {
      parts.push_back({type, {}});
    }
    parts.back().text.append(p, length);
    p += length;
  }
  return parts;
}

// Digits beyond what 64 bits hold compare as the largest value.
long long numberValue(const std::string& digits) { return std::strtoll(digits.c_str(), nullptr, 10); }

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

int compareVersions(std::string_view a, std::string_view b) {
  auto partsA = split(a);
  auto partsB = split(b);
  std::size_t shared = std::min(partsA.size(), partsB.size());
  for (std::size_t i = 0; i < shared; ++i) {
    const Part& x = partsA[i];
    const Part& y = partsB[i];
    if (x.type == y.type) {
      if (x.type == PartType::number) {
        long long vx = numberValue(x.text), vy = numberValue(y.text);
        if (vx != vy) return vx > vy ? 1 : -1;
      } else if (x.type == PartType::word) {
        if (int order = x.text.compare(y.text)) return sign(order);
      }
      continue;
    }
    if (y.type == PartType::word) return 1;   // "1.0.1" is newer than "1.0b"
    if (x.type == PartType::word) return -1;
    return x.type == PartType::number ? 1 : -1;  // a number where the other has a separator
  }
  if (partsA.size() == partsB.size()) return 0;
  // The longer one continues: a further word ("1.0b") makes it older, a
  // further number or separator ("1.0.1") newer.
  bool aLonger = partsA.size() > partsB.size();
  const Part& extra = aLonger ? partsA[shared] : partsB[shared];
  bool longerIsNewer = extra.type != PartType::word;
  return (aLonger == longerIsNewer) ? 1 : -1;
}

}  // namespace frontend
