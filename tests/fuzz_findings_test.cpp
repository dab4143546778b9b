// Replays the inputs the fuzz targets once failed on (tests/data/corrupt/,
// the files other than the h1_*/h2_* archives, which the format tests
// replay): each must now end in its known message or load, and quickly.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/IndexedImage.h"
#include "support/ZtGraphics.h"
#include "support/ZtStreams.h"
#include "support/ZtSysUtils.h"
#include "tests/TestSupport.h"

namespace {

std::string LoadMessage(const std::string& path) {
  TZtMemoryStream stream(ReadBytes(path));
  TIndexedImage image;
  try {
    LoadBmpFromStream(stream, &image);
  } catch (const TZtError& error) {
    return error.what();
  }
  return "";
}

TEST(FuzzFindings, BitmapsEndInTheirMessages) {
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
  };
  size_t replayed = 0;
  for (const std::string& name : ListNames(TestDataPath("corrupt/"))) {
    if (name.rfind("bmp_", 0) != 0) continue;
    SCOPED_TRACE(name);
    const auto known = expected.find(name);
    ASSERT_NE(known, expected.end()) << "a finding without its expected outcome";
    EXPECT_EQ(LoadMessage(TestDataPath("corrupt/" + name)), known->second);
    ++replayed;
  }
  EXPECT_EQ(replayed, expected.size());
}

}  // namespace
