#include "builder/bundle_identifier.hpp"

#include "platform/text.hpp"

#include <glib.h>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace builder {
namespace {

// A user-perceived character counts as a letter or number by its first scalar.
bool isLetterOrNumber(UChar32 c) {
  if (u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) return true;
  return u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

std::array<std::uint64_t, 2> processKey() {
  static const std::array<std::uint64_t, 2> key = [] {
    std::random_device device;
    auto word = [&] { return (std::uint64_t{device()} << 32) | device(); };
    return std::array<std::uint64_t, 2>{word(), word()};
  }();
  return key;
}

std::uint64_t sipHash24(std::string_view data, std::array<std::uint64_t, 2> key) {
  std::uint64_t v0 = 0x736f6d6570736575ULL ^ key[0], v1 = 0x646f72616e646f6dULL ^ key[1];
  std::uint64_t v2 = 0x6c7967656e657261ULL ^ key[0], v3 = 0x7465646279746573ULL ^ key[1];
  auto round = [&] {
    v0 += v1, v1 = rotl(v1, 13), v1 ^= v0, v0 = rotl(v0, 32);
    v2 += v3, v3 = rotl(v3, 16), v3 ^= v2;
    v0 += v3, v3 = rotl(v3, 21), v3 ^= v0;
    v2 += v1, v1 = rotl(v1, 17), v1 ^= v2, v2 = rotl(v2, 32);
  };
  const size_t whole = data.size() / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) {
    std::uint64_t m = 0;
    for (int b = 0; b < 8; ++b) m |= std::uint64_t{static_cast<unsigned char>(data[i + b])} << (8 * b);
    v3 ^= m, round(), round(), v0 ^= m;
  }
  std::uint64_t last = std::uint64_t{data.size() & 0xff} << 56;
  for (size_t b = 0; b < data.size() - whole; ++b) {
    last |= std::uint64_t{static_cast<unsigned char>(data[whole + b])} << (8 * b);
  }
  v3 ^= last, round(), round(), v0 ^= last;
  v2 ^= 0xff;
  round(), round(), round(), round();
  return v0 ^ v1 ^ v2 ^ v3;
}

}  // namespace

std::string executableName(const std::string& name) {
  std::string replaced = name;
  for (char& c : replaced) {
    if (c == '/') c = '-';
  }
  std::string result(platform::trimmedWhitespaceAndNewlines(replaced));
  // "." and ".." name folders, not a file the executable could be moved to.
  return result.empty() || result == "." || result == ".." ? "App" : result;
}

std::string identifierSlug(const std::string& name) {
  icu::UnicodeString lower = icu::UnicodeString::fromUTF8(name);
  lower.toLower(icu::Locale::getRoot());

  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> characters(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  std::string slug;
  bool pendingHyphen = false;
  auto addPiece = [&](const icu::UnicodeString& piece) {
    if (pendingHyphen && !slug.empty()) slug += '-';
    pendingHyphen = false;
    piece.toUTF8String(slug);
  };
  if (U_FAILURE(status)) {
    // No break data: fall back to code points, which still keeps every letter.
    for (int32_t i = 0; i < lower.length(); i = lower.moveIndex32(i, 1)) {
      if (isLetterOrNumber(lower.char32At(i))) {
        addPiece(icu::UnicodeString(lower.char32At(i)));
      } else {
        pendingHyphen = true;
      }
    }
  } else {
    characters->setText(lower);
    for (int32_t start = characters->first(), end = characters->next(); end != icu::BreakIterator::DONE;
         start = end, end = characters->next()) {
      if (isLetterOrNumber(lower.char32At(start))) {
        addPiece(lower.tempSubStringBetween(start, end));
      } else {
        pendingHyphen = true;
      }
    }
  }
  return slug.empty() ? "app" : slug;
}

std::int64_t seededHash(std::string_view text) { return static_cast<std::int64_t>(sipHash24(text, processKey())); }

namespace {

// Name and source, as both identifiers see them.
std::string identityKey(const AppGenerator& request) {
  if (const auto* address = request.source.asUrl()) return request.name + "|" + address->text;
  if (const auto* local = request.source.asLocalFolder()) {
    std::filesystem::path trimmed = local->folder;
    // The last component of ".../site/" is "site", not the empty name after the slash.
    if (!trimmed.has_filename() && trimmed.has_parent_path()) trimmed = trimmed.parent_path();
    return request.name + "|local|" + trimmed.filename().string();
  }
  return request.name;
}

}  // namespace

std::string bundleIdentifier(const AppGenerator& request) {
  const std::int64_t hash = seededHash(identityKey(request));
  // |hash| in unsigned arithmetic: the most negative value maps to itself,
  // whose low 24 bits are all zero.
  const std::uint64_t magnitude = hash < 0 ? 0 - static_cast<std::uint64_t>(hash) : static_cast<std::uint64_t>(hash);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%06llx", static_cast<unsigned long long>(magnitude & 0xffffff));
  return "co.corvan.nimbrel." + identifierSlug(request.name) + "-" + digits;
}

std::string storageKey(const AppGenerator& request) {
  const std::string key = identityKey(request);
  gchar* sum =
      g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(key.data()), key.size());
  std::string digits(sum, 16);
  g_free(sum);
  return "co.corvan.nimbrel." + identifierSlug(request.name) + "-" + digits;
}

}  // namespace builder
