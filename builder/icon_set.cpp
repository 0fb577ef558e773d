#include "builder/icon_set.hpp"

#include <cairo.h>

#include <memory>
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

// Paints `source` scaled to fill the rectangle exactly (stretched, not
// letterboxed). Padding the source keeps its outer pixels from fading into
// the transparent beyond its edge.
void paintScaled(cairo_t* cr, const Image& source, double x, double y, double width, double height) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, width, height);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, width / source.width(), height / source.height());
  cairo_set_source_surface(cr, source.surface(), 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
}

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
  return "icon_" + s + "x" + s + (scale == 1 ? "" : "@" + std::to_string(scale) + "x") + ".png";
}

std::optional<Image> resized(const Image& image, int width, int height) {
  auto target = Image::create(width, height);
  if (!target || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  auto cr = drawInto(*target);
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  paintScaled(cr.get(), image, 0, 0, width, height);
  cr.reset();
  cairo_surface_flush(target->surface());
  if (!ok(*target)) return std::nullopt;
  return target;
}

std::vector<std::uint8_t> pngData(const Image& image) { return encodePNG(image); }

std::optional<Image> composeIcon(const Image& shape, const platform::Color& color,
                                 const std::optional<Image>& picture) {
  // The colour, kept only where the template is opaque (in proportion to its alpha).
  auto tinted = Image::create(shape.width(), shape.height());
  if (!tinted) return std::nullopt;
  {
    auto cr = drawInto(*tinted);
    cairo_set_source_rgba(cr.get(), color.red, color.green, color.blue, color.alpha);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_surface(cr.get(), shape.surface(), 0, 0);
    cairo_paint(cr.get());
  }
  auto background = resized(*tinted, masterSize, masterSize);
  if (!background) return std::nullopt;

  auto master = Image::create(masterSize, masterSize);
  if (!master) return std::nullopt;
  {
    auto cr = drawInto(*master);
    paintScaled(cr.get(), *background, 0, 0, masterSize, masterSize);
    if (picture && picture->width() > 0 && picture->height() > 0) {
      paintScaled(cr.get(), *picture, pictureOrigin, pictureOrigin, pictureEdge, pictureEdge);
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
  auto formats = iconFormats().find(platformName);
  if (formats != iconFormats().end()) {
    for (const Format& format : formats->second) {
      for (int scale : format.scales) {
        const int pixels = static_cast<int>(format.size * static_cast<float>(scale));
        auto image = resized(master, pixels, pixels);
        if (!image) continue;
        auto png = pngData(*image);
        if (png.empty()) continue;
        try {
          writeFileBytes(iconSet / iconFileName(format, scale),
                         std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
        } catch (const std::exception&) {
          // One missing size still leaves a usable icon.
        }
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
