// icnkit's pieces in-process: the unpack and pack hooks (another frame
// format, another palette), the per-thread work images, the Generation key,
// the job runner, the report and RunKit itself on the native file system.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "api/LibraryFileSystem.h"
#include "conventions/PaletteColours.h"
#include "conventions/WorkImage.h"
#include "folders/FrameFiles.h"
#include "folders/GenerationKey.h"
#include "icnkit/error.h"
#include "image/BmpFile.h"
#include "kit/Jobs.h"
#include "kit/Kit.h"
#include "pack/FrameFolderPack.h"
#include "pack/PackerGeneration.h"
#include "settings/SettingsFile.h"
#include "sheet/Gif.h"
#include "testdata/ArchiveBuilder.h"
#include "testdata/BmpBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "unpack/FrameFolderExport.h"

using namespace icnkit;

using namespace testdata;

namespace {

// A frame format of the tests: width, height (one byte each), then the
// rows top-down.
std::vector<uint8_t> EncodeRaw(const TIndexedImage& image) {
  std::vector<uint8_t> bytes{uint8_t(image.Width()), uint8_t(image.Height())};
  for (int32_t y = 0; y < image.Height(); ++y) {
    bytes.insert(bytes.end(), image.RowAddress(y), image.RowAddress(y) + image.Width());
  }
  return bytes;
}

void DecodeRaw(TFileSystem& fs, const std::string& path, TIndexedImage& image) {
  const std::vector<uint8_t> bytes = fs.ReadFile(path);
  image.Create8Bit(bytes[0], bytes[1], {});
  for (int32_t y = 0; y < image.Height(); ++y) {
    std::copy_n(bytes.begin() + 2 + y * bytes[0], bytes[0], image.RowAddress(y));
  }
}

TBytes TwoFrameArchive(TIcnGeneration generation) {
  return BuildArchive(generation,
                      {SolidFrame(generation, -4, -6, 7, 5, 9),
                       EncodedFrame(generation, Record(-1, 0, 4, 2, 32), TBytes(8, 3), true)});
}

TEST(KitHooks, AnotherFrameFormatUnpacksAndPacksTheSameArchive) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder folder;
    const TBytes archive = TwoFrameArchive(generation);
    WriteBytes(folder / "a.icn", archive);
    const TUnpackerGeneration& unpacker = UnpackerGeneration(generation);
    TFrameOutput output;
    output.Extension = ".raw";
    output.Encode = EncodeRaw;
    ExportFrameFolder(NativeFs(), unpacker, folder / "a.icn", folder / "raw/", output);
    ExportFrameFolder(NativeFs(), unpacker, folder / "a.icn", folder / "bmp/");
    EXPECT_EQ(ListNames(folder / "raw"),
              (std::vector<std::string>{"0000.raw", "0001.raw", "setup.ini"}));
    std::string ini = ReadText(folder / "bmp/setup.ini");
    for (size_t at; (at = ini.find(".bmp")) != std::string::npos;) ini.replace(at, 4, ".raw");
    EXPECT_EQ(ReadText(folder / "raw/setup.ini"), ini);
    EXPECT_EQ(ReadBytes(folder / "raw/0000.raw"),
              EncodeRaw(LoadBmpFromFile(NativeFs(), folder / "bmp/0000.bmp")));

    TFrameInput input;
    input.IsFrame = [](const std::string& name) { return name.ends_with(".raw"); };
    input.Load = DecodeRaw;
    std::string frameFile;
    PackFrameFolder(NativeFs(), PackerGeneration(generation), folder / "b.icn", folder / "raw/",
                    frameFile, input);
    EXPECT_EQ(ReadBytes(folder / "b.icn"), archive);
  }
}

TEST(KitHooks, AnotherPaletteChangesTheColoursNotThePixels) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", TwoFrameArchive(TIcnGeneration::H2));
  std::vector<TRgbQuad> grey(256);
  for (int i = 0; i < 256; ++i) grey[i] = TRgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  TFrameOutput output;
  output.Palette = grey;
  ExportFrameFolder(NativeFs(), kDravixGeneration, folder / "a.icn", folder / "grey/", output);
  ExportFrameFolder(NativeFs(), kDravixGeneration, folder / "a.icn", folder / "own/");
  for (const char* name : {"0000.bmp", "0001.bmp"}) {
    const TIndexedImage own = LoadBmpFromFile(NativeFs(), folder / (std::string("own/") + name));
    const TIndexedImage other = LoadBmpFromFile(NativeFs(), folder / (std::string("grey/") + name));
    EXPECT_EQ(RowsOf(other), RowsOf(own)) << name;  // index 0 stays the background
    EXPECT_EQ(other.ColourTable()[200].Red, 200);
    EXPECT_NE(own.ColourTable(), other.ColourTable());
  }
  // The work image keeps its own colours for the next archive, the palette
  // bitmap's, which are the ones compiled in.
  EXPECT_EQ(WorkImage(NativeFs(), TIcnGeneration::H2).ColourTable(),
            PaletteColours(TIcnGeneration::H2));
}

TEST(KitHooks, WorkImagesArePerThreadAndPerGeneration) {
  TIndexedImage* h1 = &WorkImage(NativeFs(), TIcnGeneration::H1);
  TIndexedImage* h2 = &WorkImage(NativeFs(), TIcnGeneration::H2);
  EXPECT_NE(h1, h2);
  EXPECT_NE(h1->ColourTable(), h2->ColourTable());
  EXPECT_EQ(&WorkImage(NativeFs(), TIcnGeneration::H1), h1);
  TIndexedImage* other = nullptr;
  std::thread([&] {
    other = &WorkImage(NativeFs(), TIcnGeneration::H1);
    DiscardWorkImage();
  }).join();
  EXPECT_NE(other, h1);
}

// Sets the key as an unpack writes it, in folder's setup.ini.
void SetGenerationKey(TFileSystem& fs, const std::string& folder, const std::string& value) {
  TSettingsFile(fs, folder + "setup.ini").WriteText("Position", "Generation", value);
}

TEST(KitGenerationKey, WrittenIntoPositionAndReadBack) {
  TMemoryFileSystem fs;
  fs.AddFile("/f/setup.ini", {'[', 'P', 'o',  's',  'i', 't', 'i', 'o', 'n', ']', '\r', '\n', 'X',
                              '=', '1', '\r', '\n', '[', 'B', 'i', 't', 's', ']', '\r', '\n'});
  EXPECT_EQ(ReadGenerationKey(fs, "/f/"), std::nullopt);
  SetGenerationKey(fs, "/f/", "H2");
  const std::vector<uint8_t>& bytes = fs.Files["/f/setup.ini"];
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "[Position]\r\nX=1\r\nGeneration=H2\r\n[Bits]\r\n");
  EXPECT_EQ(ReadGenerationKey(fs, "/f/"), TIcnGeneration::H2);
  SetGenerationKey(fs, "/f/", "H1");
  EXPECT_EQ(ReadGenerationKey(fs, "/f/"), TIcnGeneration::H1);
  EXPECT_EQ(ReadGenerationKey(fs, "/none/"), std::nullopt);
  fs.AddFile("/g/setup.ini", {'[', 'P', 'o', 's', 'i', 't', 'i', 'o', 'n', ']', '\n', 'G', 'e',
                              'n', 'e', 'r', 'a', 't', 'i', 'o', 'n', '=', 'H', '3',  '\n'});
  EXPECT_EQ(MessageOf([&] { ReadGenerationKey(fs, "/g/"); }), "Generation is \"H3\", not H1 or H2");
}

TEST(KitGenerationKey, TheLegacyPackersIgnoreIt) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder folder;
    const TBytes archive = TwoFrameArchive(generation);
    WriteBytes(folder / "a.icn", archive);
    ExportFrameFolder(NativeFs(), UnpackerGeneration(generation), folder / "a.icn", folder / "a/");
    SetGenerationKey(NativeFs(), folder / "a/", generation == TIcnGeneration::H1 ? "H2" : "H1");
    std::string frameFile;
    PackFrameFolder(NativeFs(), PackerGeneration(generation), folder / "b.icn", folder / "a/",
                    frameFile);
    EXPECT_EQ(ReadBytes(folder / "b.icn"), archive);
  }
}

TEST(KitFrameNames, BothExtensionsOfOneFrameAreRefused) {
  TMemoryFileSystem fs;
  fs.AddFile("/f/0000.bmp", {});
  fs.AddFile("/f/0001.png", {});
  fs.AddFile("/f/notes.txt", {});
  EXPECT_NO_THROW(CheckFrameNames(fs, "/f/"));
  EXPECT_TRUE(IsKitFrameName("A.PNG"));
  EXPECT_FALSE(IsKitFrameName("a.png.txt"));
  fs.AddFile("/f/0001.BMP", {});
  EXPECT_EQ(MessageOf([&] { CheckFrameNames(fs, "/f/"); }),
            "both 0001.BMP and 0001.png are frame 0001");
}

TEST(KitJobRunner, RunsEveryItemAndStopsStartingAfterAFailure) {
  std::vector<int> done(50, 0);
  EXPECT_TRUE(RunJobs(50, 4, [&](size_t i) { done[i] = 1; }).empty());
  EXPECT_TRUE(RunJobs(0, 4, [&](size_t) { ADD_FAILURE(); }).empty());
  EXPECT_EQ(std::count(done.begin(), done.end(), 1), 50);

  std::vector<size_t> order;
  const auto failures = RunJobs(10, 1, [&](size_t i) {
    order.push_back(i);
    if (i == 3) throw TZtError("three");
  });
  EXPECT_EQ(order, (std::vector<size_t>{0, 1, 2, 3}));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].Index, 3u);
  EXPECT_EQ(failures[0].Message, "three");
  EXPECT_GE(DefaultJobs(), 1u);
}

TEST(KitJobRunner, ItemsInFlightFinishAndEveryFailureIsKept) {
  // Items 0 and 1 run together; both fail; nothing after them starts.
  // They meet on a mutex and condition variable, not std::latch: the
  // MinGW runtime's latch now and then misses its wake-up under Wine and
  // the test hung. A runner that never ran the two together fails the
  // test after the wait instead of hanging it.
  std::mutex mutex;
  std::condition_variable met;
  int arrived = 0;
  std::atomic<int> started{0};
  const auto failures = RunJobs(8, 2, [&](size_t i) {
    ++started;
    if (i < 2) {
      std::unique_lock lock(mutex);
      if (++arrived == 2) met.notify_all();
      met.wait_for(lock, std::chrono::seconds(60), [&] { return arrived == 2; });
      if (i == 0) throw std::bad_alloc();
      throw icnkit::Error(icnkit::ErrorKind::Io, "No space left on device", {}, 28);
    }
  });
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].Message, "Out of memory");
  EXPECT_EQ(failures[1].Message, "No space left on device");
  EXPECT_EQ(started.load(), 2);
}

TEST(KitReportLines, ErrorsAlwaysWarningsUnlessQuietBarOnlyOnATerminal) {
  TCapturedReport piped;
  TKitReport report(piped.File, false);
  report.Warning("frame 3 changes colour");
  report.StartProgress(5);
  report.Advance(10);
  report.EndProgress();
  report.SetQuiet(true);
  report.Warning("hidden");
  report.Error("a.icn: broken");
  EXPECT_EQ(piped.Text(), "icnkit: warning: frame 3 changes colour\nicnkit: a.icn: broken\n");

  TCapturedReport terminal;
  TKitReport bar(terminal.File, true);
  bar.StartProgress(2);
  bar.Advance(3);
  bar.Advance(4);
  bar.EndProgress();
  const std::string text = terminal.Text();
  EXPECT_NE(text.find("2/2 archives"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");
  TCapturedReport single;
  TKitReport one(single.File, true);
  one.StartProgress(1);
  one.Advance(3);
  one.EndProgress();
  EXPECT_EQ(single.Text(), "");
  EXPECT_EQ(TKitReport::ProgressLine(1, 4, 1234.4),
            "[#######.......................] 1/4 archives, 1234 frames/s");

  // The frames of the one archive of a run (a GIF): the bar counts them;
  // with several archives they count for nothing.
  TCapturedReport framesBar;
  TKitReport within(framesBar.File, true);
  within.StartProgress(1);
  within.AdvanceWithin(1, 3);
  within.AdvanceWithin(3, 3);
  within.Advance(3);
  within.EndProgress();
  const std::string drawn = framesBar.Text();
  EXPECT_EQ(drawn.find("\r[##########....................] 1/3 frames, "), 0u) << drawn;
  EXPECT_NE(drawn.find("] 3/3 frames, "), std::string::npos) << drawn;
  EXPECT_EQ(drawn.substr(drawn.size() - 4), "\r\033[K");
  TCapturedReport archivesBar;
  TKitReport many(archivesBar.File, true);
  many.StartProgress(2);
  many.AdvanceWithin(1, 3);
  many.EndProgress();
  EXPECT_EQ(archivesBar.Text().find("frames,"), std::string::npos);
}

// A GIF goes into its file as it is encoded, in pieces: a full disk leaves
// the old GIF and no other file.
TEST(KitRun, GifIsStreamedAndAFullDiskKeepsTheOldOne) {
  std::mt19937 random(25);
  TBytes noise(200 * 200);
  for (uint8_t& pixel : noise) pixel = uint8_t(random());
  const TBytes old{1, 2, 3};
  TMemoryFileSystem fs;
  fs.AddFile("/w/a.icn",
             BuildArchive(TIcnGeneration::H2,
                          {EncodedFrame(TIcnGeneration::H2, Record(0, 0, 200, 200), noise)}));
  fs.AddFile("/opt/icnkit/H2Palette.bmp", ReadBytes(BinPath("H2Palette.bmp")));
  TCapturedReport err;
  TKitReport report(err.File, false);
  const TLibraryFileSystem onFs(fs);
  TKit kit{report, err.File};
  ASSERT_EQ(RunKit(kit, {"icnkit", "gif", "--scale", "2", "w/a.icn"}), 0) << err.Text();
  EXPECT_GT(fs.Files.at("/w/a.gif").size(), kGifPieceBytes);
  EXPECT_GE(fs.Calls("WriteAt"), 2);
  fs.AddFile("/w/a.gif", old);
  fs.Log.clear();
  fs.FailOn("WriteAt", ENOSPC, 2);
  EXPECT_EQ(RunKit(kit, {"icnkit", "gif", "--scale", "2", "w/a.icn"}), 1);
  EXPECT_NE(err.Text().find("icnkit: w/a.icn: Cannot create file \"/w/a.gif\". " +
                            NativeErrorText(ENOSPC) + "\n"),
            std::string::npos)
      << err.Text();
  EXPECT_EQ(fs.Files.at("/w/a.gif"), old);
  EXPECT_EQ(fs.Files.size(), 3u);
  EXPECT_TRUE(fs.Log.empty());
}

// Counts the reads of each file.
class TCountingFileSystem : public TMemoryFileSystem {
 public:
  std::vector<uint8_t> ReadFile(const std::string& path) override {
    ++Reads[FullPath(path)];
    return TMemoryFileSystem::ReadFile(path);
  }
  std::map<std::string, int> Reads;
};

// The archive is read once, for the choice of its generation, and unpacked
// from those bytes: not read twice and held twice at once.
TEST(KitRun, UnpackReadsEachArchiveOnce) {
  for (const bool preview : {false, true}) {
    TCountingFileSystem fs;
    fs.AddFile("/w/a.icn", TwoFrameArchive(TIcnGeneration::H2));
    fs.AddFile("/opt/icnkit/H2Palette.bmp", ReadBytes(BinPath("H2Palette.bmp")));
    TCapturedReport err;
    TKitReport report(err.File, false);
    const TLibraryFileSystem onFs(fs);
    TKit kit{report, err.File};
    const std::vector<std::string> arguments =
        preview ? std::vector<std::string>{"icnkit", "unpack", "--preview", "w"}
                : std::vector<std::string>{"icnkit", "unpack",
                                           "w/a.icn"};  // "/w" is an option on Windows
    ASSERT_EQ(RunKit(kit, arguments), 0) << err.Text();
    EXPECT_EQ(fs.Reads["/w/a.icn"], 1) << "preview " << preview;
    EXPECT_EQ(fs.Files.count(preview ? "/w/Icn Preview/a.icn.bmp" : "/w/a.icn.cadres/0001.bmp"),
              1u);
  }
}

TEST(KitRun, InfoInProcessOnTheNativeFileSystem) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", TwoFrameArchive(TIcnGeneration::H1));
  TCapturedReport out;
  TCapturedReport err;
  TKitReport report(err.File, false);
  TKit kit{report, out.File};
  EXPECT_EQ(RunKit(kit, {"icnkit", "info", "--json", folder / "a.icn"}), 0);
  EXPECT_NE(out.Text().find("\"generation\": \"H1\""), std::string::npos);
  EXPECT_EQ(RunKit(kit, {"icnkit", "info", "-g", "h9", folder / "a.icn"}), 2);
  EXPECT_EQ(RunKit(kit, {"icnkit", "palette", "a.pal", "b.gpl"}), 1);
  EXPECT_NE(err.Text().find("icnkit: "), std::string::npos);
}

}  // namespace
