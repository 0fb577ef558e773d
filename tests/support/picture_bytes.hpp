#pragma once
// Pictures as raw file bytes, large ones included: rows that repeat compress
// to almost nothing, so a 16000-pixel PNG costs a test little to make.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <zlib.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/gobject_ptr.hpp"

namespace testing_support {

namespace detail {
inline void bigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}
inline std::string pngChunk(const char* kind, const std::string& data) {
  std::string chunk;
  bigEndian(chunk, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(kind, 4) + data;
  chunk += body;
  bigEndian(chunk, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
  return chunk;
}
}  // namespace detail

// A PNG of 8-bit samples (colour type 0 grey, 2 RGB, 6 RGBA) whose rows all
// hold `row`. With `rows` false it stops after its header: enough for
// anything that judges a PNG by its declared size.
inline std::string pngBytes(std::uint32_t width, std::uint32_t height, std::uint8_t colorType, const std::string& row,
                            bool rows = true, bool interlaced = false) {
  std::string header;
  detail::bigEndian(header, width);
  detail::bigEndian(header, height);
  header += std::string{8, static_cast<char>(colorType), 0, 0, static_cast<char>(interlaced ? 1 : 0)};
  std::string out = "\x89PNG\r\n\x1a\n" + detail::pngChunk("IHDR", header);
  if (rows) {
    const std::string line = std::string(1, '\0') + row;
    z_stream z{};
    deflateInit(&z, 6);
    std::string data, buffer(1 << 16, '\0');
    for (std::uint32_t y = 0; y <= height; ++y) {
      const bool last = y == height;
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(line.data()));
      z.avail_in = last ? 0 : static_cast<uInt>(line.size());
      do {
        z.next_out = reinterpret_cast<Bytef*>(buffer.data());
        z.avail_out = static_cast<uInt>(buffer.size());
        deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        data.append(buffer.data(), buffer.size() - z.avail_out);
      } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    out += detail::pngChunk("IDAT", data);
  }
  return out + detail::pngChunk("IEND", "");
}

inline std::span<const std::uint8_t> bytesOf(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// A one-colour picture as gdk-pixbuf writes it ("png", "jpeg", "ico").
inline std::string pictureFile(int width, int height, const char* type = "png") {
  auto pixbuf = platform::adoptGRef(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
  gdk_pixbuf_fill(pixbuf.get(), 0x3366ccff);
  gchar* buffer = nullptr;
  gsize size = 0;
  gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, type, nullptr, nullptr);
  const platform::GCharPtr owned(buffer);
  return buffer ? std::string(buffer, size) : std::string();
}

// A GIF whose screen is width x height and which has `frames` frames of one pixel.
inline std::string animatedGif(std::uint16_t width, std::uint16_t height, int frames) {
  std::string out = "GIF89a";
  out += std::string{static_cast<char>(width & 0xff), static_cast<char>(width >> 8), static_cast<char>(height & 0xff),
                     static_cast<char>(height >> 8), '\x80', 0, 0};
  out += std::string("\xff\0\0\0\0\0", 6);  // two-colour table
  const std::string frame("\x21\xf9\x04\x00\x0a\x00\x00\x00\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0", 23);
  for (int i = 0; i < frames; ++i) out += frame;
  return out + "\x3b";
}

inline std::string svgOfSize(int width, int height) {
  const std::string size = "width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" " + size + "><rect " + size + " fill=\"#f00\"/></svg>";
}

}  // namespace testing_support
