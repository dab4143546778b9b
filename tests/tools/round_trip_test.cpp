// Unpack then pack with the built tools gives back the archive byte for
// byte; an edited frame folder packs what was painted; and a failing pack
// never harms the archive it would replace.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "fs/Files.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"
#include "tools/PackerCommandLine.h"

using namespace icnkit;

using namespace packtest;

namespace {

struct TTools {
  const char* Unpacker;
  const char* Packer;
};

TTools ToolsOf(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? TTools{"dravel", "morlet"} : TTools{"dravix", "morvix"};
}

// Writes archive as folder/name, unpacks it, removes it, packs the frame
// folder again and returns what the packer wrote.
TBytes RoundTrip(TIcnGeneration generation, const std::string& folder, const std::string& name,
                 const TBytes& archive) {
  const TTools tools = ToolsOf(generation);
  WriteBytes(folder + name, archive);
  const TRunResult unpack = RunProgram(tools.Unpacker, {name}, folder);
  EXPECT_EQ(unpack.ExitCode, 0) << unpack.Stderr;
  std::remove((folder + name).c_str());
  const TRunResult pack = RunProgram(tools.Packer, {name}, folder);
  EXPECT_EQ(pack.ExitCode, 0) << pack.Stderr;
  EXPECT_EQ(pack.Stdout, "Operation succesful.\n");
  return FileExists(folder + name) ? ReadBytes(folder + name) : TBytes{};
}

TEST(PackRoundTrip, UnpackedArchivesPackBackByteForByte) {
  std::mt19937 random(2024);
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder work;
    // H2 keeps every bit of Bits in the record, fill-only when bit 5 is set.
    // H1 deduces the flag: normal frames in any archive, fill-only frames in
    // font.icn (all) and in .std archives (frame 0).
    std::vector<std::pair<std::string, TBytes>> archives;
    archives.emplace_back("empty.icn", TBytes(6, 0));
    for (int n = 0; n < 24; ++n) {
      const size_t frames = 1 + random() % 12;
      const bool h2 = generation == TIcnGeneration::H2;
      archives.emplace_back(ZtFormat("r%02d.icn", n),
                            RandomArchive(random, generation, frames, [h2](size_t, uint8_t bits) {
                              return h2 && (bits & 0x20) != 0;
                            }));
    }
    if (generation == TIcnGeneration::H1) {
      archives.emplace_back(
          "font.icn", RandomArchive(random, generation, 9, [](size_t, uint8_t) { return true; }));
      archives.emplace_back("walk.std", RandomArchive(random, generation, 5,
                                                      [](size_t i, uint8_t) { return i == 0; }));
    }
    for (const auto& [name, archive] : archives) {
      EXPECT_EQ(RoundTrip(generation, work.Path(), name, archive), archive) << name;
    }
  }
}

TEST(PackRoundTrip, EditedFramesPackWhatWasPainted) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder work;
    std::mt19937 random(7);
    // Frame 0: 3 x 3 at (0, 0); frame 1: 10 x 8 at (-2, -2). The frame
    // folder's bitmaps are 10 x 8 with their origin at (-2, -2).
    TIcnArchiveWriter writer(generation, 2);
    const TBytes small(9, 0x40);
    // Its last row and column are opaque, so erasing its first row and
    // column shrinks it by exactly one on those sides.
    TBytes large = RandomFramePixels(random, 10, 8);
    for (int32_t x = 0; x < 10; ++x) large[size_t(7 * 10 + x)] = 0x42;
    for (int32_t y = 0; y < 8; ++y) large[size_t(y * 10 + 9)] = 0x42;
    const TIcnFrame records[] = {{0, 0, 3, 3, 0, 0}, {-2, -2, 10, 8, 0, 0}};
    const TBytes* pixels[] = {&small, &large};
    for (size_t i = 0; i < 2; ++i) {
      writer.BeginFrame(i, records[i]);
      const int32_t w = records[i].Width, h = records[i].Height;
      if (generation == TIcnGeneration::H1) {
        EncodeH1Frame(writer.Buffer(), pixels[i]->data(), w, w, h, false);
      } else {
        EncodeH2Frame(writer.Buffer(), pixels[i]->data(), w, w, h, false);
      }
    }
    const TBytes archive = writer.Finish();
    WriteBytes(work / "a.icn", archive);
    ASSERT_EQ(RunProgram(ToolsOf(generation).Unpacker, {"a.icn"}, work.Path()).ExitCode, 0);

    // Paint outside frame 0's rectangle: it grows to reach the new pixel.
    TBytes bitmap0 = ReadBytes(work / "a.icn.cadres/0000.bmp");
    ASSERT_EQ(BmpPixel(bitmap0, 2, 2), 0x40);
    ASSERT_EQ(BmpPixel(bitmap0, 9, 7), 0);
    BmpPixel(bitmap0, 9, 7) = 0x41;
    WriteBytes(work / "a.icn.cadres/0000.bmp", bitmap0);
    // Erase frame 1's top row and left column: it shrinks.
    TBytes bitmap1 = ReadBytes(work / "a.icn.cadres/0001.bmp");
    for (int32_t x = 0; x < 10; ++x) BmpPixel(bitmap1, x, 0) = 0;
    for (int32_t y = 0; y < 8; ++y) BmpPixel(bitmap1, 0, y) = 0;
    WriteBytes(work / "a.icn.cadres/0001.bmp", bitmap1);

    ASSERT_EQ(RunProgram(ToolsOf(generation).Packer, {"a.icn.cadres"}, work.Path()).ExitCode, 0);
    const TBytes packed = ReadBytes(work / "a.icn");
    const TIcnFrame grown = RecordOf(packed, generation, 0);
    EXPECT_EQ(grown.Left, 0);
    EXPECT_EQ(grown.Top, 0);
    EXPECT_EQ(grown.Width, 8);
    EXPECT_EQ(grown.Height, 6);
    const TBytes frame0 = DecodedPixels(packed, generation, 0, false);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; ++x) {
        const uint8_t expected = x < 3 && y < 3 ? 0x40 : x == 7 && y == 5 ? 0x41 : 0;
        EXPECT_EQ(frame0[size_t(y * 8 + x)], expected) << x << "," << y;
      }
    }
    const TIcnFrame shrunk = RecordOf(packed, generation, 1);
    EXPECT_EQ(shrunk.Left, -1);
    EXPECT_EQ(shrunk.Top, -1);
    EXPECT_EQ(shrunk.Width, 9);
    EXPECT_EQ(shrunk.Height, 7);
    const TBytes frame1 = DecodedPixels(packed, generation, 1, false);
    for (int32_t y = 0; y < 7; ++y) {
      for (int32_t x = 0; x < 9; ++x) {
        EXPECT_EQ(frame1[size_t(y * 9 + x)], large[size_t((y + 1) * 10 + x + 1)]);
      }
    }
  }
}

// A folder with an archive a.icn (an old one, to be kept) and a frame
// folder whose one bitmap encodes to far more than 4096 bytes.
class TExistingArchive {
 public:
  TExistingArchive() {
    MakeFolder(Work / "a.icn.cadres");
    std::mt19937 random(3);
    TBytes pixels(100 * 100);
    for (uint8_t& p : pixels) p = uint8_t(0x10 + random() % 0xE0);
    WriteBytes(Work / "a.icn.cadres/0000.bmp", Bmp8(100, 100, pixels));
    WriteBytes(Work / "a.icn", Old);
  }
  // The old archive is there, whole, and nothing else was left behind.
  void ExpectUntouched() const {
    EXPECT_EQ(ReadBytes(Work / "a.icn"), Old);
    EXPECT_EQ(ListNames(Work.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));
  }
  TTempFolder Work;
  const TBytes Old = {0x01, 0x00, 0x0D, 0x00, 0x00, 0x00, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0x80};
};

TEST(PackDataSafety, AFailingPackLeavesTheOldArchiveWhole) {
  {
    // A bitmap of the wrong format.
    TExistingArchive folder;
    WriteBytes(folder.Work / "a.icn.cadres/0001.bmp", Bmp24(4, 4));
    const TRunResult run = RunProgram("morlet", {"a.icn"}, folder.Work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr, NativeSlashes("Morlet: Wrong bitmap format.\na.icn.cadres/0001.bmp\n"));
    folder.ExpectUntouched();
  }
}

TEST(PackDataSafety, AFullDiskLeavesTheOldArchiveWhole) {
  {
    // The disk fills while the archive is written: the file size limit stops
    // the write halfway (with SIGXFSZ ignored the write fails with EFBIG).
    TExistingArchive folder;
    const TRunResult run = RunProgram("morvix", {"a.icn"}, folder.Work.Path(), [] {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(run.ExitCode, 1);
    // The archive is named with the system's reason.
    EXPECT_EQ(run.Stderr, "Morvix: Cannot create file \"" +
                              NativeFs().FullPath(folder.Work / "a.icn") + "\". " +
                              NativeErrorText(EFBIG) + ".\n");
    folder.ExpectUntouched();
  }
}

TEST(PackDataSafety, AReadOnlyFolderLeavesTheOldArchiveWhole) {
  // A folder nothing can be created in, whoever runs the test: creating a
  // file there is refused as permissions would refuse it.
  TExistingArchive folder;
  TMemoryFileSystem readOnly;
  readOnly.AddFile("/w/a.icn", folder.Old);
  readOnly.AddFile("/w/a.icn.cadres/0000.bmp", ReadBytes(folder.Work / "a.icn.cadres/0000.bmp"));
  const auto before = readOnly.Files;
  readOnly.FailOn("BeginReplace", EACCES, 0, "/w/", /*opening=*/true);
  TCapturingReport report;
  TToolContext context{readOnly, report};
  EXPECT_EQ(RunPacker(context, TIcnGeneration::H1, {"morlet", "/w/a.icn"}), 1);
  ASSERT_EQ(report.Messages.size(), 1u);
  EXPECT_EQ(report.Messages[0].Text,
            "Cannot create file \"/w/a.icn\". " + NativeErrorText(EACCES) + ".");
  EXPECT_GE(readOnly.Calls("BeginReplace"), 1);  // tried, and refused
  EXPECT_EQ(readOnly.Files, before);
  EXPECT_TRUE(readOnly.Log.empty());
}

}  // namespace
