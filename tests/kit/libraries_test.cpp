// The icnkit tool's libraries (libspng with zlib, giflib, nlohmann-json,
// CLI11) as every build links them, Debian's packages natively and the
// static libraries of the Windows cross build: each one does real work here.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <spng.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kWidth = 5;
constexpr std::uint32_t kHeight = 3;
// Five columns, three rows of palette indices; index 3 appears once.
const Bytes kIndices = {0, 1, 2, 1, 0,  //
                        2, 2, 0, 1, 3,  //
                        1, 0, 0, 2, 2};
const std::uint8_t kPalette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 128, 255}, {10, 20, 30}};

struct SpngContextFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngContextFree>;

Bytes EncodeIndexedPng() {
  SpngContext ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  EXPECT_NE(ctx, nullptr);
  EXPECT_EQ(spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1), 0);
  spng_ihdr ihdr{};
  ihdr.width = kWidth;
  ihdr.height = kHeight;
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
  EXPECT_EQ(spng_set_ihdr(ctx.get(), &ihdr), 0);
  spng_plte plte{};
  plte.n_entries = 4;
  for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
    plte.entries[i].red = kPalette[i][0];
    plte.entries[i].green = kPalette[i][1];
    plte.entries[i].blue = kPalette[i][2];
  }
  EXPECT_EQ(spng_set_plte(ctx.get(), &plte), 0);
  EXPECT_EQ(spng_encode_image(ctx.get(), kIndices.data(), kIndices.size(), SPNG_FMT_PNG,
                              SPNG_ENCODE_FINALIZE),
            0);
  std::size_t size = 0;
  int error = 0;
  void* buffer = spng_get_png_buffer(ctx.get(), &size, &error);
  EXPECT_EQ(error, 0);
  Bytes png;
  if (buffer) {
    png.assign(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + size);
    std::free(buffer);
  }
  return png;
}

// Decodes into the format given; an empty result when libspng refuses.
Bytes DecodePng(const Bytes& png, int format, spng_ihdr* ihdr, spng_plte* plte) {
  SpngContext ctx(spng_ctx_new(0));
  if (!ctx || spng_set_png_buffer(ctx.get(), png.data(), png.size()) != 0) return {};
  std::size_t size = 0;
  if (spng_get_ihdr(ctx.get(), ihdr) != 0 || spng_get_plte(ctx.get(), plte) != 0 ||
      spng_decoded_image_size(ctx.get(), format, &size) != 0) {
    return {};
  }
  Bytes pixels(size);
  if (spng_decode_image(ctx.get(), pixels.data(), pixels.size(), format, 0) != 0) return {};
  return pixels;
}

TEST(DepsSmoke, SpngEncodesAndDecodesAnIndexedPng) {
  const Bytes png = EncodeIndexedPng();
  const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GT(png.size(), signature.size());
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  // IHDR right after the signature: 5 x 3, 8 bits, colour type 3 (palette).
  const Bytes ihdrChunk = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 5, 0, 0, 0, 3, 8, 3, 0, 0, 0};
  EXPECT_TRUE(std::equal(ihdrChunk.begin(), ihdrChunk.end(), png.begin() + 8));

  spng_ihdr ihdr{};
  spng_plte plte{};
  EXPECT_EQ(DecodePng(png, SPNG_FMT_PNG, &ihdr, &plte), kIndices);
  EXPECT_EQ(ihdr.width, kWidth);
  EXPECT_EQ(ihdr.height, kHeight);
  EXPECT_EQ(ihdr.color_type, SPNG_COLOR_TYPE_INDEXED);
  ASSERT_EQ(plte.n_entries, 4u);
  EXPECT_EQ(plte.entries[2].green, 128);
  EXPECT_EQ(plte.entries[3].blue, 30);

  // Expanded through the palette (zlib inflates the same stream again).
  const Bytes rgba = DecodePng(png, SPNG_FMT_RGBA8, &ihdr, &plte);
  ASSERT_EQ(rgba.size(), kIndices.size() * 4);
  EXPECT_EQ(Bytes(rgba.begin() + 9 * 4, rgba.begin() + 10 * 4), (Bytes{10, 20, 30, 255}));

  // Cut short inside the image data: an error, not a crash or a short image.
  const Bytes truncated(png.begin(), png.end() - 20);
  EXPECT_TRUE(DecodePng(truncated, SPNG_FMT_PNG, &ihdr, &plte).empty());
}

int WriteToBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct ReadCursor {
  const Bytes* bytes;
  std::size_t at;
};

int ReadFromBytes(GifFileType* gif, GifByteType* data, int length) {
  auto* cursor = static_cast<ReadCursor*>(gif->UserData);
  const std::size_t left = cursor->bytes->size() - cursor->at;
  const std::size_t count = std::min(left, static_cast<std::size_t>(length));
  std::memcpy(data, cursor->bytes->data() + cursor->at, count);
  cursor->at += count;
  return static_cast<int>(count);
}

Bytes EncodeGif() {
  GifColorType colors[4];
  for (int i = 0; i < 4; ++i) colors[i] = {kPalette[i][0], kPalette[i][1], kPalette[i][2]};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EXPECT_NE(map, nullptr);
  Bytes gif;
  int error = 0;
  GifFileType* file = EGifOpen(&gif, WriteToBytes, &error);
  EXPECT_NE(file, nullptr);
  if (!file) return {};
  EXPECT_EQ(EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(file, 0, 0, kWidth, kHeight, false, nullptr), GIF_OK);
  Bytes line = kIndices;
  EXPECT_EQ(EGifPutLine(file, line.data(), static_cast<int>(line.size())), GIF_OK);
  EXPECT_EQ(EGifCloseFile(file, &error), GIF_OK);
  GifFreeMapObject(map);
  return gif;
}

// The first image and the global palette; false when giflib refuses the file.
bool DecodeGif(const Bytes& gif, Bytes* pixels, std::vector<GifColorType>* colors) {
  ReadCursor cursor{&gif, 0};
  int error = 0;
  GifFileType* file = DGifOpen(&cursor, ReadFromBytes, &error);
  if (!file) return false;
  const bool ok = DGifSlurp(file) == GIF_OK && file->ImageCount == 1 && file->SColorMap;
  if (ok) {
    const SavedImage& image = file->SavedImages[0];
    const auto count = static_cast<std::size_t>(image.ImageDesc.Width) *
                       static_cast<std::size_t>(image.ImageDesc.Height);
    pixels->assign(image.RasterBits, image.RasterBits + count);
    colors->assign(file->SColorMap->Colors, file->SColorMap->Colors + file->SColorMap->ColorCount);
  }
  DGifCloseFile(file, &error);
  return ok;
}

TEST(DepsSmoke, GiflibEncodesAndDecodesAGif) {
  const Bytes gif = EncodeGif();
  // Header, then the logical screen: 5 x 3 (little-endian), a global table
  // of 4 entries and 8 bits of colour resolution (0xF1), background 0.
  const Bytes head = {'G', 'I', 'F', '8', '7', 'a', 5, 0, 3, 0, 0xF1, 0, 0};
  ASSERT_GT(gif.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), gif.begin()));
  EXPECT_EQ(gif.back(), ';');

  Bytes pixels;
  std::vector<GifColorType> colors;
  ASSERT_TRUE(DecodeGif(gif, &pixels, &colors));
  EXPECT_EQ(pixels, kIndices);
  ASSERT_EQ(colors.size(), 4u);
  EXPECT_EQ(colors[2].Blue, 255);
  EXPECT_EQ(colors[3].Green, 20);

  // Cut inside the image: giflib reports it.
  const Bytes truncated(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(gif.size() / 2));
  EXPECT_FALSE(DecodeGif(truncated, &pixels, &colors));
}

TEST(DepsSmoke, JsonParsesAndDumps) {
  const auto doc = nlohmann::json::parse(R"({"frames":[{"x":-3,"name":"b\u00e4r"}],"ok":true})");
  EXPECT_EQ(doc.at("frames").at(0).at("x").get<int>(), -3);
  EXPECT_EQ(doc["frames"][0]["name"].get<std::string>(), "b\xC3\xA4r");
  EXPECT_TRUE(doc["ok"].get<bool>());
  // Keys in order, UTF-8 kept as it is.
  EXPECT_EQ(doc.dump(), "{\"frames\":[{\"name\":\"b\xC3\xA4r\",\"x\":-3}],\"ok\":true}");
  // Cut short: an exception, or a discarded value when asked for none.
  const char* cut = "{\"frames\":[1,2";
  EXPECT_THROW(
      {
        const auto value = nlohmann::json::parse(cut);
        (void)value;
      },
      nlohmann::json::parse_error);
  EXPECT_TRUE(nlohmann::json::parse(cut, nullptr, false).is_discarded());
}

TEST(DepsSmoke, Cli11ParsesASubcommandLine) {
  CLI::App app{"smoke"};
  bool verbose = false;
  app.add_flag("-v,--verbose", verbose);
  auto* exportCommand = app.add_subcommand("export", "export frames");
  int scale = 1;
  std::string archive;
  exportCommand->add_option("--scale", scale)->check(CLI::Range(1, 8));
  exportCommand->add_option("archive", archive)->required();

  app.parse("-v export --scale 4 \"my sprites.icn\"", false);
  EXPECT_TRUE(verbose);
  EXPECT_TRUE(exportCommand->parsed());
  EXPECT_EQ(scale, 4);
  EXPECT_EQ(archive, "my sprites.icn");

  EXPECT_THROW(app.parse("export --scale 9 a.icn", false), CLI::ValidationError);
  EXPECT_THROW(app.parse("export --frames a.icn", false), CLI::ExtrasError);
}

}  // namespace
