#include "platform/image.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/support/image_pixels.hpp"
#include "tests/support/picture_bytes.hpp"
#include "tests/support/temp_dir.hpp"

using platform::Image;

namespace {

using testing_support::bytesOf;
using testing_support::pixelAt;

// Whatever a picture declares, it is decoded at most 1024 pixels on a side
// (aspect kept) and reports its declared size; beyond what can be read within
// bounds it is refused from its header, before any pixel.
TEST(Picture, DecodingIsBoundedAndKeepsTheDeclaredSize) {
  using testing_support::pngBytes;
  std::string halves;  // left half red, right half blue
  for (int x = 0; x < 6000; ++x) halves += x < 3000 ? std::string("\xff\0\0", 3) : std::string("\0\0\xff", 3);
  const std::string bmp30000 =
      std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x30\x75\0\0\x30\x75\0\0\x01\0\x18\0", 30) +
      std::string(24, '\0');
  const std::tuple<const char*, std::string, const char*, const char*> rows[] = {
      // name, bytes, declared size ("refused": no picture), decoded size
      {"svg declaring 32000 x 16000", testing_support::svgOfSize(32000, 16000), "32000x16000", "1024x512"},
      {"png 6000 x 3000, read row by row", pngBytes(6000, 3000, 2, halves), "6000x3000", "1024x512"},
      {"png 2000 x 100, decoded whole", pngBytes(2000, 100, 0, std::string(2000, '\x80')), "2000x100", "1024x51"},
      {"gif 4096 x 4096 with 300 frames", testing_support::animatedGif(4096, 4096, 300), "4096x4096", "1024x1024"},
      {"png 30000 x 30000", pngBytes(30000, 30000, 0, "", false), "refused", ""},
      {"png 16000 x 16000 RGBA", pngBytes(16000, 16000, 6, "", false), "refused", ""},
      {"interlaced png 6000 x 6000", pngBytes(6000, 6000, 0, "", false, true), "refused", ""},
      {"bmp header of 30000 x 30000", bmp30000, "refused", ""},
      {"html", "<html><body>404</body></html>", "refused", ""},
  };
  for (const auto& [name, bytes, declared, decoded] : rows) {
    auto picture = platform::decodePicture(bytesOf(bytes));
    EXPECT_EQ(picture ? std::to_string(picture->width) + "x" + std::to_string(picture->height) : "refused", declared)
        << name;
    EXPECT_EQ(picture ? testing_support::sizeOf(picture->image) : "", decoded) << name;
  }
  auto halvesPicture = platform::decodePicture(bytesOf(pngBytes(6000, 3000, 2, halves)));
  EXPECT_EQ(pixelAt(halvesPicture->image, 100, 256), 0xffff0000u);
  EXPECT_EQ(pixelAt(halvesPicture->image, 923, 256), 0xff0000ffu);
}

// FIFOs and /dev/zero through the real process: the command line's hostile-input rows.
TEST(Picture, FilesOverTheCapAreNotRead) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "big.png", testing_support::pngBytes(10, 10, 0, std::string(10, '\0')));
  ASSERT_EQ(::truncate((dir / "big.png").c_str(), platform::maxPictureBytes + 1), 0);
  EXPECT_FALSE(Image::load(dir / "big.png"));
}

}  // namespace
