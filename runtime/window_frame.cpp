#include "runtime/window_frame.hpp"

namespace runlet {

namespace plist = platform::plist;

namespace {
constexpr std::int64_t kMinSide = 100;
constexpr std::int64_t kMaxSide = 32768;
}  // namespace

plist::Value toValue(const WindowFrame& frame) {
  return plist::Dictionary{{"width", frame.width}, {"height", frame.height}, {"maximized", frame.maximized}};
}

std::optional<WindowFrame> windowFrameFrom(const plist::Value& value) {
  const auto* dict = value.get<plist::Dictionary>();
  if (!dict) return std::nullopt;
  auto width = plist::lookup<std::int64_t>(*dict, "width");
  auto height = plist::lookup<std::int64_t>(*dict, "height");
  if (!width || !height) return std::nullopt;
  if (*width < kMinSide || *width > kMaxSide || *height < kMinSide || *height > kMaxSide) return std::nullopt;
  return WindowFrame{static_cast<int>(*width), static_cast<int>(*height),
                     plist::lookup<bool>(*dict, "maximized").value_or(false)};
}

}  // namespace runlet
