#include "platform/text.hpp"

#include <gtest/gtest.h>

namespace {

TEST(Text, TrimsUnicodeBlanksAndLineBreaksAtBothEndsOnly) {
  using platform::trimmedWhitespaceAndNewlines;
  // No-break space, NEL, line separator, tab, CR LF around; the inner blank stays.
  EXPECT_EQ(trimmedWhitespaceAndNewlines("\u00a0\u0085\t example .org\u2028\r\n"), "example .org");
  EXPECT_EQ(trimmedWhitespaceAndNewlines(" \u3000 "), "");
  EXPECT_EQ(trimmedWhitespaceAndNewlines("Caf\u00e9"), "Caf\u00e9");
  // Not UTF-8: only ASCII blanks go, the bytes are kept as they are.
  EXPECT_EQ(trimmedWhitespaceAndNewlines(" \xff\xfe\n"), "\xff\xfe");
}

}  // namespace
