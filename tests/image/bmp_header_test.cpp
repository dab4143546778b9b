// ParseBmpHeader: the plain description the reader decodes from.
#include <gtest/gtest.h>

#include "image/BmpHeader.h"
#include "testdata/BmpBuilder.h"

using namespace icnkit;

namespace {

using namespace testdata;

TEST(BmpHeader, DescribesRowsRle8AndUndecodedData) {
  TBmpSpec spec;
  spec.Width = 3;
  spec.Height = -2;
  spec.ColourTable = DistinctColours(4);
  spec.PixelData = BottomUpData({{1, 2, 3}, {4, 5, 6}});
  std::vector<uint8_t> file = MakeBmp(spec);
  TBmpHeader header = ParseBmpHeader(file);
  EXPECT_EQ(header.Pixels, TBmpPixels::Rows);
  EXPECT_EQ(header.Width, 3);
  EXPECT_EQ(header.Height, 2);
  EXPECT_TRUE(header.TopDown);
  EXPECT_EQ(header.Stride, 4);
  EXPECT_EQ(header.PixelOffset, 54 + 16);
  EXPECT_EQ(header.PixelBytes, 8);
  EXPECT_EQ(header.ColourTable, DistinctColours(4));

  // Bottom-up rows must all be there too: a file of a few bytes declaring
  // gigabytes of rows is refused before anything is allocated.
  spec.Height = 2;
  file = MakeBmp(spec);
  file.resize(file.size() - 3);
  EXPECT_THROW(ParseBmpHeader(file), TZtError);

  // RLE8 codes end at the declared file size or the file's end, whichever
  // comes first; the expanded image reports no compression.
  spec.Compression = kBiRle8;
  spec.PixelData = {2, 1, 0, 0, 2, 3, 0, 1};
  spec.FileSizeField = 54 + 16 + 6;
  header = ParseBmpHeader(MakeBmp(spec));
  EXPECT_EQ(header.Pixels, TBmpPixels::Rle8);
  EXPECT_EQ(header.Compression, kBiRgb);
  EXPECT_EQ(header.PixelBytes, 6);
  spec.FileSizeField = 0xFFFFFFFF;
  EXPECT_EQ(ParseBmpHeader(MakeBmp(spec)).PixelBytes, 8);
  spec.FileSizeField = 10;  // before the pixel data: no codes
  EXPECT_EQ(ParseBmpHeader(MakeBmp(spec)).PixelBytes, 0);

  // RLE4 keeps its code, its size and its table, and has no pixel bytes.
  spec.Compression = kBiRle4;
  spec.BitsPerPixel = 4;
  header = ParseBmpHeader(MakeBmp(spec));
  EXPECT_EQ(header.Pixels, TBmpPixels::Device);
  EXPECT_EQ(header.Compression, kBiRle4);
  EXPECT_EQ(header.ColourTable.size(), 4u);
  EXPECT_EQ(header.PixelBytes, 0);

  EXPECT_EQ(ParseBmpHeader({}).Pixels, TBmpPixels::None);
}

}  // namespace
