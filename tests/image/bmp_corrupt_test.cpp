// Replays the bitmaps that once broke the loader (tests/data/corrupt/bmp_*):
// each must now end in its known message or load, and quickly.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "fs/Files.h"
#include "image/FrameDrawing.h"
#include "image/IndexedImage.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

std::string LoadMessage(const std::string& path) {
  TIndexedImage image;
  try {
    image.LoadBmp(ReadBytes(path));
  } catch (const TZtError& error) {
    return error.what();
  }
  return "";
}

TEST(BmpCorruptFiles, BitmapsEndInTheirMessages) {
  // name -> what the loader says ("" when it loads).
  const std::map<std::string, std::string> expected = {
      // Bottom-up, 65535 bits per pixel: the image-size field was computed
      // as stride x height beyond 64 bits.
      {"bmp_image_size_overflow.bmp", "Stream read error"},
      // Top-down with the same depth: the flip computed the same product.
      {"bmp_topdown_deep_rows.bmp", "Bitmap too large: 1000000 x 2147483647"},
      // Top-down, depth 0 and 2^31 rows of no bytes: the flip read each of
      // them, which took minutes.
      {"bmp_topdown_empty_rows.bmp", "Bitmap image is not valid"},
      // bmp/im_8bit_b.bmp with its pixel-data offset 0, and
      // bmp/im_8bit_v5_none_b.bmp made top-down with the offset 54, inside
      // its 124-byte info header: both were read with shifted pixels.
      {"bmp_pixel_offset_zero.bmp", "Bitmap image is not valid"},
      {"bmp_topdown_offset_inside_info_header.bmp", "Bitmap image is not valid"},
      // About 1 KB each declaring 65535 x 65535 pixels (RLE8; uncompressed
      // with 1000 bytes of rows; a core header without pixels): 4 to 8 GiB
      // were allocated before the pixel bound.
      {"bmp_rle8_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      {"bmp_rows_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      {"bmp_core_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      // 16384 x 16384, within the bound, with 1000 bytes of its 256 MiB of
      // rows: loaded with the rest 0 before rows became mandatory.
      {"bmp_truncated_rows.bmp", "Stream read error"},
  };
  ReplayCorruptFiles("bmp_", expected, [&](const std::string& name, const std::string& outcome) {
    EXPECT_EQ(LoadMessage(TestDataPath("corrupt/" + name)), outcome);
  });
}

}  // namespace
