// The library's API (include/icnkit/) against the tools: the archives,
// frame folders, sheets and GIFs it makes are the tools' bytes, and opening
// a packer's archive and building it again gives its bytes back.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fs/FileSystem.h"
#include "icnkit/icnkit.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

using TBytes = std::vector<uint8_t>;

struct TSample {
  icnkit::Generation Generation;
  std::string Name;  // in examples/
};
const TSample kSamples[] = {{icnkit::Generation::H1, "sample_h1.icn"},
                            {icnkit::Generation::H2, "sample_h2.icn"}};

TBytes SampleBytes(const TSample& sample) {
  return ReadBytes(TestDataPath("../../examples/" + sample.Name));
}

// The files the icnkit tool writes into a fresh folder for args + the
// sample, which lies in that folder.
std::map<std::string, TBytes> ToolFiles(const TSample& sample, std::vector<std::string> args) {
  TTempFolder folder;
  WriteBytes(folder / sample.Name, SampleBytes(sample));
  args.insert(args.end(), {"-o", "out", sample.Name});
  const TRunResult run = RunProgram("icnkit", args, folder.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  return FilesBelow(folder / "out/");
}

std::map<std::string, TBytes> AsMap(const std::vector<icnkit::NamedFile>& files,
                                    const std::string& folder) {
  std::map<std::string, TBytes> map;
  for (const icnkit::NamedFile& file : files) map[folder + file.name] = file.bytes;
  return map;
}

TBytes Bytes(const std::string& text) {
  return TBytes(text.begin(), text.end());
}

TEST(Library, RebuildingTheFramesOfAPackersArchiveGivesItsBytes) {
  for (const TSample& sample : kSamples) {
    const TBytes bytes = SampleBytes(sample);
    const icnkit::Archive archive = icnkit::Archive::Open(bytes, std::nullopt, sample.Name);
    EXPECT_EQ(archive.Generation(), sample.Generation);
    std::vector<icnkit::Raster> rasters;
    std::vector<icnkit::NewFrame> frames;
    for (size_t i = 0; i < archive.FrameCount(); ++i) {
      const icnkit::FrameRecord record = archive.Frame(i);
      rasters.push_back(archive.Decode(i));
      EXPECT_EQ(record.fill_only, record.bits == 32) << sample.Name << " " << i;
    }
    for (size_t i = 0; i < rasters.size(); ++i) {
      const icnkit::FrameRecord record = archive.Frame(i);
      frames.push_back({rasters[i].View(), record.left, record.top, record.bits});
    }
    EXPECT_EQ(icnkit::BuildArchive(sample.Generation, frames), bytes) << sample.Name;
    // The frame folder in memory is the tools' and packs back the same.
    for (const char* format : {"bmp", "png"}) {
      icnkit::UnpackOptions options;
      options.format = format;
      const std::vector<icnkit::NamedFile> files = icnkit::UnpackToFiles(archive, options);
      EXPECT_EQ(AsMap(files, sample.Name + ".cadres/"),
                ToolFiles(sample, {"unpack", "--format", format}))
          << sample.Name << " " << format;
      EXPECT_EQ(icnkit::PackFiles(files), bytes) << sample.Name << " " << format;
      // setup.ini is written once, the Generation key with X and Y.
      const icnkit::Rect bounds = archive.Union();
      std::string setup(files.back().bytes.begin(), files.back().bytes.end());
      std::erase(setup, '\r');  // CR LF on Windows
      EXPECT_EQ(setup.substr(0, setup.find("[Bits]")),
                "[Position]\nX=" + std::to_string(bounds.left) +
                    "\nY=" + std::to_string(bounds.top) +
                    "\nGeneration=" + icnkit::GenerationName(sample.Generation) + "\n")
          << sample.Name;
    }
  }
}

// An archive of another encoder: streams of a code a pixel (a skip or a
// literal of one), with a byte after their end, as the packers never
// write them. Kept frames keep those bytes; values a record cannot
// hold are refused.
TEST(Library, KeptFramesKeepTheirStoredBytesAndChangeOnlyTheirRecord) {
  const TBytes stream = {0x81, 0x01, 9, 0x00, 0x01, 7, 0x81, 0x00, 0x80, 0xEE};
  TBytes bytes = {2, 0, 0, 0, 0, 0};  // DataSize is not read
  const uint8_t records[] = {0xFE, 0xFF, 0xFD, 0xFF, 2, 0, 2, 0, 24, 0, 0, 0,
                             3,    0,    4,    0,    2, 0, 2, 0, 34, 0, 0, 0};
  bytes.insert(bytes.end(), std::begin(records), std::end(records));
  for (int i = 0; i < 2; ++i) bytes.insert(bytes.end(), stream.begin(), stream.end());
  const icnkit::Archive game = icnkit::Archive::Open(bytes, icnkit::Generation::H1);
  std::vector<icnkit::NewFrame> frames(2);
  for (size_t i = 0; i < 2; ++i) {
    const icnkit::FrameRecord record = game.Frame(i);
    frames[i] = {{}, record.left, record.top, record.bits, &game, i};
  }
  TBytes same = icnkit::BuildArchive(icnkit::Generation::H1, frames);
  EXPECT_EQ(TBytes(same.begin() + 6, same.end()), TBytes(bytes.begin() + 6, bytes.end()));
  frames[1].left = -100;  // that record's two bytes alone
  TBytes moved = icnkit::BuildArchive(icnkit::Generation::H1, frames);
  same[6 + 12] = 0x9C;
  same[6 + 13] = 0xFF;
  EXPECT_EQ(moved, same);
  frames[0].bits = 32;  // fill-only: encoded anew from its pixels
  EXPECT_TRUE(icnkit::Archive::Open(icnkit::BuildArchive(icnkit::Generation::H1, frames),
                                    icnkit::Generation::H1)
                  .Frame(0)
                  .fill_only);
  const std::vector<std::pair<icnkit::NewFrame, std::string>> refused = {
      {{{}, 40000, 0, 0, &game, 0}, "frame 0: Frame out of range"},
      {{{}, 0, 0, 300, &game, 0}, "frame 0: Bits out of range: 300 (0 to 255)"},
      {{{}, 0, 0, 1, nullptr, 0}, "frame 0: Bits out of range: 1 (H1: 0 or 32)"},
      {{{}, 0, 0, 0, &game, 7}, "frame 0: Frame 7 out of range: the archive has 2 frames"}};
  for (const auto& [frame, message] : refused) {
    try {
      icnkit::BuildArchive(icnkit::Generation::H1, std::span(&frame, 1));
      ADD_FAILURE() << message;
    } catch (const icnkit::Error& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

TEST(Library, FramesWithoutPixelsAndFillOnlyFramesBuildAsThePackersPackThem) {
  // A frame folder of four bitmaps: a shape with a transparent margin, an
  // all-transparent one, a 0-byte file and a fill-only shadow.
  icnkit::Raster shape(6, 5);
  shape.At(2, 1) = 9;
  shape.At(4, 3) = 200;
  icnkit::Raster shadow(6, 5);
  shadow.At(0, 4) = shadow.At(1, 4) = 7;
  const icnkit::Palette palette = icnkit::GenerationPalette(icnkit::Generation::H2);
  const std::vector<icnkit::NamedFile> folder = {
      {"0000.bmp", icnkit::EncodeBmp(shape.View(), palette)},
      {"0001.bmp", icnkit::EncodeBmp(icnkit::Raster(6, 5).View(), palette)},
      {"0002.bmp", {}},
      {"0003.bmp", icnkit::EncodeBmp(shadow.View(), palette)},
      {"setup.ini", Bytes("[Position]\nX=-3\nY=-7\n[Bits]\n0003.bmp=32\n")}};
  for (const icnkit::Generation generation : {icnkit::Generation::H1, icnkit::Generation::H2}) {
    icnkit::PackOptions options;
    options.generation = generation;
    const TBytes packed = icnkit::PackFiles(folder, options);
    TTempFolder disk;
    for (const icnkit::NamedFile& file : folder) {
      icnkit::SaveFile(disk / ("x.icn.cadres/" + file.name), file.bytes);  // makes the folder
    }
    const char* packer = generation == icnkit::Generation::H1 ? "morlet" : "morvix";
    const TRunResult run = RunProgram(packer, {disk / "x.icn"});
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(ReadBytes(disk / "x.icn"), packed);
    const icnkit::Raster clear(6, 5);
    const std::vector<icnkit::NewFrame> frames = {{shape.View(), -3, -7, 0},
                                                  {clear.View(), -3, -7, 0},
                                                  {{}, -3, -7, 0},
                                                  {shadow.View(), -3, -7, 32}};
    EXPECT_EQ(icnkit::BuildArchive(generation, frames), packed);
    const icnkit::Archive archive = icnkit::Archive::Open(packed, generation);
    EXPECT_EQ(archive.Frame(0).left, -1);
    EXPECT_EQ(archive.Frame(1).width, 0);
    EXPECT_TRUE(archive.Frame(3).fill_only);
    EXPECT_EQ(archive.Decode(3).pixels, TBytes({5, 5}));  // fill-only pixels are index 5
    // The empty frames at (-3, -7) count.
    EXPECT_EQ(archive.Union(), (icnkit::Rect{-3, -7, 5, 5}));
  }
}

TEST(Library, FilesOnTheDiskAreTheTools) {
  for (const TSample& sample : kSamples) {
    TTempFolder folder;
    WriteBytes(folder / sample.Name, SampleBytes(sample));
    const std::string frames = icnkit::UnpackFile(folder / sample.Name);
    EXPECT_EQ(frames, folder / NativeSlashes(sample.Name + ".cadres/"));
    std::map<std::string, TBytes> tool;  // named within the frame folder
    for (auto& [name, bytes] : ToolFiles(sample, {"unpack"})) {
      tool[name.substr(name.find('/') + 1)] = bytes;
    }
    EXPECT_EQ(FilesBelow(frames), tool);
    EXPECT_EQ(icnkit::PackFolder(frames, folder / "again.icn"), folder / "again.icn");
    EXPECT_EQ(ReadBytes(folder / "again.icn"), SampleBytes(sample));
    const icnkit::Archive archive = icnkit::Archive::OpenFile(folder / "again.icn");
    EXPECT_EQ(archive.Name(), "again.icn");
    archive.Save(folder / "saved/copy.icn");
    EXPECT_EQ(icnkit::ReadFile(folder / "saved/copy.icn"), SampleBytes(sample));
  }
}

TEST(Library, SheetsAndGifsAreTheTools) {
  for (const TSample& sample : kSamples) {
    const icnkit::Archive archive = icnkit::Archive::Open(SampleBytes(sample), {}, sample.Name);
    const std::string stem = sample.Name.substr(0, sample.Name.size() - 4);
    icnkit::SheetOptions sheet_options;
    sheet_options.packed = true;
    sheet_options.padding = 1;
    const icnkit::Sheet sheet = icnkit::MakeSheet(archive, sheet_options);
    EXPECT_EQ(ToolFiles(sample, {"sheet", "--packed", "--padding", "1"}),
              (std::map<std::string, TBytes>{{stem + ".json", Bytes(sheet.json)},
                                             {stem + ".png", sheet.png}}));
    EXPECT_EQ(icnkit::ArchiveFromSheet(sheet.png, sheet.json), SampleBytes(sample));
    icnkit::GifOptions gif_options;
    gif_options.delay_ms = 80;
    gif_options.scale = 2;
    EXPECT_EQ(
        ToolFiles(sample, {"gif", "--delay", "80", "--scale", "2"}),
        (std::map<std::string, TBytes>{{stem + ".gif", icnkit::MakeGif(archive, gif_options)}}));
  }
}

TEST(Library, InfoIsTheTools) {
  TTempFolder folder;
  std::vector<std::string> objects;
  std::string tables;
  for (const TSample& sample : kSamples) {
    WriteBytes(folder / sample.Name, SampleBytes(sample));
    const icnkit::Archive archive = icnkit::Archive::OpenFile(folder / sample.Name);
    objects.push_back(icnkit::InfoJson(archive, sample.Name));
    tables += (tables.empty() ? "" : "\n") + icnkit::InfoTable(archive, sample.Name);
  }
  const std::vector<std::string> names = {kSamples[0].Name, kSamples[1].Name};
  std::vector<std::string> args = {"info", "--json"};
  args.insert(args.end(), names.begin(), names.end());
  EXPECT_EQ(RunProgram("icnkit", args, folder.Path()).Stdout, icnkit::InfoJsonDocument(objects));
  args.erase(args.begin() + 1);
  EXPECT_EQ(RunProgram("icnkit", args, folder.Path()).Stdout, tables);
  EXPECT_EQ(icnkit::InfoJsonDocument({}), "[]\n");
}

TEST(Library, DecodingIntoCallerMemoryWritesTheFramesRectangleAlone) {
  const icnkit::Archive archive = icnkit::Archive::Open(SampleBytes(kSamples[1]));
  for (size_t i = 0; i < archive.FrameCount(); ++i) {
    const icnkit::Raster frame = archive.Decode(i);
    const ptrdiff_t stride = frame.width + 3;
    TBytes memory(size_t(stride) * size_t(frame.height + 1), 0xEE);
    archive.DecodeInto(i, {memory.data(), frame.width + 1, frame.height + 1, stride});
    for (int32_t y = 0; y <= frame.height; ++y) {
      for (int32_t x = 0; x < stride; ++x) {
        const uint8_t expected = x < frame.width && y < frame.height ? frame.At(x, y) : 0xEE;
        ASSERT_EQ(memory[size_t(y * stride + x)], expected) << i << ": " << x << ", " << y;
      }
    }
  }
}

// DecodeRegion against Decode: pixel (i, j) is the frame's (left + i * step,
// top + j * step), 0 outside it.
icnkit::Raster RegionOfDecoded(const icnkit::Raster& frame, icnkit::Rect region, int32_t step) {
  icnkit::Raster out((region.width + step - 1) / step, (region.height + step - 1) / step);
  for (int32_t j = 0; j < out.height; ++j) {
    for (int32_t i = 0; i < out.width; ++i) {
      const int32_t x = region.left + i * step, y = region.top + j * step;
      if (x >= 0 && y >= 0 && x < frame.width && y < frame.height) out.At(i, j) = frame.At(x, y);
    }
  }
  return out;
}

TEST(Library, RegionsOfAFrameAreItsPixelsThereEveryStepthOne) {
  // A 300 x 200 frame of runs, holes and literals beside the samples; an
  // H2 copy of it fill-only.
  icnkit::Raster big(300, 200);
  for (int32_t y = 0; y < big.height; ++y) {
    for (int32_t x = 0; x < big.width; ++x) {
      big.At(x, y) =
          (x + 2 * y) % 23 < 4 ? 0 : uint8_t((x / 7 + y / 3) % 9 == 0 ? 40 : x * y % 251);
    }
  }
  std::vector<icnkit::Archive> archives;
  for (const TSample& sample : kSamples) {
    archives.push_back(icnkit::Archive::Open(SampleBytes(sample), std::nullopt, sample.Name));
  }
  for (const int32_t bits : {0, 32}) {
    const icnkit::NewFrame frame{big.View(), -150, -200, bits};
    archives.push_back(
        icnkit::Archive::Open(icnkit::BuildArchive(icnkit::Generation::H2, std::span(&frame, 1)),
                              icnkit::Generation::H2));
  }
  const icnkit::Rect regions[] = {{0, 0, 300, 200},   {5, 7, 40, 30},     {-10, -20, 50, 60},
                                  {250, 150, 90, 90}, {0, 0, 1, 1},       {310, 0, 5, 5},
                                  {0, 210, 5, 5},     {-50, -50, 20, 20}, {3, 3, 0, 9}};
  for (const icnkit::Archive& archive : archives) {
    for (size_t i = 0; i < archive.FrameCount(); ++i) {
      const icnkit::Raster whole = archive.Decode(i);
      for (const icnkit::Rect& region : regions) {
        for (const int32_t step : {1, 2, 3, 16}) {
          const icnkit::Raster got = archive.DecodeRegion(i, region, step);
          const icnkit::Raster want = RegionOfDecoded(whole, region, step);
          EXPECT_EQ(std::tie(got.width, got.height, got.pixels),
                    std::tie(want.width, want.height, want.pixels))
              << archive.Name() << " frame " << i << " at " << region.left << "," << region.top
              << " " << region.width << "x" << region.height << " step " << step;
        }
      }
    }
  }
  // A stream cut short: the rows it reaches, nothing after.
  const icnkit::NewFrame frame{big.View(), 0, 0, 0};
  TBytes cut = icnkit::BuildArchive(icnkit::Generation::H1, std::span(&frame, 1));
  cut.resize(cut.size() * 2 / 3);
  const icnkit::Archive damaged = icnkit::Archive::Open(cut, icnkit::Generation::H1);
  EXPECT_EQ(damaged.DecodeRegion(0, {10, 20, 200, 180}, 2).pixels,
            RegionOfDecoded(damaged.Decode(0), {10, 20, 200, 180}, 2).pixels);
  for (const auto& [region, step] : {std::pair<icnkit::Rect, int32_t>{{0, 0, -1, 5}, 1},
                                     {{0, 0, 5, -1}, 1},
                                     {{0, 0, 5, 5}, 0}}) {
    EXPECT_THROW(damaged.DecodeRegion(0, region, step), icnkit::Error);
  }
  try {
    (void)damaged.DecodeRegion(0, {1, 2, 3, 4}, 0);
  } catch (const icnkit::Error& error) {
    EXPECT_STREQ(error.what(), "Invalid region: 3 x 4 pixels at (1, 2), every 0");
  }
}

TEST(Library, PalettesAreCompiledInAndPaletteFilesRoundTrip) {
  for (const TSample& sample : kSamples) {
    const std::string bitmap = sample.Generation == icnkit::Generation::H1 ? "H1" : "H2";
    const icnkit::Palette palette = icnkit::GenerationPalette(sample.Generation);
    EXPECT_EQ(icnkit::DecodeBmp(ReadBytes(BinPath(bitmap + "Palette.bmp"))).colours, palette);
    for (const char* name : {"p.bmp", "p.png", "p.pal", "p.gpl", "p.act", "p.raw"}) {
      const TBytes file = icnkit::WritePalette(palette, icnkit::PaletteFormatOfName(name));
      EXPECT_EQ(icnkit::ReadPalette(file, name), palette) << name;
    }
  }
  // A dark palette written raw: taken for 6-bit values unless read at 8.
  const icnkit::Palette dark = {{0, 1, 2}, {63, 40, 7}};
  icnkit::Palette padded = dark;
  padded.resize(256);
  const TBytes raw = icnkit::WritePalette(dark, icnkit::PaletteFormat::Raw);
  EXPECT_TRUE(icnkit::RawPaletteReadsAsSixBit(dark));
  EXPECT_FALSE(icnkit::RawPaletteReadsAsSixBit({{0, 64, 0}}));
  EXPECT_EQ(icnkit::ReadPalette(raw, "d.raw", icnkit::PaletteDepth::EightBit), padded);
  EXPECT_EQ(icnkit::ReadPalette(raw, "d.raw")[1], (icnkit::Colour{255, 162, 28}));
  EXPECT_EQ(icnkit::ReadPalette(raw, "d.raw", icnkit::PaletteDepth::Detect),
            icnkit::ReadPalette(raw, "d.raw", icnkit::PaletteDepth::SixBit));
}

TEST(Library, FramesAsBmpAndPngComeBackTheSame) {
  icnkit::Raster raster(5, 3);
  for (size_t i = 0; i < raster.pixels.size(); ++i) raster.pixels[i] = uint8_t(i * 17);
  const icnkit::Palette palette = icnkit::GenerationPalette(icnkit::Generation::H1);
  const icnkit::IndexedImage bmp = icnkit::DecodeBmp(icnkit::EncodeBmp(raster.View(), palette));
  EXPECT_EQ(bmp.pixels.pixels, raster.pixels);
  EXPECT_EQ(bmp.colours, palette);
  const TBytes png = icnkit::EncodePng(raster.View(), palette, true);
  EXPECT_EQ(icnkit::DecodePng(png, palette, "f.png").pixels, raster.pixels);
  EXPECT_TRUE(icnkit::EncodePng(icnkit::Raster().View(), palette).empty());
}

TEST(Library, FailuresThrowErrorWithTheToolsMessageAndAKind) {
  TTempFolder folder;
  const TBytes sample = SampleBytes(kSamples[0]);
  const icnkit::Archive archive = icnkit::Archive::Open(sample, icnkit::Generation::H1);
  icnkit::Raster small(1, 1);
  icnkit::Raster odd(2, 1);
  odd.At(1, 0) = 1;
  const icnkit::Palette palette = icnkit::GenerationPalette(icnkit::Generation::H1);
  const TBytes png = icnkit::EncodePng(odd.View(), {{1, 2, 3}, {4, 5, 6}});
  struct TCase {
    std::function<void()> Call;
    icnkit::ErrorKind Kind;
    std::string Message;
  };
  // Error code 2: ENOENT, on Windows ERROR_FILE_NOT_FOUND.
  const TCase cases[] = {
      {[&] { icnkit::Archive::OpenFile(folder / "none.icn"); }, icnkit::ErrorKind::NotFound,
       "Cannot open file \"" + folder / "none.icn" + "\". " + NativeErrorText(2)},
      // Cut: the unpackers' reason, told or given the generation.
      {[&] { icnkit::Archive::Open(TBytes(sample.begin(), sample.begin() + 9)); },
       icnkit::ErrorKind::InvalidInput,
       "Invalid archive: frame table runs past the end of the file"},
      {[&] {
         icnkit::Archive::Open(TBytes(sample.begin(), sample.begin() + 9), icnkit::Generation::H1);
       },
       icnkit::ErrorKind::InvalidInput,
       "Invalid archive: frame table runs past the end of the file"},
      {[&] { archive.Frame(99); }, icnkit::ErrorKind::InvalidInput,
       "Frame 99 out of range: the archive has 5 frames"},
      {[&] { archive.DecodeInto(0, small.View()); }, icnkit::ErrorKind::InvalidInput,
       "Frame 0 is 17 x 17 pixels: target is 1 x 1"},
      {[&] { icnkit::ParseGeneration("h3"); }, icnkit::ErrorKind::InvalidInput,
       "Unknown generation: h3 (H1 or H2)"},
      {[&] { icnkit::Raster(-1, 1); }, icnkit::ErrorKind::InvalidInput,
       "Bitmap image is not valid"},
      {[&] { icnkit::DecodeBmp(Bytes("BM not a bitmap")); }, icnkit::ErrorKind::InvalidInput,
       "Stream read error"},
      {[&] { icnkit::DecodePng(png, palette, "f.png", true); }, icnkit::ErrorKind::InvalidInput,
       "PNG \"f.png\": pixel (0, 0) has colour #010203, which is not in the palette"},
      {[&] { icnkit::PaletteFormatOfName("p.txt"); }, icnkit::ErrorKind::InvalidInput,
       "Unknown palette format \"p.txt\": the name must end in .bmp, .png, .pal, .gpl, .act, .raw "
       "or .vga"},
      {[&] { icnkit::PackFolder(folder / "none.icn"); }, icnkit::ErrorKind::NotFound,
       "Folder doesn't exist: " + folder / NativeSlashes("none.icn.cadres/")},
      {[&] { icnkit::ArchiveFromSheet(png, "{}"); }, icnkit::ErrorKind::InvalidInput,
       "sheet.json: frames is missing"},
  };
  for (const TCase& test : cases) {
    try {
      test.Call();
      ADD_FAILURE() << "no error: " << test.Message;
    } catch (const icnkit::Error& error) {
      EXPECT_EQ(error.what(), test.Message);
      EXPECT_EQ(error.Kind(), test.Kind) << test.Message;
    }
  }
}

}  // namespace
