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

// An icon file holding one entry per given size, in that order: the
// directories of single-entry files joined, with the image offsets moved.
inline std::string ico(std::initializer_list<int> sizes) {
  std::string directory, images;
  for (int size : sizes) {
    std::string single = encodeWithPixbuf(size, size, "ico");
    std::string entry = single.substr(6, 16);
    images += single.substr(22);
    directory += entry;
  }
  const std::uint32_t headerSize = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  std::uint32_t offset = headerSize;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::string& entry = directory;
    std::size_t at = i * 16;
    std::uint32_t length = static_cast<std::uint8_t>(entry[at + 8]) | static_cast<std::uint8_t>(entry[at + 9]) << 8 |
                           static_cast<std::uint8_t>(entry[at + 10]) << 16 |
                           static_cast<std::uint32_t>(static_cast<std::uint8_t>(entry[at + 11])) << 24;
    for (int b = 0; b < 4; ++b) entry[at + 12 + b] = static_cast<char>((offset >> (8 * b)) & 0xff);
    offset += length;
  }
  std::string header = {0, 0, 1, 0, static_cast<char>(sizes.size()), 0};
  return header + directory + images;
}

// An uncompressed GIF: a clear code before every pixel keeps the LZW code
// width at three bits, so no compressor is needed.
inline std::string gif(int width, int height) {
  std::string out = "GIF89a";
  auto le16 = [&](int v) { out += static_cast<char>(v & 0xff), out += static_cast<char>(v >> 8); };
  le16(width);
  le16(height);
  out += {static_cast<char>(0x80), 0, 0};                                    // global palette of 2 colours
  out += {static_cast<char>(0x33), 0x66, static_cast<char>(0xcc), 0, 0, 0};  // the palette
  out += ',';
  le16(0);
  le16(0);
  le16(width);
  le16(height);
  out += '\0';
  out += '\x02';  // minimum code size
  std::string data;
  std::uint32_t bits = 0;
  int bitCount = 0;
  auto emit = [&](int code) {
    bits |= static_cast<std::uint32_t>(code) << bitCount;
    bitCount += 3;
    while (bitCount >= 8) {
      data += static_cast<char>(bits & 0xff);
      bits >>= 8;
      bitCount -= 8;
    }
  };
  for (int i = 0; i < width * height; ++i) {
    emit(4);  // clear
    emit(0);  // palette entry 0
  }
  emit(5);  // end of information
  if (bitCount > 0) data += static_cast<char>(bits & 0xff);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    std::string block = data.substr(at, 255);
    out += static_cast<char>(block.size());
    out += block;
  }
  out += '\0';
  out += ';';
  return out;
}

inline std::string svg(int width, int height) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\"><rect width=\"100%\" height=\"100%\" fill=\"#36c\"/></svg>";
}

}  // namespace test_images
