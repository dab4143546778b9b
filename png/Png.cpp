// PNG frames through libspng. Writing hands libspng the rows of the image
// one at a time; reading takes the header first, sizes the image through
// TIndexedImage (which bounds what it allocates), and only then decodes,
// one row at a time, so nothing is allocated from the file's word alone.
#include "png/Png.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

#include "format/Error.h"

namespace icnkit {

namespace {

// Ancillary chunks libspng keeps in memory (text, profiles, unknown ones):
// none may pass 4 MiB, all together 16 MiB. Sides beyond 2^24 pixels are
// refused before any row buffer is made.
constexpr size_t kChunkSizeLimit = size_t{4} << 20;
constexpr size_t kChunkCacheLimit = size_t{16} << 20;
constexpr uint32_t kSideLimit = uint32_t{1} << 24;
constexpr int kZlibRle = 3;  // Z_RLE of zlib.h

struct TSpngFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using TSpngContext = std::unique_ptr<spng_ctx, TSpngFree>;

TSpngContext NewContext(int flags) {
  TSpngContext ctx(spng_ctx_new(flags));
  if (!ctx) throw TZtError("Out of memory");
  return ctx;
}

[[noreturn]] void ThrowDamaged(const std::string& name, int code) {
  std::string why = spng_strerror(code);
  if (code == SPNG_IO_EOF || code == SPNG_EOF) why = "the file ends too early";
  if (code == SPNG_ECHUNK_CRC) why = "a chunk's checksum is wrong";
  throw TZtError(ZtFormat("Cannot read PNG \"%s\": %s", name.c_str(), why.c_str()));
}

// An RGBA colour as 16-bit channels (8-bit sources have them times 257).
struct TColour16 {
  uint16_t Red, Green, Blue, Alpha;
};

std::string ColourText(const TColour16& c, bool deep) {
  std::string text = deep ? ZtFormat("#%04X%04X%04X", c.Red, c.Green, c.Blue)
                          : ZtFormat("#%02X%02X%02X", c.Red / 257, c.Green / 257, c.Blue / 257);
  const unsigned opaque = deep ? 65535 : 255;
  const unsigned alpha = deep ? c.Alpha : c.Alpha / 257u;
  if (alpha != opaque) text += ZtFormat(" with alpha %u", alpha);
  return text;
}

std::string NotInPalette(const std::string& name, uint32_t x, uint32_t y, const TColour16& colour,
                         bool deep) {
  return ZtFormat("PNG \"%s\": pixel (%u, %u) has colour %s, which is not in the palette",
                  name.c_str(), x, y, ColourText(colour, deep).c_str());
}

uint32_t Key(uint8_t red, uint8_t green, uint8_t blue) {
  return red | (uint32_t{green} << 8) | (uint32_t{blue} << 16);
}

// Palette index of each exact colour (the lowest index of a repeated one).
class TColourIndex {
 public:
  explicit TColourIndex(const std::vector<TRgbQuad>& palette) {
    for (size_t i = palette.size(); i-- > 0;) {
      Index_[Key(palette[i].Red, palette[i].Green, palette[i].Blue)] = static_cast<uint8_t>(i);
    }
  }
  // The index of colour, alpha 0 being index 0; nothing when it is not in
  // the palette. 16-bit channels match only when they are 8-bit values
  // widened (v * 257).
  std::optional<uint8_t> Find(const TColour16& c) const {
    if (c.Alpha == 0) return uint8_t{0};
    if (c.Alpha != 65535 || c.Red % 257 || c.Green % 257 || c.Blue % 257) return std::nullopt;
    const auto found =
        Index_.find(Key(static_cast<uint8_t>(c.Red / 257), static_cast<uint8_t>(c.Green / 257),
                        static_cast<uint8_t>(c.Blue / 257)));
    if (found == Index_.end()) return std::nullopt;
    return found->second;
  }

 private:
  std::unordered_map<uint32_t, uint8_t> Index_;
};

// Adam7: the first column and the column step of each pass (a plain image
// is pass 0 of "no interlace", every column).
struct TPassColumns {
  uint32_t First, Step;
};
TPassColumns ColumnsOf(bool interlaced, int pass) {
  static constexpr std::array<TPassColumns, 7> kAdam7{
      {{0, 8}, {4, 8}, {0, 4}, {2, 4}, {0, 2}, {1, 2}, {0, 1}}};
  if (!interlaced || pass < 0 || pass > 6) return {0, 1};
  return kAdam7[static_cast<size_t>(pass)];
}

// The first offending pixel in raster order (interlaced files visit the
// pixels out of that order, so the whole image is looked at first).
struct TFirstBad {
  bool Found = false;
  uint32_t X = 0, Y = 0;
  std::string Text;  // the message, made when it is found
  void Offer(uint32_t x, uint32_t y, std::string text) {
    if (Found && (y > Y || (y == Y && x >= X))) return;
    Found = true;
    X = x;
    Y = y;
    Text = std::move(text);
  }
};

struct TDecodeState {
  TDecodeState(const std::vector<TRgbQuad>& palette, bool remap, const std::string& name)
      : Palette(palette), Remap(remap), Name(name) {}
  const std::vector<TRgbQuad>& Palette;
  bool Remap;
  const std::string& Name;
  spng_ihdr Header{};
  bool Interlaced = false;
  TIndexedImage Image;
  TFirstBad Bad;
  uint64_t Changed = 0;  // pixels whose colour the file's own table changes
};

// Palette PNG rows: the indices as stored (1, 2, 4 or 8 bits).
class TIndexedRows {
 public:
  TIndexedRows(spng_ctx* ctx, TDecodeState& state) : State_(state) {
    spng_plte plte{};
    if (const int ret = spng_get_plte(ctx, &plte)) ThrowDamaged(state.Name, ret);
    spng_trns trns{};
    const bool hasTrns = spng_get_trns(ctx, &trns) == 0;
    Entries_ = plte.n_entries;
    for (uint32_t i = 0; i < plte.n_entries; ++i) {
      const spng_plte_entry& e = plte.entries[i];
      const uint16_t alpha = hasTrns && i < trns.n_type3_entries ? trns.type3_alpha[i] : 255;
      Colours_[i] = {static_cast<uint16_t>(e.red * 257), static_cast<uint16_t>(e.green * 257),
                     static_cast<uint16_t>(e.blue * 257), static_cast<uint16_t>(alpha * 257)};
      const bool transparentZero = i == 0 && alpha == 0;
      Differs_[i] = !transparentZero &&
                    (i >= state.Palette.size() || state.Palette[i].Red != e.red ||
                     state.Palette[i].Green != e.green || state.Palette[i].Blue != e.blue);
    }
  }

  void Row(const uint8_t* row, uint32_t y, TPassColumns columns) {
    const unsigned depth = State_.Header.bit_depth;
    const unsigned mask = (1u << depth) - 1;
    uint8_t* out = State_.Image.RowAddress(static_cast<int32_t>(y));
    for (uint32_t x = columns.First; x < State_.Header.width; x += columns.Step) {
      const uint64_t bit = uint64_t{x} * depth;
      const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & mask;
      if (index >= Entries_) {
        State_.Bad.Offer(x, y,
                         ZtFormat("PNG \"%s\": pixel (%u, %u) has index %u, past the end of "
                                  "its colour table",
                                  State_.Name.c_str(), x, y, index));
        continue;
      }
      if (!State_.Remap) {
        out[x] = static_cast<uint8_t>(index);
        State_.Changed += Differs_[index];
        continue;
      }
      if (!Mapped_[index]) Mapped_[index] = MapByColour(index);
      if (*Mapped_[index] < 0) {
        State_.Bad.Offer(x, y, NotInPalette(State_.Name, x, y, Colours_[index], false));
        continue;
      }
      out[x] = static_cast<uint8_t>(*Mapped_[index]);
    }
  }

 private:
  // The palette index of file index i's colour: i itself when the palette
  // has that colour there, else the lowest index of it; -1 when none.
  int MapByColour(unsigned i) const {
    if (!Differs_[i]) return static_cast<int>(i);
    if (!Index_) Index_.emplace(State_.Palette);
    const std::optional<uint8_t> found = Index_->Find(Colours_[i]);
    return found ? *found : -1;
  }

  TDecodeState& State_;
  uint32_t Entries_ = 0;
  std::array<TColour16, 256> Colours_{};
  std::array<bool, 256> Differs_{};
  std::array<std::optional<int>, 256> Mapped_{};
  mutable std::optional<TColourIndex> Index_;
};

// Grey, RGB and their alpha forms: decoded to RGBA (8 or 16 bits a
// channel), each colour looked up in the palette.
class TColourRows {
 public:
  explicit TColourRows(TDecodeState& state) : State_(state), Index_(state.Palette) {}

  bool Deep() const { return State_.Header.bit_depth == 16; }

  void Row(const uint8_t* row, uint32_t y, TPassColumns columns) {
    uint8_t* out = State_.Image.RowAddress(static_cast<int32_t>(y));
    for (uint32_t x = columns.First; x < State_.Header.width; x += columns.Step) {
      const TColour16 c = ColourAt(row, x);
      std::optional<uint8_t> index;
      if (HaveLast_ && c.Red == Last_.Red && c.Green == Last_.Green && c.Blue == Last_.Blue &&
          c.Alpha == Last_.Alpha) {
        index = LastIndex_;
      } else {
        index = Index_.Find(c);
        HaveLast_ = true;
        Last_ = c;
        LastIndex_ = index;
      }
      if (!index) {
        State_.Bad.Offer(x, y, NotInPalette(State_.Name, x, y, c, Deep()));
        continue;
      }
      out[x] = *index;
    }
  }

 private:
  TColour16 ColourAt(const uint8_t* row, uint32_t x) const {
    if (Deep()) {
      std::array<uint16_t, 4> v{};
      std::memcpy(v.data(), row + size_t{x} * 8, sizeof v);  // host-endian channels
      return {v[0], v[1], v[2], v[3]};
    }
    const size_t at = size_t{x} * 4;
    return {static_cast<uint16_t>(row[at] * 257), static_cast<uint16_t>(row[at + 1] * 257),
            static_cast<uint16_t>(row[at + 2] * 257), static_cast<uint16_t>(row[at + 3] * 257)};
  }

  TDecodeState& State_;
  TColourIndex Index_;
  bool HaveLast_ = false;
  TColour16 Last_{};
  std::optional<uint8_t> LastIndex_;
};

// Decodes every row of ctx (initialised for progressive reads) to handler.
template <typename THandler>
void DecodeRows(spng_ctx* ctx, TDecodeState& state, size_t rowBytes, THandler& handler) {
  std::vector<uint8_t> row(rowBytes);
  for (;;) {
    spng_row_info info{};
    int ret = spng_get_row_info(ctx, &info);
    if (ret == SPNG_EOI) break;
    if (ret) ThrowDamaged(state.Name, ret);
    // Interlaced rows of 1, 2 or 4 bits are merged into what the buffer
    // holds: it starts each row cleared.
    std::fill(row.begin(), row.end(), uint8_t{0});
    ret = spng_decode_row(ctx, row.data(), row.size());
    if (ret && ret != SPNG_EOI) ThrowDamaged(state.Name, ret);
    handler.Row(row.data(), info.row_num, ColumnsOf(state.Interlaced, info.pass));
    // A plain image is read in raster order: its first bad pixel is final.
    if (state.Bad.Found && !state.Interlaced) break;
    if (ret == SPNG_EOI) break;
  }
  if (state.Bad.Found) throw TZtError(state.Bad.Text);
  // The chunks after the image data, to the end: the checksum of the last
  // image data chunk is checked on the way.
  if (const int ret = spng_decode_chunks(ctx)) ThrowDamaged(state.Name, ret);
}

// A decoding context over png with the limits set and the header read.
TSpngContext OpenPng(std::span<const uint8_t> png, const std::string& name, spng_ihdr& header) {
  TSpngContext ctx = NewContext(0);
  spng_set_image_limits(ctx.get(), kSideLimit, kSideLimit);
  spng_set_chunk_limits(ctx.get(), kChunkSizeLimit, kChunkCacheLimit);
  int ret = spng_set_png_buffer(ctx.get(), png.data(), png.size());
  if (!ret) ret = spng_get_ihdr(ctx.get(), &header);
  if (ret) ThrowDamaged(name, ret);
  return ctx;
}

}  // namespace

std::vector<TRgbQuad> ReadPngPalette(std::span<const uint8_t> png, const std::string& displayName) {
  spng_ihdr header{};
  TSpngContext ctx = OpenPng(png, displayName, header);
  spng_plte plte{};
  const int ret = spng_get_plte(ctx.get(), &plte);
  if (ret == SPNG_ECHUNKAVAIL) {
    throw TZtError(ZtFormat("PNG \"%s\" has no colour table (PLTE)", displayName.c_str()));
  }
  if (ret) ThrowDamaged(displayName, ret);
  std::vector<TRgbQuad> colours;
  for (uint32_t i = 0; i < plte.n_entries; ++i) {
    colours.push_back({plte.entries[i].blue, plte.entries[i].green, plte.entries[i].red, 0});
  }
  return colours;
}

std::vector<uint8_t> EncodeIndexedPng(const TIndexedImage& image, bool transparentZero) {
  if (!image.HasPixels()) return {};
  if (!image.Is8Bit()) throw TZtError("Wrong bitmap format");
  const uint32_t width = static_cast<uint32_t>(image.Width());
  const uint32_t height = static_cast<uint32_t>(image.Height());

  // PLTE is the colour table; an index past its end (a short table) gets
  // black entries up to that index, so the file stays valid.
  spng_plte plte{};
  const std::vector<TRgbQuad>& table = image.ColourTable();
  size_t entries = std::max<size_t>(table.size(), 1);
  for (uint32_t y = 0; y < height && entries < 256; ++y) {
    const uint8_t* row = image.RowAddress(static_cast<int32_t>(y));
    entries = std::max<size_t>(entries, size_t{*std::max_element(row, row + width)} + 1);
  }
  plte.n_entries = static_cast<uint32_t>(entries);
  for (size_t i = 0; i < table.size(); ++i) {
    plte.entries[i] = {table[i].Red, table[i].Green, table[i].Blue, 255};
  }

  TSpngContext ctx = NewContext(SPNG_CTX_ENCODER);
  spng_ihdr ihdr{width, height, 8, SPNG_COLOR_TYPE_INDEXED, 0, 0, 0};
  int ret = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  // Sprite rows are runs of few colours: no filter (the rule for palette
  // images) and zlib's run-length strategy, some 5 times faster than the
  // default for files about 1.7 times its size, still a third of the BMP.
  if (!ret) ret = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_NONE);
  if (!ret) ret = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, kZlibRle);
  if (!ret) ret = spng_set_ihdr(ctx.get(), &ihdr);
  if (!ret) ret = spng_set_plte(ctx.get(), &plte);
  if (!ret && transparentZero) {
    spng_trns trns{};
    trns.n_type3_entries = 1;
    trns.type3_alpha[0] = 0;
    ret = spng_set_trns(ctx.get(), &trns);
  }
  if (!ret) {
    ret = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                            SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  }
  for (uint32_t y = 0; !ret && y < height; ++y) {
    ret = spng_encode_row(ctx.get(), image.RowAddress(static_cast<int32_t>(y)), width);
    if (ret == SPNG_EOI) ret = 0;
  }
  if (ret) throw TZtError(ZtFormat("Cannot write PNG: %s", spng_strerror(ret)));
  size_t length = 0;
  int error = 0;
  std::unique_ptr<void, decltype(&std::free)> buffer(
      spng_get_png_buffer(ctx.get(), &length, &error), &std::free);
  if (!buffer) throw TZtError(ZtFormat("Cannot write PNG: %s", spng_strerror(error)));
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer.get());
  return std::vector<uint8_t>(bytes, bytes + length);
}

void DecodePngFrame(std::span<const uint8_t> png, const std::vector<TRgbQuad>& palette, bool remap,
                    const std::string& displayName, TIndexedImage& image, TPngFrameReport& report) {
  if (png.empty()) {
    image.Create8Bit(0, 0, palette);
    return;
  }
  TDecodeState state{palette, remap, displayName};
  TSpngContext ctx = OpenPng(png, displayName, state.Header);
  state.Interlaced = state.Header.interlace_method != SPNG_INTERLACE_NONE;
  // The image's own allocation bounds the size ("Bitmap too large").
  state.Image.Create8Bit(static_cast<int32_t>(state.Header.width),
                         static_cast<int32_t>(state.Header.height), palette);

  const bool indexed = state.Header.color_type == SPNG_COLOR_TYPE_INDEXED;
  const int format = indexed                        ? SPNG_FMT_PNG
                     : state.Header.bit_depth == 16 ? SPNG_FMT_RGBA16
                                                    : SPNG_FMT_RGBA8;
  size_t imageBytes = 0;
  int ret = spng_decoded_image_size(ctx.get(), format, &imageBytes);
  const int flags = SPNG_DECODE_PROGRESSIVE | (indexed ? 0 : SPNG_DECODE_TRNS);
  if (!ret) ret = spng_decode_image(ctx.get(), nullptr, 0, format, flags);
  if (ret) ThrowDamaged(displayName, ret);
  const size_t rowBytes = imageBytes / state.Header.height;
  if (indexed) {
    TIndexedRows rows(ctx.get(), state);
    DecodeRows(ctx.get(), state, rowBytes, rows);
  } else {
    TColourRows rows(state);
    DecodeRows(ctx.get(), state, rowBytes, rows);
  }
  if (indexed && !remap && state.Changed != 0) {
    report.Warnings.push_back(
        ZtFormat("PNG \"%s\" has its own colour table: %llu pixels change colour (--remap keeps "
                 "their colours)",
                 displayName.c_str(), static_cast<unsigned long long>(state.Changed)));
  }
  image = std::move(state.Image);
}

}  // namespace icnkit
