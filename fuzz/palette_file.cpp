// Fuzz target: a palette file as `icnkit --palette` reads it. The first
// byte chooses the file's name (its extension, bits 0-2) and the depth of
// raw values (bit 3: 6-bit, else bit 4: 8-bit, else detected); the rest is
// the file. What is read is 1 to 256 colours that every format writes and
// reads back the same (raw at 8 bits exactly); what is not ends in TZtError.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "format/Error.h"
#include "fuzz/FuzzCheck.h"
#include "palette/PaletteFile.h"

using namespace icnkit;

namespace {

// Index 7 is a name that tells no format.
constexpr const char* kNames[] = {"p.bmp", "p.png", "p.pal", "p.gpl",
                                  "p.act", "p.raw", "p.VGA", "p.txt"};

struct TFormatName {
  TPaletteFormat Format;
  const char* Name;
};
constexpr TFormatName kWritten[] = {
    {TPaletteFormat::Bmp, "w.bmp"},     {TPaletteFormat::Png, "w.png"},
    {TPaletteFormat::JascPal, "w.pal"}, {TPaletteFormat::Gpl, "w.gpl"},
    {TPaletteFormat::Act, "w.act"},     {TPaletteFormat::Raw, "w.raw"},
};

// What a raw file of colours reads back as: 256 colours, black past the
// last, scaled from 6 bits when no value passes 63.
std::vector<TRgbQuad> RawReadBack(std::vector<TRgbQuad> colours) {
  colours.resize(256, TRgbQuad{0, 0, 0, 0});
  uint8_t highest = 0;
  for (const TRgbQuad& c : colours) highest = std::max({highest, c.Red, c.Green, c.Blue});
  if (highest > 63) return colours;
  const auto scale = [](uint8_t v) { return static_cast<uint8_t>((v * 255 + 31) / 63); };
  for (TRgbQuad& c : colours) c = {scale(c.Blue), scale(c.Green), scale(c.Red), 0};
  return colours;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string name = kNames[data[0] & 7];
  using icnkit::TPaletteDepth;
  const TPaletteDepth depth = (data[0] & 8)    ? TPaletteDepth::SixBit
                              : (data[0] & 16) ? TPaletteDepth::EightBit
                                               : TPaletteDepth::Detect;
  const std::span<const uint8_t> bytes(data + 1, size - 1);
  std::vector<TRgbQuad> colours;
  try {
    colours = ReadPaletteFile(bytes, name, depth);
  } catch (const TZtError& error) {
    const std::string message = error.what();
    FUZZ_CHECK(message.find(name) != std::string::npos);
    return 0;
  }
  FUZZ_CHECK(!colours.empty() && colours.size() <= 256);
  for (const TRgbQuad& c : colours) FUZZ_CHECK(c.Reserved == 0);

  for (const TFormatName& written : kWritten) {
    const std::vector<uint8_t> file = WritePaletteFile(colours, written.Format);
    FUZZ_CHECK(PaletteFileFormatOfName(written.Name) == written.Format);
    std::vector<TRgbQuad> again;
    try {
      again = ReadPaletteFile(file, written.Name, false);
    } catch (const TZtError& error) {
      std::fprintf(stderr, "%s: %s\n", written.Name, error.what());
      FUZZ_CHECK(!"a written palette reads back");
    }
    const std::vector<TRgbQuad> expected =
        written.Format == TPaletteFormat::Raw ? RawReadBack(colours) : colours;
    FUZZ_CHECK(again == expected);
  }
  std::vector<TRgbQuad> padded = colours;
  padded.resize(256, TRgbQuad{0, 0, 0, 0});
  const std::vector<uint8_t> raw = WritePaletteFile(colours, TPaletteFormat::Raw);
  FUZZ_CHECK(ReadPaletteFile(raw, "w.raw", TPaletteDepth::EightBit) == padded);
  FUZZ_CHECK(icnkit::ReadsAsSixBit(colours) ==
             (RawReadBack(colours) != padded ||
              std::all_of(padded.begin(), padded.end(), [](const TRgbQuad& c) {
                return c == TRgbQuad{0, 0, 0, 0};
              })));
  return 0;
}
