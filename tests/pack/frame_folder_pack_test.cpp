// Archive assembly from a frame folder, in process: trimming, records,
// streams, "setup.ini", frame order, the limits and the failures.
#include <gtest/gtest.h>

#include <random>

#include "fs/Files.h"
#include "image/IndexedImage.h"
#include "image/TrimBox.h"
#include "pack/FrameFolderPack.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"

using namespace icnkit;

using namespace packtest;

namespace {

// A frame folder "a.icn.cadres/" in a temporary folder, and its archive.
class TPackFixture {
 public:
  TPackFixture() { MakeFolder(Folder()); }
  std::string Folder() const { return Temp / "a.icn.cadres/"; }
  std::string Archive() const { return Temp / "a.icn"; }
  void Bitmap(const std::string& name, const TBytes& bytes) const {
    WriteBytes(Folder() + name, bytes);
  }
  void Setup(const std::string& text) const { WriteText(Folder() + "setup.ini", text); }
  TBytes Pack(TIcnGeneration generation) {
    FrameFile = "(before)";
    PackFrameFolder(*Fs, PackerGeneration(generation), Archive(), Folder(), FrameFile);
    return ReadBytes(Archive());
  }
  // The message of the failure that packing raises ("" when none).
  std::string PackFailure(TIcnGeneration generation) {
    FrameFile = "(before)";
    try {
      PackFrameFolder(*Fs, PackerGeneration(generation), Archive(), Folder(), FrameFile);
    } catch (const TZtError& failure) {
      return failure.what();
    }
    return "";
  }
  TTempFolder Temp;
  TFileSystem* Fs = &NativeFs();
  std::string FrameFile;  // the bitmap PackFrameFolder named last
};

TBytes OnePixel(int32_t width, int32_t height, int32_t x, int32_t y, uint8_t index) {
  TBytes pixels(size_t(width) * size_t(height), 0);
  pixels[size_t(y) * size_t(width) + size_t(x)] = index;
  return pixels;
}

// The reference trim box: every pixel visited, as simply as it can be said.
TRectangle NaiveTrimBox(const TIndexedImage& image) {
  int32_t left = image.Width(), top = image.Height(), right = -1, bottom = -1;
  for (int32_t y = 0; y < image.Height(); ++y) {
    for (int32_t x = 0; x < image.Width(); ++x) {
      if (image.RowAddress(y)[x] == 0) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return {left, top, right + 1 - left, bottom + 1 - top};
}

TEST(TrimBox, MatchesAPixelByPixelScan) {
  TIndexedImage image;
  EXPECT_EQ(TrimBox(image), TRectangle{});  // no pixels at all
  image.Create8Bit(0, 5, {});
  EXPECT_EQ(TrimBox(image), TRectangle{});
  image.Create8Bit(37, 9, {});
  EXPECT_EQ(TrimBox(image), TRectangle{});  // all transparent
  image.RowAddress(1)[2] = 7;
  EXPECT_EQ(TrimBox(image), (TRectangle{2, 1, 1, 1}));

  // Sparse pixels at every offset against the eight-pixel words of the scan.
  std::mt19937 random(5);
  for (int round = 0; round < 400; ++round) {
    const int32_t width = 1 + int32_t(random() % 70), height = 1 + int32_t(random() % 12);
    image.Create8Bit(width, height, {});
    const int dots = int(random() % 5);
    for (int d = 0; d < dots; ++d) {
      image.RowAddress(int32_t(random() % uint32_t(height)))[random() % uint32_t(width)] =
          uint8_t(1 + random() % 255);
    }
    ASSERT_EQ(TrimBox(image), NaiveTrimBox(image)) << width << " x " << height;
  }
}

TEST(PackFrameFolder, EmptyFolderIsTheSixByteHeader) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TPackFixture fixture;
    EXPECT_EQ(fixture.Pack(generation), TBytes(6, 0));
    EXPECT_EQ(fixture.FrameFile, "");
  }
}

TEST(PackFrameFolder, TrimsToTheOpaquePixelsAndAddsTheOrigin) {
  TPackFixture fixture;
  fixture.Setup("[Position]\nX=-10\nY=5\n");
  fixture.Bitmap("0000.bmp", Bmp8(4, 3, OnePixel(4, 3, 2, 1, 9)));
  // Opaque pixels on all four edges: nothing is trimmed.
  fixture.Bitmap("0001.bmp", Bmp8(5, 4, {0, 0, 3, 0, 0,  //
                                         4, 0, 0, 0, 0,  //
                                         0, 0, 0, 0, 6,  //
                                         0, 8, 0, 0, 0}));
  // All transparent: no size, at the origin, the end-of-frame code alone.
  fixture.Bitmap("0002.bmp", Bmp8(6, 2, TBytes(12, 0)));
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    const TBytes archive = fixture.Pack(generation);
    const TIcnFrame trimmed = RecordOf(archive, generation, 0);
    EXPECT_EQ(trimmed.Left, -8);
    EXPECT_EQ(trimmed.Top, 6);
    EXPECT_EQ(trimmed.Width, 1);
    EXPECT_EQ(trimmed.Height, 1);
    EXPECT_EQ(StreamOf(archive, generation, 0), generation == TIcnGeneration::H1
                                                    ? TBytes({0x01, 0x09, 0x00, 0x80})
                                                    : TBytes({0xC0, 0x55, 0x00, 0x80}));
    const TIcnFrame whole = RecordOf(archive, generation, 1);
    EXPECT_EQ(whole.Left, -10);
    EXPECT_EQ(whole.Top, 5);
    EXPECT_EQ(whole.Width, 5);
    EXPECT_EQ(whole.Height, 4);
    EXPECT_EQ(DecodedPixels(archive, generation, 1, false),
              TBytes({0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 8, 0, 0, 0}));
    const TIcnFrame blank = RecordOf(archive, generation, 2);
    EXPECT_EQ(blank.Left, -10);
    EXPECT_EQ(blank.Top, 5);
    EXPECT_EQ(blank.Width, 0);
    EXPECT_EQ(blank.Height, 0);
    EXPECT_EQ(StreamOf(archive, generation, 2), TBytes({0x80}));
    // Header written last; the streams follow the table without gaps.
    EXPECT_EQ(FrameCount(archive), 3);
    EXPECT_EQ(GetU32(archive, 2), archive.size() - 6);
    EXPECT_EQ(RecordOf(archive, generation, 0).DataOffset,
              3 * PackerGeneration(generation).Format.RecordSize);
  }
}

TEST(PackFrameFolder, BitsGiveTheFlagAndInH2TheRecordByte) {
  TPackFixture fixture;
  fixture.Setup("[Bits]\n0000.bmp=288\n0001.bmp=33\n0002.bmp=1\n");
  for (const char* name : {"0000.bmp", "0001.bmp", "0002.bmp", "0003.bmp"}) {
    fixture.Bitmap(name, Bmp8(1, 1, {0x40}));
  }
  const TBytes normal = {0x01, 0x40, 0x00, 0x80};
  const TBytes fillOnly = {0x01, 0x00, 0x80};

  const TBytes h2 = fixture.Pack(TIcnGeneration::H2);
  const uint8_t bits[] = {0x20, 0x21, 0x01, 0x00};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(RecordOf(h2, TIcnGeneration::H2, i).Bits, bits[i]) << i;
    EXPECT_EQ(StreamOf(h2, TIcnGeneration::H2, i), i < 2 ? fillOnly : normal) << i;
  }
  // H1 keeps the flag only: 12-byte records, nothing else of the value.
  const TBytes h1 = fixture.Pack(TIcnGeneration::H1);
  EXPECT_EQ(RecordOf(h1, TIcnGeneration::H1, 0).DataOffset, 4 * 12u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(StreamOf(h1, TIcnGeneration::H1, i), i < 2 ? fillOnly : normal) << i;
  }
  EXPECT_EQ(h1.size(), 6 + 4 * 12 + 2 * fillOnly.size() + 2 * normal.size());
}

TEST(PackFrameFolder, SecondDataOffsetFollowsTheFirstStream) {
  TPackFixture fixture;
  fixture.Bitmap("0000.bmp", Bmp8(3, 2, {0x20, 0x21, 0x22, 0, 0x23, 0}));
  fixture.Bitmap("0001.bmp", Bmp8(1, 1, {0x30}));
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    const TBytes archive = fixture.Pack(generation);
    const size_t r = PackerGeneration(generation).Format.RecordSize;
    // 03 20 21 22 00 | 81 01 23 00 | 80
    EXPECT_EQ(StreamOf(archive, generation, 0).size(), 10u);
    EXPECT_EQ(RecordOf(archive, generation, 1).DataOffset, 2 * r + 10);
  }
}

TEST(PackFrameFolder, EmptyBitmapFilesAreTransparentFrames) {
  // What an unpacker writes for a folder whose frames all have no size.
  TPackFixture fixture;
  fixture.Setup("[Position]\nX=3\nY=-4\n");
  fixture.Bitmap("0000.bmp", Bmp8(2, 1, {0, 7}));
  fixture.Bitmap("0001.bmp", {});
  fixture.Bitmap("0002.bmp", Bmp8(1, 2, {7, 0}));
  const TBytes archive = fixture.Pack(TIcnGeneration::H2);
  const TIcnFrame empty = RecordOf(archive, TIcnGeneration::H2, 1);
  EXPECT_EQ(empty.Left, 3);
  EXPECT_EQ(empty.Top, -4);
  EXPECT_EQ(empty.Width, 0);
  EXPECT_EQ(empty.Height, 0);
  EXPECT_EQ(StreamOf(archive, TIcnGeneration::H2, 1), TBytes({0x80}));
  // The image reused after the empty load still reads the next bitmap.
  EXPECT_EQ(RecordOf(archive, TIcnGeneration::H2, 0).Left, 4);
  EXPECT_EQ(RecordOf(archive, TIcnGeneration::H2, 2).Height, 1);
  EXPECT_EQ(RecordOf(archive, TIcnGeneration::H2, 2).Left, 3);
}

TEST(PackFrameFolder, OnlyBitmapFilesInNaturalOrderAreFrames) {
  TPackFixture fixture;
  // 10001 frames: frame i is (i / 255 + 1) pixels of index i % 255 + 1.
  const int kFrames = 10001;
  for (int i = 0; i < kFrames; ++i) {
    const int32_t width = i / 255 + 1;
    fixture.Bitmap(ZtFormat("%.4d.bmp", i),
                   Bmp8(width, 1, TBytes(size_t(width), uint8_t(i % 255 + 1)), 2));
  }
  MakeFolder(fixture.Folder() + "x.bmp");  // a folder is no frame
  fixture.Bitmap("notes.txt", {1, 2, 3});
  const TBytes archive = fixture.Pack(TIcnGeneration::H1);
  ASSERT_EQ(FrameCount(archive), kFrames);
  for (int i = 0; i < kFrames; ++i) {
    const TIcnFrame record = RecordOf(archive, TIcnGeneration::H1, size_t(i));
    const size_t at = FrameDataAt(archive, record);
    ASSERT_EQ(record.Width, i / 255 + 1) << i;
    ASSERT_EQ(archive[at + 1], i % 255 + 1) << i;
  }
}

TEST(PackFrameFolder, TopDownAndRle8BitmapsPackLikePlainOnes) {
  const TBytes pixels = {0, 0, 0, 0,  //
                         0, 7, 7, 0,  //
                         0, 9, 0, 0};
  TPackFixture fixture;
  fixture.Bitmap("0000.bmp", Bmp8(4, 3, pixels));
  const TBytes plain = fixture.Pack(TIcnGeneration::H2);
  // Top-down: negative height, rows stored from the top.
  fixture.Bitmap("0000.bmp", BmpFile(4, -3, 8, 256, pixels));
  EXPECT_EQ(fixture.Pack(TIcnGeneration::H2), plain);
  // RLE8, bottom row first: (count, index) pairs, end of line, end of bitmap.
  TBytes rle = BmpFile(4, 3, 8, 256, {1, 0, 1, 9, 2, 0, 0, 0,  //
                                      1, 0, 2, 7, 1, 0, 0, 0,  //
                                      4, 0, 0, 0, 0, 1});
  PutU32(rle, 30, 1);  // compression: RLE8
  fixture.Bitmap("0000.bmp", rle);
  EXPECT_EQ(fixture.Pack(TIcnGeneration::H2), plain);
  EXPECT_EQ(RecordOf(plain, TIcnGeneration::H2, 0).Top, 1);
  EXPECT_EQ(RecordOf(plain, TIcnGeneration::H2, 0).Width, 2);
}

TEST(PackFrameFolder, NamesMatchInAnyLetterCase) {
  TPackFixture fixture;
  fixture.Setup("[Bits]\nB.bmp=32\n");
  fixture.Bitmap("a.BMP", Bmp8(1, 1, {0x40}));
  fixture.Bitmap("b.Bmp", Bmp8(1, 1, {0x40}));  // its key matches regardless of case too
  const TBytes archive = fixture.Pack(TIcnGeneration::H2);
  ASSERT_EQ(FrameCount(archive), 2);
  EXPECT_EQ(RecordOf(archive, TIcnGeneration::H2, 1).Bits, 32);
}

TEST(PackFrameFolder, WrongFormatNamesTheBitmapAndWritesNothing) {
  TPackFixture fixture;
  fixture.Bitmap("0000.bmp", Bmp8(1, 1, {1}));
  fixture.Bitmap("0001.bmp", Bmp8(1, 1, {1}));
  fixture.Bitmap("0002.bmp", Bmp24(2, 2));
  EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H1), "Wrong bitmap format");
  EXPECT_EQ(fixture.FrameFile, fixture.Folder() + "0002.bmp");
  EXPECT_FALSE(FileExists(fixture.Archive()));

  const TBytes old = {1, 2, 3, 4, 5};
  WriteBytes(fixture.Archive(), old);
  EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H2), "Wrong bitmap format");
  EXPECT_EQ(ReadBytes(fixture.Archive()), old);
  EXPECT_EQ(ListNames(fixture.Temp.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));

  // A file that is no bitmap at all: the loader's own message, same path.
  fixture.Bitmap("0002.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
  EXPECT_NE(fixture.PackFailure(TIcnGeneration::H2), "");
  EXPECT_EQ(fixture.FrameFile, fixture.Folder() + "0002.bmp");
  EXPECT_EQ(ReadBytes(fixture.Archive()), old);
}

// Compressed pixels the loader does not decode are artwork in a wrong format,
// not the empty frame a 0-byte file stands for.
TEST(PackFrameFolder, CompressedBitmapsAreAWrongFormatNotEmptyFrames) {
  TPackFixture fixture;
  fixture.Bitmap("0000.bmp", Bmp8(1, 1, {1}));
  const TBytes old = {1, 2, 3, 4, 5};
  WriteBytes(fixture.Archive(), old);
  // depth, compression: RLE4, RLE8 of 4 bits, JPEG, PNG, alpha bit fields,
  // CMYK, an unknown code, OS/2's RLE24.
  const std::pair<uint16_t, uint32_t> kinds[] = {{4, 2},  {4, 1},   {0, 4},   {0, 5},
                                                 {32, 6}, {32, 11}, {8, 100}, {24, 4}};
  std::vector<TBytes> files = {ReadBytes(TestDataPath("bmp/rle4_a.bmp"))};
  for (const auto& [bits, compression] : kinds) {
    files.push_back(BmpFile(4, 2, bits, bits == 4 ? 16 : 0, {0xFF, 0xD8, 'P', 'N', 'G', 0, 0, 1}));
    PutU32(files.back(), 30, compression);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    fixture.Bitmap("0001.bmp", files[i]);
    EXPECT_EQ(fixture.PackFailure(i % 2 ? TIcnGeneration::H1 : TIcnGeneration::H2),
              "Wrong bitmap format");
    EXPECT_EQ(fixture.FrameFile, fixture.Folder() + "0001.bmp");
    EXPECT_EQ(ReadBytes(fixture.Archive()), old);
  }
  // The tool says so, names the file and leaves the archive as it was.
  fixture.Bitmap("0001.bmp", files[0]);
  const TRunResult run = RunProgram("morlet", {"a.icn"}, fixture.Temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, NativeSlashes("Morlet: Wrong bitmap format.\na.icn.cadres/0001.bmp\n"));
  EXPECT_EQ(ReadBytes(fixture.Archive()), old);
  // 8-bit bit fields stay a bitmap that is not valid; a 0-byte file stays
  // an empty frame.
  TBytes fields = Bmp8(1, 1, {1});
  PutU32(fields, 30, 3);
  fixture.Bitmap("0001.bmp", fields);
  EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H1), "Bitmap image is not valid");
  fixture.Bitmap("0001.bmp", {});
  const TBytes archive = fixture.Pack(TIcnGeneration::H1);
  EXPECT_EQ(RecordOf(archive, TIcnGeneration::H1, 1).Width, 0);
  EXPECT_EQ(StreamOf(archive, TIcnGeneration::H1, 1), TBytes({0x80}));
}

TEST(PackFrameFolder, FramesBeyondTheRecordFieldsAreRejected) {
  {
    // Positions: -32768..32767 after the trim offset is added.
    TPackFixture fixture;
    fixture.Bitmap("0000.bmp", Bmp8(2, 1, {0, 1}));
    fixture.Setup("[Position]\nX=32766\nY=-32768\n");
    EXPECT_EQ(RecordOf(fixture.Pack(TIcnGeneration::H1), TIcnGeneration::H1, 0).Left, 32767);
    fixture.Setup("[Position]\nX=32767\n");
    EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H1), "Frame out of range");
    EXPECT_EQ(fixture.FrameFile, fixture.Folder() + "0000.bmp");
    fixture.Setup("[Position]\nY=-32769\n");
    EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H2), "Frame out of range");
    fixture.Setup("[Position]\nX=-2147483648\nY=2147483647\n");
    EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H2), "Frame out of range");
  }
  {
    // Sizes: at most 65535 after trimming.
    TPackFixture fixture;
    TBytes row(65536, 0);
    row[0] = row[65535] = 1;
    fixture.Bitmap("0000.bmp", Bmp8(65536, 1, row, 2));
    EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H1), "Frame out of range");
    EXPECT_EQ(fixture.FrameFile, fixture.Folder() + "0000.bmp");
    row[0] = 0;  // trimmed to 65535: fits
    row[1] = 1;
    fixture.Bitmap("0000.bmp", Bmp8(65536, 1, row, 2));
    EXPECT_EQ(RecordOf(fixture.Pack(TIcnGeneration::H1), TIcnGeneration::H1, 0).Width, 65535);
  }
}

// A folder listing of 65536 bitmaps, without the files behind it; the
// files read, in order.
class TManyBitmapsFileSystem : public TMemoryFileSystem {
 public:
  TFolderListing ListFolder(const std::string& /*folder*/) override {
    TFolderListing entries;
    for (int i = 0; i <= 65535; ++i) entries.Add(ZtFormat("%.4d.bmp", i), TPathKind::File);
    return entries;
  }
  std::vector<uint8_t> ReadFile(const std::string& path) override {
    Reads.push_back(path);
    return TMemoryFileSystem::ReadFile(path);
  }
  std::vector<std::string> Reads;
};

TEST(PackFrameFolder, MoreFramesThanTheHeaderCountsFailBeforeAnyIsRead) {
  TPackFixture fixture;
  TManyBitmapsFileSystem platform;
  platform.AddFolder(fixture.Folder());
  fixture.Fs = &platform;
  EXPECT_EQ(fixture.PackFailure(TIcnGeneration::H2), "Too many frames: 65536");
  EXPECT_EQ(fixture.FrameFile, "(before)");
  // No bitmap read, nothing written.
  EXPECT_EQ(platform.Reads, std::vector<std::string>{fixture.Folder() + "setup.ini"});
  EXPECT_TRUE(platform.Log.empty());
}

}  // namespace
