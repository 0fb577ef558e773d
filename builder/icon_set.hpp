#pragma once
// Stage 2 of a build: the app's icon. The request's colour is cut to the shape
// of the "bgtemplate" image (only its alpha counts), the request's picture is
// laid into the middle square, and the 1024-pixel master is written at every
// size of the icon set, then converted into Contents/Resources/AppIcon.icns.
// Nothing here fails a build: every path ends in the continuation, once.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/app_generator.hpp"
#include "platform/image.hpp"

namespace builder {

struct Format {
  std::string idiom;
  std::string platform;
  float size = 0;           // edge in points
  std::vector<int> scales;  // pixel densities rendered for this size
};

// Platform name → the entries of its icon set, in writing order. Built once.
const std::map<std::string, std::vector<Format>>& iconFormats();

// The file name of one entry of an icon set: "icon_16x16.png", "icon_16x16@2x.png".
std::string iconFileName(const Format& format, int scale);

// A new image of exactly width × height pixels holding `image` scaled to fill it.
std::optional<platform::Image> resized(const platform::Image& image, int width, int height);

// PNG encoding of the image's bitmap; empty on failure.
std::vector<std::uint8_t> pngData(const platform::Image& image);

inline constexpr int masterSize = 1024;
inline constexpr int pictureOrigin = 187;
inline constexpr int pictureEdge = 650;

// The 1024 × 1024 master: `color` where `shape` is opaque, `picture` (when
// given) stretched into the middle square. Nothing when no bitmap can be made.
std::optional<platform::Image> composeIcon(const platform::Image& shape, const platform::Color& color,
                                           const std::optional<platform::Image>& picture);

using Continuation = std::function<void()>;

// On the main thread: draws the master and hands it to writeIconSet; calls
// `continuation` at once when no master can be made.
void renderIcon(const AppGenerator& request, const std::filesystem::path& resources, const BuildEnvironment& env,
                Continuation continuation);

// Writes AppIcon.iconset, starts the converter and returns; `continuation`
// runs when the converter has ended and the icon-set folder is gone.
void writeIconSet(const platform::Image& master, const std::string& platformName,
                  const std::filesystem::path& resources, const std::filesystem::path& converter,
                  Continuation continuation);

}  // namespace builder
