#include "frontend/wizard_images.hpp"

#include "platform/bundle.hpp"

namespace frontend {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<platform::Color> colorFromHex(std::string_view text) {
  if (text.empty() || text.front() != '#') return std::nullopt;
  std::string_view digits = text.substr(1);
  if (digits.size() != 6) return std::nullopt;
  std::size_t i = 0;
  while (i < digits.size() && (digits[i] == ' ' || digits[i] == '\t' || digits[i] == '\n' || digits[i] == '\r')) ++i;
  if (i + 2 < digits.size() && digits[i] == '0' && (digits[i + 1] == 'x' || digits[i + 1] == 'X') &&
      hexDigit(digits[i + 2]) >= 0) {
    i += 2;
  }
  if (i >= digits.size() || hexDigit(digits[i]) < 0) return std::nullopt;
  unsigned value = 0;
  for (; i < digits.size() && hexDigit(digits[i]) >= 0; ++i) value = value * 16 + unsigned(hexDigit(digits[i]));
  return platform::Color{((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0, 1};
}

std::optional<platform::Image> tintedImage(const platform::Image& image, const platform::Color& color) {
  return platform::tinted(image, color);
}

platform::Image defaultAppIcon(const ImageLoader& imageNamed) {
  if (auto shape = imageNamed ? imageNamed("DefaultIcon") : std::nullopt) {
    if (auto icon = tintedImage(*shape, platform::Color::black())) return *icon;
  }
  return *platform::Image::create(512, 512);
}

std::optional<platform::Image> resourceImageNamed(const std::string& name) {
  auto bundle = platform::Bundle::main();
  if (!bundle) return std::nullopt;
  auto path = bundle->pathForImageResource(name);
  return path ? platform::Image::load(*path) : std::nullopt;
}

}  // namespace frontend
