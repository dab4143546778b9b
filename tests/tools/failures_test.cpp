// Fault injection: a disk that fills, places that cannot be written, a
// broken palette bitmap, and archives and bitmaps cut at every byte. Each
// failure must end in its message and exit status 1, leave nothing existing
// damaged and no temporary file behind; no cut input may crash.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fs/Files.h"
#include "pack/FrameFolderPack.h"
#include "pack/PackerGeneration.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"
#include "tests/unpack/UnpackTestArchives.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

using TBytes = std::vector<uint8_t>;
constexpr TIcnGeneration kH1 = TIcnGeneration::H1;
constexpr TIcnGeneration kH2 = TIcnGeneration::H2;

// Files may grow to 4 KiB: a 100 x 100 frame bitmap (11 KiB) cannot be
// written, the settings file can.
void FillTheDiskAt4KiB() {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Two frames, the second 100 x 100, so every bitmap of the folder is large.
TBytes LargeArchive(TIcnGeneration generation) {
  return unpack_testing::BuildArchive(generation,
                                      {unpack_testing::SolidFrame(generation, -3, -4, 5, 5, 9),
                                       unpack_testing::SolidFrame(generation, 0, 0, 100, 100, 17)});
}

const char* Unpacker(TIcnGeneration generation) {
  return generation == kH1 ? "dravel" : "dravix";
}
std::string Caption(const char* program) {
  std::string caption = program;
  caption[0] = char(caption[0] - 'a' + 'A');
  return caption + ": ";
}

// Every file below folder with its bytes, so that "nothing changed" and "no
// temporary file left" are one comparison.
using TTree = std::map<std::string, TBytes>;
void Snapshot(const std::string& folder, const std::string& prefix, TTree& tree) {
  for (const std::string& name : ListNames(folder)) {
    const std::string path = folder + name;
    if (IsDirectory(NativeFs(), path)) {
      tree[prefix + name + "/"] = {};
      Snapshot(path + "/", prefix + name + "/", tree);
    } else {
      tree[prefix + name] = ReadBytes(path);
    }
  }
}
TTree Snapshot(const std::string& folder) {
  TTree tree;
  Snapshot(folder, "", tree);
  return tree;
}
std::set<std::string> Names(const TTree& tree) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : tree) names.insert(name);
  return names;
}

TEST(DiskFull, UnpackingStopsWithAnErrorBoxAndReplacesNothingHalfway) {
  for (const TIcnGeneration generation : {kH1, kH2}) {
    SCOPED_TRACE(Unpacker(generation));
    TTempFolder work;
    WriteBytes(work / "a.icn", LargeArchive(generation));
    TRunResult run = RunProgram(Unpacker(generation), {"a.icn"}, work.Path(), FillTheDiskAt4KiB);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stdout, "");
    // The bitmap is named, as for every other write failure.
    EXPECT_EQ(run.Stderr, Caption(Unpacker(generation)) + "Cannot create file \"" +
                              (work / "a.icn.cadres/0000.bmp") + "\". " + NativeErrorText(EFBIG) +
                              ".\na.icn\n");
    // Only the settings file was written; no half bitmap, no temporary file.
    EXPECT_EQ(Names(Snapshot(work.Path())),
              (std::set<std::string>{"a.icn", "a.icn.cadres/", "a.icn.cadres/setup.ini"}));

    // Unpacked once whole, then again on a full disk: the bitmaps of the
    // first run stay as they were.
    run = RunProgram(Unpacker(generation), {"a.icn"}, work.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    const TTree before = Snapshot(work.Path());
    run = RunProgram(Unpacker(generation), {"a.icn"}, work.Path(), FillTheDiskAt4KiB);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Snapshot(work.Path()), before);
  }
}

TEST(DiskFull, PackingLeavesTheOldArchiveByteIdentical) {
  // morvix is covered beside the other data-safety tests; here morlet, and
  // the frame folder is checked too.
  TTempFolder work;
  WriteBytes(work / "a.icn", LargeArchive(kH1));
  ASSERT_EQ(RunProgram("dravel", {"a.icn"}, work.Path()).ExitCode, 0);
  const TBytes old = unpack_testing::BuildArchive(kH1, {});
  WriteBytes(work / "a.icn", old);
  const TTree before = Snapshot(work.Path());
  const TRunResult run = RunProgram("morlet", {"a.icn"}, work.Path(), FillTheDiskAt4KiB);
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Cannot create file \"" + NativeFs().FullPath(work / "a.icn") +
                            "\". File too large.\n");
  EXPECT_EQ(Snapshot(work.Path()), before);
}

TEST(UnwritablePlaces, EachGivesItsMessageAndDamagesNothing) {
  TTempFolder work;
  const TBytes archive = LargeArchive(kH2);
  {
    // The frame folder's path runs through a file (this works as root too,
    // where permission bits do not stop anything).
    WriteBytes(work / "a.icn", archive);
    WriteText(work / "a.icn.cadres", "not a folder");
    const TTree before = Snapshot(work.Path());
    const TRunResult run = RunProgram("dravix", {"a.icn"}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr,
              NativeSlashes("Dravix: Unable to write to a.icn.cadres/setup.ini.\na.icn\n"));
    EXPECT_EQ(Snapshot(work.Path()), before);
  }
  {
    // "setup.ini" is a folder: the unpacker cannot write it, the packer
    // cannot read it (and must not pack every frame at 0, 0 without flags).
    ::mkdir((work / "b.icn.cadres").c_str(), 0755);
    ::mkdir((work / "b.icn.cadres/setup.ini").c_str(), 0755);
    WriteBytes(work / "b.icn", archive);
    const TTree before = Snapshot(work.Path());
    TRunResult run = RunProgram("dravix", {"b.icn"}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr,
              NativeSlashes("Dravix: Unable to write to b.icn.cadres/setup.ini.\nb.icn\n"));
    EXPECT_EQ(Snapshot(work.Path()), before);
    WriteBytes(work / "b.icn.cadres/0000.bmp", packtest::Bmp8(2, 1, {7, 7}));
    const TTree withBitmap = Snapshot(work.Path());
    run = RunProgram("morvix", {"b.icn"}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    const uint32_t code = FolderAsFileError();  // "Is a directory" on POSIX
    EXPECT_EQ(run.Stderr, "Morvix: Cannot open file \"" +
                              NativeFs().FullPath(work / "b.icn.cadres/setup.ini") + "\". " +
                              NativeErrorText(code) + ".\n");
    EXPECT_EQ(Snapshot(work.Path()), withBitmap);
  }
  {
    // The archive to write is a folder.
    ::mkdir((work / "c.icn").c_str(), 0755);
    WriteText(work / "c.icn/keep.txt", "keep");
    ::mkdir((work / "c.icn.cadres").c_str(), 0755);
    WriteBytes(work / "c.icn.cadres/0000.bmp", packtest::Bmp8(2, 1, {7, 7}));
    const TTree before = Snapshot(work.Path());
    const TRunResult run = RunProgram("morlet", {"c.icn.cadres"}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr, "Morlet: Cannot create file \"" + (work / "c.icn") + "\". " +
                              NativeErrorText(FolderAsFileError()) + ".\n");
    EXPECT_EQ(Snapshot(work.Path()), before);
  }
}

TEST(UnwritablePlaces, ReadOnlyFrameFolderKeepsItsBitmaps) {
  TMemoryFileSystem fs;
  fs.AddFile("/w/a.icn", LargeArchive(kH1));
  fs.AddFile("/opt/icnkit/H1Palette.bmp", ReadBytes(BinPath("H1Palette.bmp")));
  TCapturingReport report;
  TToolContext context{fs, report};
  ASSERT_EQ(RunUnpacker(context, kDravelGeneration, {"dravel", "/w/a.icn"}), 0);
  fs.Files["/w/a.icn"] =
      unpack_testing::BuildArchive(kH1, {unpack_testing::SolidFrame(kH1, 0, 0, 4, 4, 3)});
  const TTree before = fs.Files;
  // A folder nothing can be created in, whoever runs the test: every
  // creation inside it is refused as permissions would refuse it.
  for (const char* method : {"BeginReplace", "WriteNewFile", "MakeFolder", "CopyFile"}) {
    fs.FailOn(method, EACCES, 0, "/w/a.icn.cadres/", /*opening=*/true);
  }
  report.Messages.clear();
  EXPECT_EQ(RunUnpacker(context, kDravelGeneration, {"dravel", "/w/a.icn"}), 1);
  ASSERT_EQ(report.Messages.size(), 1u);
  EXPECT_EQ(report.Messages[0].Text, std::string("Unable to write to /w/a.icn.cadres") +
                                         NativePathStyle().Delimiter + "setup.ini.\r\n/w/a.icn");
  EXPECT_TRUE(report.Messages[0].Error);
  EXPECT_EQ(fs.Files, before);
}

// The unpackers read the palette from their own folder: a copy of the
// executable beside a prepared palette bitmap.
TRunResult UnpackWithPalette(const TTempFolder& bin, const TTempFolder& work,
                             const TBytes* palette) {
  WriteBytes(bin / "dravel", ReadBytes(BinPath("dravel")));
  ::chmod((bin / "dravel").c_str(), 0755);
  ::unlink((bin / "H1Palette.bmp").c_str());
  if (palette != nullptr) WriteBytes(bin / "H1Palette.bmp", *palette);
  return RunProgram(bin / "dravel", {"a.icn"}, work.Path());
}

TEST(BrokenPalette, MissingTruncatedOrTwentyFourBitEndTheRun) {
  TTempFolder bin, work;
  WriteBytes(work / "a.icn", LargeArchive(kH1));
  // An earlier unpack's folder, which a failing run must leave as it is
  // (its setup.ini keys are rewritten with the same values).
  ASSERT_EQ(RunProgram("dravel", {"a.icn"}, work.Path()).ExitCode, 0);
  const TTree before = Snapshot(work.Path());
  const std::string palettePath = bin / "H1Palette.bmp";
  const TBytes good = ReadBytes(BinPath("H1Palette.bmp"));

  TRunResult run = UnpackWithPalette(bin, work, nullptr);
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Palette not found: \"" + palettePath + "\", \"" +
                            (bin / "../share/icnkit/H1Palette.bmp") + "\".\na.icn\n");
  EXPECT_EQ(Snapshot(work.Path()), before);

  const TBytes truncated(good.begin(), good.begin() + 300);
  run = UnpackWithPalette(bin, work, &truncated);
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Stream read error.\na.icn\n");
  EXPECT_EQ(Snapshot(work.Path()), before);

  // A 24-bit file has no colour table for the bitmaps to carry.
  const TBytes deep = packtest::Bmp24(4, 4);
  run = UnpackWithPalette(bin, work, &deep);
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Wrong bitmap format: " + palettePath + ".\na.icn\n");
  EXPECT_EQ(Snapshot(work.Path()), before);

  run = UnpackWithPalette(bin, work, &good);
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
}

bool IsContainerMessage(const std::string& message) {
  return message == "Invalid archive: file shorter than its header" ||
         message == "Invalid archive: frame table runs past the end of the file" ||
         (message.rfind("Invalid archive: frame ", 0) == 0 &&
          message.find(" starts outside the file") != std::string::npos);
}

TEST(TruncatedInputs, ArchivesCutAtEveryByteUnpackOrFailWithTheContainersMessage) {
  for (const TIcnGeneration generation : {kH1, kH2}) {
    const TUnpackerGeneration& unpacker = UnpackerGeneration(generation);
    std::mt19937 random(5);
    const TBytes whole = unpack_testing::BuildArchive(
        generation,
        {unpack_testing::SolidFrame(generation, -2, -1, 4, 3, 6),
         unpack_testing::TTestFrame{
             unpack_testing::Record(1, 1, 5, 2, 0x20),
             unpack_testing::EncodeFrame(generation, {0, 0, 7, 7, 0, 3, 0, 0, 0, 0}, 5, 2, true)},
         unpack_testing::TTestFrame{
             unpack_testing::Record(0, 0, 6, 3),
             unpack_testing::EncodeFrame(generation, packtest::RandomFramePixels(random, 6, 3), 6,
                                         3)}});
    TTempFolder work;
    size_t unpacked = 0;
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
      SCOPED_TRACE(ZtFormat("%s cut at %zu of %zu", Unpacker(generation), cut, whole.size()));
      const std::string archive = work / ZtFormat("%zu.icn", cut);
      WriteBytes(archive, TBytes(whole.begin(), whole.begin() + ptrdiff_t(cut)));
      try {
        ExportFrameFolder(NativeFs(), unpacker, archive, archive + ".cadres/");
        ++unpacked;
      } catch (const TZtError& error) {
        EXPECT_TRUE(IsContainerMessage(error.what())) << error.what();
      }
    }
    // Every cut past the last stream's first byte still unpacks: decoding
    // stops at the end of the data.
    EXPECT_GT(unpacked, 1u);
  }
}

TEST(TruncatedInputs, BitmapsCutAtEveryBytePackOrFailWithTheLoadersMessage) {
  const std::set<std::string> loaderMessages = {"Stream read error", "Bitmap image is not valid",
                                                "Wrong bitmap format"};
  std::mt19937 random(6);
  TBytes bottomUp = packtest::Bmp8(7, 3, packtest::RandomFramePixels(random, 7, 3), 16);
  // The same picture stored top-down, and as RLE8.
  TBytes topDown = bottomUp;
  packtest::PutU32(topDown, 22, uint32_t(-3));
  const TBytes rle = [&] {
    TBytes file(bottomUp.begin(), bottomUp.begin() + 54 + 64);
    packtest::PutU32(file, 30, 1);
    const TBytes codes = {2, 9, 0, 3, 1, 2, 3, 0, 0, 0, 0, 7, 5, 0, 1};
    file.insert(file.end(), codes.begin(), codes.end());
    packtest::PutU32(file, 2, uint32_t(file.size()));
    return file;
  }();
  for (const TIcnGeneration generation : {kH1, kH2}) {
    for (const TBytes* whole : std::initializer_list<const TBytes*>{&bottomUp, &topDown, &rle}) {
      TTempFolder work;
      const std::string folder = work / "a.icn.cadres/";
      packtest::MakeFolder(folder);
      const TBytes old = {0, 0, 0, 0, 0, 0};
      WriteBytes(work / "a.icn", old);
      size_t packed = 0;
      std::string frameFile;
      for (size_t cut = 0; cut <= whole->size(); ++cut) {
        SCOPED_TRACE(ZtFormat("cut at %zu of %zu", cut, whole->size()));
        WriteBytes(folder + "0000.bmp", TBytes(whole->begin(), whole->begin() + ptrdiff_t(cut)));
        try {
          frameFile.clear();
          PackFrameFolder(NativeFs(), PackerGeneration(generation), work / "a.icn", folder,
                          frameFile);
          ++packed;
          WriteBytes(work / "a.icn", old);
        } catch (const TZtError& error) {
          EXPECT_EQ(loaderMessages.count(error.what()), 1u) << error.what();
          EXPECT_EQ(frameFile, folder + "0000.bmp");
          EXPECT_EQ(ReadBytes(work / "a.icn"), old);
        }
      }
      EXPECT_GT(packed, 1u);
      EXPECT_EQ(ListNames(work.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));
    }
  }
}

}  // namespace
