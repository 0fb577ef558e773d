#pragma once
// Image files of a chosen size in the formats websites serve as icons, made
// on the fly so each test states the size it expects.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <string>

#include "platform/gobject_ptr.hpp"

namespace test_images {

inline std::string encodeWithPixbuf(int width, int height, const char* type) {
  auto pixbuf = platform::adoptGRef(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
  gdk_pixbuf_fill(pixbuf.get(), 0x3366ccff);
  gchar* buffer = nullptr;
  gsize size = 0;
  if (!gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, type, nullptr, nullptr)) return {};
  std::string bytes(buffer, size);
  g_free(buffer);
  return bytes;
}

inline std::string png(int width, int height) { return encodeWithPixbuf(width, height, "png"); }
inline std::string jpeg(int width, int height) { return encodeWithPixbuf(width, height, "jpeg"); }

struct IcoEntry {
  int size;
  bool pngCoded;
};

// An icon file with the given entries, in that order. Bitmap entries come from
// the platform's own single-entry encoder.
inline std::string ico(std::initializer_list<IcoEntry> entries) {
  auto le = [](std::size_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return out;
  };
  std::string header = le(0, 2) + le(1, 2) + le(entries.size(), 2), images;
  std::size_t offset = 6 + 16 * entries.size();
  for (auto [size, pngCoded] : entries) {
    std::string image = pngCoded ? png(size, size) : encodeWithPixbuf(size, size, "ico").substr(22);
    header += le(size % 256, 1) + le(size % 256, 1) + le(0, 2) + le(1, 2) + le(32, 2) + le(image.size(), 4) + le(offset, 4);
    offset += image.size();
    images += image;
  }
  return header + images;
}

// A one-pixel frame on a logical screen of the given size.
inline std::string gif(int width, int height) {
  std::string bytes("GIF89a\0\0\0\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02" "D\x01\0;", 43);
  bytes[6] = static_cast<char>(width & 0xff), bytes[7] = static_cast<char>(width >> 8);
  bytes[8] = static_cast<char>(height & 0xff), bytes[9] = static_cast<char>(height >> 8);
  return bytes;
}

inline std::string svg(int width, int height) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\"><rect width=\"100%\" height=\"100%\" fill=\"#36c\"/></svg>";
}

}  // namespace test_images
