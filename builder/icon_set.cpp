#include "builder/icon_set.hpp"

#include <cairo.h>

#include <future>
#include <map>
#include <memory>
#include <utility>
#include <vector>
#include <string_view>
#include <system_error>

#include "builder/bundle_assembly.hpp"
#include "builder/png_encoder.hpp"
#include "builder/subprocess.hpp"

namespace builder {

namespace fs = std::filesystem;
using platform::Image;

namespace {

using CairoPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

CairoPtr drawInto(const Image& image) { return CairoPtr(cairo_create(image.surface()), cairo_destroy); }

bool ok(const Image& image) { return cairo_surface_status(image.surface()) == CAIRO_STATUS_SUCCESS; }

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

}  // namespace

const std::map<std::string, std::vector<Format>>& iconFormats() {
  static const auto* formats = new std::map<std::string, std::vector<Format>>{
      {"macOS",
       {
           {"mac", "", 16, {1, 2}},
           {"mac", "", 32, {1, 2}},
           {"mac", "", 128, {1, 2}},
           {"mac", "", 256, {1, 2}},
           {"mac", "", 512, {1, 2}},
       }},
  };
  return *formats;
}

std::string iconFileName(const Format& format, int scale) {
  const std::string s = std::to_string(static_cast<int>(format.size));
  // Appended piece by piece: GCC 12 at -O3 takes `"literal" + std::string&&` for an overlapping copy.
  std::string name = "icon_";
  name += s;
  name += 'x';
  name += s;
  if (scale != 1) {
    name += '@';
    name += std::to_string(scale);
    name += 'x';
  }
  name += ".png";
  return name;
}

std::optional<Image> resized(const Image& image, int width, int height) {
  return platform::stretched(image, width, height);
}

std::vector<std::uint8_t> pngData(const Image& image) { return encodePNG(image); }

std::optional<Image> composeIcon(const Image& shape, const platform::Color& color,
                                 const std::optional<Image>& picture) {
  // The colour, kept only where the template is opaque (in proportion to its alpha).
  auto tinted = platform::tinted(shape, color);
  if (!tinted) return std::nullopt;
  auto background = resized(*tinted, masterSize, masterSize);
  if (!background) return std::nullopt;

  auto master = Image::create(masterSize, masterSize);
  if (!master) return std::nullopt;
  {
    auto cr = drawInto(*master);
    platform::paintStretched(cr.get(), *background, 0, 0, masterSize, masterSize);
    if (picture && picture->width() > 0 && picture->height() > 0) {
      platform::paintStretched(cr.get(), *picture, pictureOrigin, pictureOrigin, pictureEdge, pictureEdge);
    }
  }
  cairo_surface_flush(master->surface());
  if (!ok(*master)) return std::nullopt;
  return master;
}

void renderIcon(const AppGenerator& request, const fs::path& resources, const BuildEnvironment& env,
                Continuation continuation) {
  auto templatePath = env.image("bgtemplate");
  auto shape = templatePath ? Image::load(*templatePath) : std::nullopt;
  if (!shape) {
    continuation();
    return;
  }
  auto master = composeIcon(*shape, request.color, request.icon);
  if (!master) {
    continuation();
    return;
  }
  writeIconSet(*master, "macOS", resources, env.tools.iconutil, std::move(continuation));
}

void writeIconSet(const Image& master, const std::string& platformName, const fs::path& resources,
                  const fs::path& converter, Continuation continuation) {
  const fs::path iconSet = resources / "AppIcon.iconset";
  const fs::path iconFile = resources / "AppIcon.icns";
  std::error_code ec;
  fs::create_directories(iconSet, ec);
  if (ec) {
    continuation();
    return;
  }
  // Each pixel size is made once (16@2x and 32 are one picture) and written
  // under all its names. Encoding is most of the work, the largest picture
  // most of that: it gets a core of its own.
  std::map<int, std::vector<std::string>> namesBySize;
  if (auto formats = iconFormats().find(platformName); formats != iconFormats().end()) {
    for (const Format& format : formats->second) {
      for (int scale : format.scales) {
        namesBySize[static_cast<int>(format.size * static_cast<float>(scale))].push_back(iconFileName(format, scale));
      }
    }
  }
  std::vector<std::pair<const std::vector<std::string>*, std::optional<Image>>> pictures;
  for (const auto& [pixels, names] : namesBySize) pictures.emplace_back(&names, resized(master, pixels, pixels));
  std::vector<std::vector<std::uint8_t>> pngs(pictures.size());
  auto encode = [&](std::size_t i) {
    if (pictures[i].second) pngs[i] = pngData(*pictures[i].second);
  };
  std::future<void> largest;
  try {
    if (!pictures.empty()) largest = std::async(std::launch::async, encode, pictures.size() - 1);
  } catch (const std::system_error&) {
    // No thread to spare: this one encodes it too.
  }
  for (std::size_t i = 0; i + 1 < pictures.size(); ++i) encode(i);
  if (largest.valid()) {
    largest.get();
  } else if (!pictures.empty()) {
    encode(pictures.size() - 1);
  }
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (pngs[i].empty()) continue;
    for (const std::string& name : *pictures[i].first) {
      try {
        writeFileBytes(iconSet / name, std::string_view(reinterpret_cast<const char*>(pngs[i].data()), pngs[i].size()));
      } catch (const std::exception&) {
        // One missing size still leaves a usable icon.
      }
    }
  }

  auto tool =
      Subprocess::create({converter.string(), "--convert", "icns", "--output", iconFile.string(), iconSet.string()});
  // The runner watches its tool only weakly; this holder keeps it alive until
  // its completion has run.
  auto holder = std::make_shared<std::shared_ptr<Subprocess>>(tool);
  try {
    tool->run([holder, iconSet, continuation](Subprocess&, std::string, std::string) {
      removeQuietly(iconSet);
      holder->reset();
      continuation();
    });
  } catch (const std::exception&) {
    holder->reset();
    removeQuietly(iconSet);
    continuation();
  }
}

}  // namespace builder
