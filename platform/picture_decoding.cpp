// Decoding of pictures from untrusted bytes with bounded memory and time.
//
// A picture's declared size is read before any pixel is, and then:
//   - SVG is rendered, and JPEG decoded (libjpeg scales by up to 1/8 while
//     decoding), straight at the size it is wanted at;
//   - anything else up to maxWholePixels is decoded whole and scaled down;
//   - a larger PNG is read row by row and averaged down on the way, so its
//     full bitmap never exists;
//   - everything else larger, and any format not listed in kFormats, is
//     refused, and so is every picture beyond maxDeclaredPixels.
// A GIF is cut after its first frame, so an animation cannot multiply memory.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/gobject_ptr.hpp"
#include "platform/image.hpp"
#include "platform/image_pixbuf.hpp"

namespace platform {
namespace {

constexpr std::uint64_t maxWholePixels = 4096ull * 4096;
constexpr std::uint64_t maxDeclaredPixels = 16384ull * 16384;
constexpr std::uint32_t maxStreamedEdge = 65535;
// Inflating is most of the cost of a large PNG; this much takes well under a second.
constexpr std::uint64_t maxStreamedBytes = 256ull << 20;

// The formats a site's icon or a user's picture comes in; animated and
// container formats (ani, icns, qtif) are left out.
const std::set<std::string> kFormats{"png", "jpeg", "gif", "ico", "svg", "bmp", "tiff", "tga", "pnm", "xpm", "xbm"};

struct Size {
  int width = 0, height = 0;
};

// At most maxPictureEdge on either side, aspect ratio kept, never zero.
Size fitted(int width, int height) {
  const int longer = std::max(width, height);
  if (longer <= maxPictureEdge) return {width, height};
  const double scale = static_cast<double>(maxPictureEdge) / longer;
  return {std::max(1, static_cast<int>(std::lround(width * scale))),
          std::max(1, static_cast<int>(std::lround(height * scale)))};
}

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

struct PngHeader {
  std::uint32_t width = 0, height = 0;
  bool interlaced = false;
  std::uint64_t dataBytes = 0;  // of all rows once inflated: what reading it costs
};

std::optional<PngHeader> pngHeader(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 33 || !std::equal(std::begin(signature), std::end(signature), bytes.begin()) ||
      std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  const std::uint32_t width = bigEndian32(bytes, 16), height = bigEndian32(bytes, 20);
  const std::uint8_t depth = bytes[24], colorType = bytes[25];
  const std::uint64_t channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  const std::uint64_t rowBytes = (std::uint64_t{width} * channels * depth + 7) / 8 + 1;
  return PngHeader{width, height, bytes[28] != 0, rowBytes * height};
}

// The GIF up to the end of its first image, closed with the trailer byte;
// the bytes unchanged when they are not a GIF whose blocks can be followed.
std::vector<std::uint8_t> gifFirstFrame(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> whole(bytes.begin(), bytes.end());
  if (bytes.size() < 13 || std::memcmp(bytes.data(), "GIF8", 4) != 0) return whole;
  auto colorTable = [](std::uint8_t packed) { return (packed & 0x80) ? 3u * (2u << (packed & 7)) : 0u; };
  std::size_t at = 13 + colorTable(bytes[10]);
  auto skipSubBlocks = [&]() {
    while (at < bytes.size() && bytes[at] != 0) at += 1 + bytes[at];
    ++at;  // the terminating empty block
  };
  while (at < bytes.size()) {
    if (bytes[at] == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      skipSubBlocks();
    } else if (bytes[at] == 0x2C) {  // image: descriptor, colour table, code size, data
      if (at + 10 > bytes.size()) return whole;
      at += 10 + colorTable(bytes[at + 9]) + 1;
      skipSubBlocks();
      if (at > bytes.size()) return whole;
      std::vector<std::uint8_t> first(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
      first.push_back(0x3B);
      return first;
    } else {
      return whole;
    }
  }
  return whole;
}

// libpng reads from memory; running past the end is an error like any other.
struct PngSource {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

void readPngBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->bytes.size() - source->at) png_error(png, "truncated");
  std::memcpy(out, source->bytes.data() + source->at, count);
  source->at += count;
}

// Evenly spread sample positions within each of `parts` equal bands of
// `length`: at most `perBand` of them, the band's every position when it is
// shorter. Band i's samples are samples[first[i]] up to samples[first[i + 1]].
struct Samples {
  std::vector<std::uint32_t> first, samples;
  Samples(std::uint64_t length, std::uint64_t parts, std::uint64_t perBand) {
    for (std::uint64_t i = 0; i < parts; ++i) {
      first.push_back(static_cast<std::uint32_t>(samples.size()));
      const std::uint64_t start = (i * length + parts - 1) / parts, end = ((i + 1) * length + parts - 1) / parts;
      const std::uint64_t step = std::max<std::uint64_t>(1, (end - start) / perBand);
      for (std::uint64_t at = start; at < end && samples.size() - first.back() < perBand; at += step) {
        samples.push_back(static_cast<std::uint32_t>(at));
      }
    }
    first.push_back(static_cast<std::uint32_t>(samples.size()));
  }
};

// Everything the row-by-row reader needs, allocated before libpng may jump.
// Each output pixel averages up to 4 x 4 source pixels spread over its area:
// enough for a picture drawn at most 1024 pixels wide, and the rows between
// are only inflated, never looked at.
struct Shrinker {
  static constexpr std::uint64_t perBand = 4;

  Shrinker(std::span<const std::uint8_t> bytes, PngHeader header, Image target)
      : source{bytes, 0},
        header(header),
        target(std::move(target)),
        row(std::size_t{header.width} * 4),
        sums(static_cast<std::size_t>(this->target.width()) * 4),
        columns(header.width, static_cast<std::uint64_t>(this->target.width()), perBand),
        rows(header.height, static_cast<std::uint64_t>(this->target.height()), perBand) {}

  // Adds a decoded row (`channels` bytes a pixel: grey, grey+alpha, RGB or RGBA).
  void add(const std::uint8_t* pixels, int channels) {
    for (std::size_t out = 0; out + 1 < columns.first.size(); ++out) {
      std::uint32_t* sum = &sums[out * 4];
      for (std::uint32_t i = columns.first[out]; i < columns.first[out + 1]; ++i) {
        const std::uint8_t* p = pixels + std::size_t{columns.samples[i]} * channels;
        const std::uint32_t alpha = channels == 2 ? p[1] : channels == 4 ? p[3] : 255;
        const std::uint32_t r = p[0], g = channels >= 3 ? p[1] : p[0], b = channels >= 3 ? p[2] : p[0];
        sum[0] += r * alpha, sum[1] += g * alpha, sum[2] += b * alpha, sum[3] += alpha;
      }
    }
    ++rowsAdded;
  }

  // Writes the averages as premultiplied ARGB into output row `y`.
  void flush(int y) {
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(target.surface()) +
                                                    static_cast<std::ptrdiff_t>(y) *
                                                        cairo_image_surface_get_stride(target.surface()));
    for (std::size_t out = 0; out + 1 < columns.first.size(); ++out) {
      const std::uint32_t n = std::max<std::uint32_t>(1, (columns.first[out + 1] - columns.first[out]) * rowsAdded);
      const std::uint32_t* sum = &sums[out * 4];
      const std::uint32_t a = (sum[3] + n / 2) / n;
      auto channel = [&](std::uint32_t total) { return (total + 255 * n / 2) / (255 * n); };
      pixels[out] = a << 24 | channel(sum[0]) << 16 | channel(sum[1]) << 8 | channel(sum[2]);
    }
    std::fill(sums.begin(), sums.end(), 0);
    rowsAdded = 0;
  }

  PngSource source;
  PngHeader header;
  Image target;
  std::vector<std::uint8_t> row;
  std::vector<std::uint32_t> sums;
  Samples columns, rows;
  std::uint32_t rowsAdded = 0;
};

// The whole PNG, averaged down to fit while it is read. libpng reports errors
// by jumping back here, so every C++ object lives in the Shrinker, made before.
bool shrinkPng(Shrinker& s) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &s.source, readPngBytes);
#ifdef PNG_IGNORE_ADLER32
  // A checksum over every inflated byte buys nothing here: bad data still ends in an error or a bad picture.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(png, info);
  // Only what the sampling cannot read as it is: 16-bit, palettes, transparency chunks, 1/2/4-bit grey.
  png_set_strip_16(png);
  png_set_palette_to_rgb(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if (png_get_image_width(png, info) != s.header.width || png_get_image_height(png, info) != s.header.height ||
      channels < 1 || channels > 4 || png_get_rowbytes(png, info) != std::size_t{s.header.width} * channels) {
    png_error(png, "unexpected layout");
  }
  cairo_surface_flush(s.target.surface());
  for (std::size_t out = 0; out + 1 < s.rows.first.size(); ++out) {
    std::uint32_t sample = s.rows.first[out];
    const std::uint32_t bandEnd = out + 2 < s.rows.first.size() ? s.rows.samples[s.rows.first[out + 1]]
                                                                  : s.header.height;
    for (std::uint32_t y = s.rows.samples[sample]; y < bandEnd; ++y) {
      png_read_row(png, s.row.data(), nullptr);
      if (sample < s.rows.first[out + 1] && y == s.rows.samples[sample]) {
        s.add(s.row.data(), channels);
        ++sample;
      }
    }
    s.flush(static_cast<int>(out));
  }
  cairo_surface_mark_dirty(s.target.surface());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

std::optional<Picture> streamPng(std::span<const std::uint8_t> bytes, PngHeader header) {
  const Size size = fitted(static_cast<int>(header.width), static_cast<int>(header.height));
  auto target = Image::create(size.width, size.height);
  if (!target) return std::nullopt;
  auto shrinker = std::make_unique<Shrinker>(bytes, header, std::move(*target));
  if (!shrinkPng(*shrinker)) return std::nullopt;
  return Picture{std::move(shrinker->target), static_cast<int>(header.width), static_cast<int>(header.height)};
}

// What the size-prepared signal decided.
struct LoadState {
  bool prepared = false;
  bool refused = false;
  int width = 0, height = 0;
};

void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* state = static_cast<LoadState*>(data);
  state->prepared = true;
  state->width = width;
  state->height = height;
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
  GCharPtr name(format ? gdk_pixbuf_format_get_name(format) : nullptr);
  const std::string kind = name ? name.get() : "";
  const std::uint64_t pixels = std::uint64_t(std::max(width, 0)) * std::uint64_t(std::max(height, 0));
  const bool scalesWhileDecoding = (format && gdk_pixbuf_format_is_scalable(format)) || kind == "jpeg";
  const bool bounded = scalesWhileDecoding ? (kind != "jpeg" || pixels <= maxDeclaredPixels) : pixels <= maxWholePixels;
  if (!kFormats.contains(kind) || width <= 0 || height <= 0 || !bounded) {
    state->refused = true;
    gdk_pixbuf_loader_set_size(loader, 0, 0);  // loaders give up on a size of nothing
    return;
  }
  if (scalesWhileDecoding && std::max(width, height) > maxPictureEdge) {
    const Size size = fitted(width, height);
    gdk_pixbuf_loader_set_size(loader, size.width, size.height);
  }
}

std::optional<Picture> decodeWithPixbuf(std::span<const std::uint8_t> bytes) {
  auto loader = adoptGRef(gdk_pixbuf_loader_new());
  LoadState state;
  g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(onSizePrepared), &state);
  bool written = true;
  constexpr std::size_t chunk = 64 * 1024;
  for (std::size_t at = 0; at < bytes.size() && written && !state.refused; at += chunk) {
    written = gdk_pixbuf_loader_write(loader.get(), bytes.data() + at, std::min(chunk, bytes.size() - at), nullptr);
  }
  const bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr);
  g_signal_handlers_disconnect_by_data(loader.get(), &state);
  if (!written || !closed || state.refused) return std::nullopt;
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());  // owned by the loader
  if (!pixbuf) return std::nullopt;
  const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
  if (!state.prepared && std::uint64_t(width) * std::uint64_t(height) > maxWholePixels) return std::nullopt;
  GRef<GdkPixbuf> scaled;
  if (std::max(width, height) > maxPictureEdge) {
    const Size size = fitted(width, height);
    scaled = adoptGRef(gdk_pixbuf_scale_simple(pixbuf, size.width, size.height, GDK_INTERP_BILINEAR));
    if (!scaled) return std::nullopt;
    pixbuf = scaled.get();
  }
  auto image = imageFromPixbuf(pixbuf);
  if (!image) return std::nullopt;
  return Picture{std::move(*image), state.prepared ? state.width : width, state.prepared ? state.height : height};
}

}  // namespace

std::optional<Picture> decodePicture(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > maxPictureBytes) return std::nullopt;
  if (auto header = pngHeader(bytes)) {
    const std::uint64_t pixels = std::uint64_t{header->width} * header->height;
    if (pixels > maxWholePixels) {
      if (header->interlaced || pixels > maxDeclaredPixels || header->width > maxStreamedEdge ||
          header->height > maxStreamedEdge || header->dataBytes > maxStreamedBytes) {
        return std::nullopt;
      }
      return streamPng(bytes, *header);
    }
  }
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "GIF8", 4) == 0) {
    const auto firstFrame = gifFirstFrame(bytes);
    return decodeWithPixbuf(firstFrame);
  }
  return decodeWithPixbuf(bytes);
}

}  // namespace platform
