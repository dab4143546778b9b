#include "fuzz/KitSeeds.h"

#include <spng.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "format/Error.h"
#include "fuzz/SeedPalette.h"
#include "image/IndexedImage.h"
#include "palette/PaletteFile.h"
#include "png/Png.h"
#include "sheet/SheetCompose.h"
#include "sheet/SheetFrames.h"
#include "testdata/BmpBuilder.h"

using namespace icnkit;

namespace {

using testdata::TBytes;

struct TLayout {
  uint8_t Depth;
  uint8_t ColourType;
  bool Interlaced = false;
};

// One sample per channel per pixel, 0 to 2^depth - 1; rows packed as the
// file stores them.
TBytes Packed(const TLayout& layout, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& samples) {
  const uint32_t channels = static_cast<uint32_t>(samples.size() / (size_t{width} * height));
  const size_t stride = (size_t{width} * channels * layout.Depth + 7) / 8;
  TBytes rows(stride * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t i = 0; i < width * channels; ++i) {
      const uint32_t v = samples[size_t{y} * width * channels + i];
      uint8_t* row = rows.data() + size_t{y} * stride;
      if (layout.Depth == 16) {
        row[size_t{2} * i] = static_cast<uint8_t>(v >> 8);
        row[size_t{2} * i + 1] = static_cast<uint8_t>(v);
      } else {
        const size_t bit = size_t{i} * layout.Depth;
        row[bit / 8] |= static_cast<uint8_t>(v << (8 - layout.Depth - bit % 8));
      }
    }
  }
  return rows;
}

// A PNG libspng writes from packed rows: the layouts icnkit's writer does
// not make.
TBytes SpngFile(const TLayout& layout, uint32_t width, uint32_t height, const TBytes& rows,
                size_t plteEntries) {
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(SPNG_CTX_ENCODER),
                                                          &spng_ctx_free);
  spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{width, height, layout.Depth, layout.ColourType, 0, 0, uint8_t(layout.Interlaced)};
  int ret = spng_set_ihdr(ctx.get(), &ihdr);
  if (!ret && plteEntries > 0) {
    const std::vector<TRgbQuad> palette = FuzzPngPalette();
    spng_plte plte{};
    plte.n_entries = static_cast<uint32_t>(plteEntries);
    for (size_t i = 0; i < plteEntries; ++i) {
      plte.entries[i] = {palette[i].Red, palette[i].Green, palette[i].Blue, 255};
    }
    ret = spng_set_plte(ctx.get(), &plte);
  }
  if (!ret)
    ret =
        spng_encode_image(ctx.get(), rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  size_t length = 0;
  std::unique_ptr<void, decltype(&std::free)> buffer(
      ret ? nullptr : spng_get_png_buffer(ctx.get(), &length, &ret), &std::free);
  if (!buffer) throw TZtError(ZtFormat("Cannot write a PNG seed: %s", spng_strerror(ret)));
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer.get());
  return TBytes(bytes, bytes + length);
}

}  // namespace

void PngSeeds(const std::string& folder) {
  TSeedWriter seeds{folder};
  std::mt19937 random(4);
  const std::vector<TRgbQuad> palette = FuzzPngPalette();
  // What icnkit writes: 8-bit indexed, with and without transparent 0.
  for (const auto& [w, h] : {std::pair{1, 1}, {13, 7}, {40, 3}}) {
    TIndexedImage image;
    image.Create8Bit(w, h, palette);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) image.RowAddress(y)[x] = uint8_t(random() % 3 ? random() : 0);
    }
    seeds.Add(EncodeIndexedPng(image, false));
    seeds.Add(EncodeIndexedPng(image, true));
  }
  // Editors' files: every colour type and depth, plain and interlaced.
  constexpr uint32_t kWidth = 11, kHeight = 6;
  for (const bool interlaced : {false, true}) {
    for (const uint8_t depth : {1, 2, 4, 8}) {
      const TLayout layout{depth, SPNG_COLOR_TYPE_INDEXED, interlaced};
      std::vector<uint32_t> samples(size_t{kWidth} * kHeight);
      for (uint32_t& v : samples) v = random() % (1u << depth);
      seeds.Add(
          SpngFile(layout, kWidth, kHeight, Packed(layout, kWidth, kHeight, samples), 1u << depth));
    }
    // Greys: black and white only, the palette's two greys.
    for (const uint8_t depth : {1, 2, 4, 8, 16}) {
      const TLayout layout{depth, SPNG_COLOR_TYPE_GRAYSCALE, interlaced};
      std::vector<uint32_t> samples(size_t{kWidth} * kHeight);
      for (uint32_t& v : samples) v = random() % 2 ? (1u << depth) - 1 : 0;
      seeds.Add(SpngFile(layout, kWidth, kHeight, Packed(layout, kWidth, kHeight, samples), 0));
    }
    for (const uint8_t depth : {8, 16}) {
      for (const uint8_t type : {SPNG_COLOR_TYPE_TRUECOLOR, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA,
                                 SPNG_COLOR_TYPE_GRAYSCALE_ALPHA}) {
        const TLayout layout{depth, type, interlaced};
        const uint32_t scale = depth == 16 ? 257 : 1;
        std::vector<uint32_t> samples;
        for (uint32_t i = 0; i < kWidth * kHeight; ++i) {
          const TRgbQuad& c = palette[random() % 256];
          const bool clear = random() % 4 == 0;
          if (type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA) {
            samples.insert(samples.end(),
                           {clear ? 17 * scale : 255 * scale, clear ? 0 : 255 * scale});
            continue;
          }
          samples.insert(samples.end(), {c.Red * scale, c.Green * scale, c.Blue * scale});
          if (type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA) samples.push_back(clear ? 0 : 255 * scale);
        }
        seeds.Add(SpngFile(layout, kWidth, kHeight, Packed(layout, kWidth, kHeight, samples), 0));
      }
    }
  }
}

void PaletteSeeds(const std::string& folder) {
  TSeedWriter seeds{folder};
  // The first byte names the file (palette_file.cpp): 0 .bmp, 1 .png,
  // 2 .pal, 3 .gpl, 4 .act, 5 .raw, 6 .VGA, 7 .txt; bit 3 forces 6 bits.
  const auto add = [&seeds](uint8_t selector, TBytes file) {
    file.insert(file.begin(), selector);
    seeds.Add(file);
  };
  std::vector<TRgbQuad> vga(256);
  for (size_t i = 0; i < vga.size(); ++i)
    vga[i] = {uint8_t(i % 64), uint8_t(i / 4), uint8_t(63 - i % 64), 0};
  const std::vector<std::vector<TRgbQuad>> sets = {
      testdata::DistinctColours(256), testdata::DistinctColours(16), {TRgbQuad{1, 2, 3, 0}}, vga};
  constexpr TPaletteFormat kFormats[] = {TPaletteFormat::Bmp,     TPaletteFormat::Png,
                                         TPaletteFormat::JascPal, TPaletteFormat::Gpl,
                                         TPaletteFormat::Act,     TPaletteFormat::Raw};
  for (const std::vector<TRgbQuad>& colours : sets) {
    for (const TPaletteFormat format : kFormats) {
      add(static_cast<uint8_t>(format), WritePaletteFile(colours, format));
    }
  }
  add(6, WritePaletteFile(vga, TPaletteFormat::Raw));      // .VGA
  add(5 | 8, WritePaletteFile(vga, TPaletteFormat::Raw));  // 6 bits forced
  add(2, WritePaletteFile(sets[0], TPaletteFormat::Raw));  // a raw .pal
  add(7, WritePaletteFile(sets[1], TPaletteFormat::Gpl));  // content over name
  add(3, TBytes{'G',  'I',  'M', 'P', ' ', 'P',  'a',  'l', 'e',  't', 't', 'e',
                '\r', '\n', '#', ' ', 'x', '\r', '\n', ' ', '1',  ' ', '2', '5',
                '5',  '\t', '0', ' ', 'n', 'a',  'm',  'e', '\r', '\n'});
}

void SheetSeeds(TSeedWriter& seeds, TIcnGeneration generation,
                const std::vector<TBytes>& archives) {
  std::vector<TRgbQuad> grey(256);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  int n = 0;
  for (const TBytes& archive : archives) {
    const TArchiveFrames frames = ReadArchiveFrames(archive, generation, "a.icn");
    TSheetOptions options;
    options.Untrimmed = n % 2 == 1;
    options.Layout.Arrangement = n % 3 == 0 ? TSheetArrangement::Packed : TSheetArrangement::Grid;
    options.Layout.Padding = n % 2;
    options.Image = "a.png";
    options.Version = "fuzz";
    ++n;
    try {
      seeds.Add(WriteSheetJson(ComposeSheet(frames, grey, options).Description));
    } catch (const TZtError&) {
      // A sheet too large to make (frames at opposite corners, untrimmed).
    }
  }
}
