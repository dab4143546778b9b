// Palette files: recognised by their content where it tells (a BMP, a PNG,
// JASC-PAL and GIMP text), else by their name (Adobe .act, raw bytes).
#include "palette/PaletteFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "format/Error.h"
#include "format/Text.h"
#include "image/IndexedImage.h"
#include "png/Png.h"

namespace icnkit {

namespace {

constexpr size_t kMaxColours = 256;
constexpr size_t kRawSize = 768;
constexpr size_t kActSize = 772;  // 768 bytes, then a colour count and a transparent index

bool StartsWith(std::span<const uint8_t> bytes, const char* magic) {
  const size_t n = std::strlen(magic);
  return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

[[noreturn]] void ThrowDamaged(const std::string& name, const std::string& why) {
  throw TZtError(ZtFormat("Palette \"%s\" is damaged: %s", name.c_str(), why.c_str()));
}

// The lines of a text palette, each without its line end and trailing
// blanks.
std::vector<std::string> Lines(std::span<const uint8_t> bytes) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  while (std::getline(in, line)) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Three numbers 0..255 at the start of line (blanks between and before
// them); rest receives what follows. False when they are not there.
bool ParseRgb(const std::string& line, TRgbQuad& colour, std::string* rest) {
  std::istringstream in(line);
  int values[3];
  for (int& v : values) {
    std::string word;
    if (!(in >> word) || word.size() > 3 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    v = std::stoi(word);
    if (v > 255) return false;
  }
  colour = {static_cast<uint8_t>(values[2]), static_cast<uint8_t>(values[1]),
            static_cast<uint8_t>(values[0]), 0};
  std::string tail;
  std::getline(in, tail);
  if (rest) *rest = tail;
  return true;
}

std::vector<TRgbQuad> ReadJasc(std::span<const uint8_t> bytes, const std::string& name) {
  const std::vector<std::string> lines = Lines(bytes);
  if (lines.size() < 3 || lines[0] != "JASC-PAL" || lines[1] != "0100") {
    ThrowDamaged(name, "no JASC-PAL 0100 header");
  }
  const std::string& count = lines[2];
  if (count.empty() || count.size() > 3 ||
      !std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      std::stoi(count) < 1 || std::stoi(count) > 256) {
    ThrowDamaged(name, "line 3: the colour count must be 1 to 256");
  }
  const size_t n = static_cast<size_t>(std::stoi(count));
  std::vector<TRgbQuad> colours(n);
  for (size_t i = 0; i < n; ++i) {
    std::string rest;
    if (3 + i >= lines.size()) ThrowDamaged(name, ZtFormat("%zu colours instead of %zu", i, n));
    if (!ParseRgb(lines[3 + i], colours[i], &rest) || !rest.empty()) {
      ThrowDamaged(name, ZtFormat("line %zu: not three values 0 to 255", 4 + i));
    }
  }
  for (size_t k = 3 + n; k < lines.size(); ++k) {
    if (!lines[k].empty())
      ThrowDamaged(name, ZtFormat("line %zu: more colours than %zu", k + 1, n));
  }
  return colours;
}

std::vector<TRgbQuad> ReadGpl(std::span<const uint8_t> bytes, const std::string& name) {
  const std::vector<std::string> lines = Lines(bytes);
  std::vector<TRgbQuad> colours;
  for (size_t k = 1; k < lines.size(); ++k) {
    const std::string& line = lines[k];
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#' || line.rfind("Name:", 0) == 0 ||
        line.rfind("Columns:", 0) == 0) {
      continue;
    }
    TRgbQuad colour;
    std::string rest;
    // The name after the numbers is set off by blanks.
    if (!ParseRgb(line, colour, &rest) ||
        (!rest.empty() && !std::isspace(static_cast<unsigned char>(rest[0])))) {
      ThrowDamaged(name, ZtFormat("line %zu: not three values 0 to 255", k + 1));
    }
    if (colours.size() == kMaxColours) ThrowDamaged(name, "more than 256 colours");
    colours.push_back(colour);
  }
  if (colours.empty()) ThrowDamaged(name, "no colours");
  return colours;
}

std::vector<TRgbQuad> Triplets(std::span<const uint8_t> bytes, size_t count) {
  std::vector<TRgbQuad> colours(count);
  for (size_t i = 0; i < count; ++i) {
    colours[i] = {bytes[3 * i + 2], bytes[3 * i + 1], bytes[3 * i], 0};
  }
  return colours;
}

std::vector<TRgbQuad> ReadAct(std::span<const uint8_t> bytes, const std::string& name) {
  if (bytes.size() == kRawSize) return Triplets(bytes, kMaxColours);
  if (bytes.size() != kActSize) {
    ThrowDamaged(name, ZtFormat("%zu bytes; an Adobe colour table has 768 or 772", bytes.size()));
  }
  const size_t count = size_t{bytes[768]} << 8 | bytes[769];
  if (count < 1 || count > kMaxColours) {
    ThrowDamaged(name, ZtFormat("the colour count %zu is not 1 to 256", count));
  }
  return Triplets(bytes, count);
}

constexpr uint8_t kSixBitHighest = 63;

// 768 bytes of red, green, blue. Values of 6 bits (a VGA DAC palette) are
// recognised when none passes 63, or said by depth; they are scaled to 8
// bits.
std::vector<TRgbQuad> ReadRaw(std::span<const uint8_t> bytes, const std::string& name,
                              icnkit::TPaletteDepth depth) {
  using icnkit::TPaletteDepth;
  if (bytes.size() != kRawSize) {
    ThrowDamaged(name, ZtFormat("%zu bytes; a raw palette has 768", bytes.size()));
  }
  const uint8_t highest = *std::max_element(bytes.begin(), bytes.end());
  if (depth == TPaletteDepth::SixBit && highest > kSixBitHighest) {
    ThrowDamaged(name, ZtFormat("a value of %u is beyond the 6 bits of a VGA palette", highest));
  }
  if (depth == TPaletteDepth::EightBit ||
      (depth == TPaletteDepth::Detect && highest > kSixBitHighest)) {
    return Triplets(bytes, kMaxColours);
  }
  std::vector<uint8_t> scaled(bytes.begin(), bytes.end());
  for (uint8_t& v : scaled) v = static_cast<uint8_t>((v * 255 + 31) / 63);
  return Triplets(scaled, kMaxColours);
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The 768 bytes of red, green, blue, black past the last colour.
std::vector<uint8_t> RawBytes(const std::vector<TRgbQuad>& colours) {
  std::vector<uint8_t> bytes(kRawSize, 0);
  for (size_t i = 0; i < colours.size(); ++i) {
    bytes[3 * i] = colours[i].Red;
    bytes[3 * i + 1] = colours[i].Green;
    bytes[3 * i + 2] = colours[i].Blue;
  }
  return bytes;
}

// The name's extension in lower case, with its dot ("" for none).
std::string Extension(const std::string& name) {
  const size_t slash = name.find_last_of("/\\");
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return AsciiLower(name.substr(dot));
}

}  // namespace

bool ReadsAsSixBit(const std::vector<TRgbQuad>& colours) {
  return std::all_of(colours.begin(), colours.end(), [](const TRgbQuad& c) {
    return std::max({c.Red, c.Green, c.Blue}) <= kSixBitHighest;
  });
}

TPaletteFormat PaletteFileFormatOfName(const std::string& name) {
  const std::string ext = Extension(name);
  if (ext == ".bmp") return TPaletteFormat::Bmp;
  if (ext == ".png") return TPaletteFormat::Png;
  if (ext == ".pal") return TPaletteFormat::JascPal;
  if (ext == ".gpl") return TPaletteFormat::Gpl;
  if (ext == ".act") return TPaletteFormat::Act;
  if (ext == ".raw" || ext == ".vga") return TPaletteFormat::Raw;
  throw TZtError(
      ZtFormat("Unknown palette format \"%s\": the name must end in .bmp, .png, .pal, "
               ".gpl, .act, .raw or .vga",
               name.c_str()));
}

std::vector<TRgbQuad> ReadPaletteFile(std::span<const uint8_t> bytes, const std::string& name,
                                      icnkit::TPaletteDepth depth) {
  // Adobe and raw tables have no signature: their first colours may spell
  // another format's (red 66, green 77 is "BM"). Of their size and under
  // their name, they are what the name says.
  const std::string ext = Extension(name);
  if (ext == ".act" && (bytes.size() == kRawSize || bytes.size() == kActSize)) {
    return ReadAct(bytes, name);
  }
  if ((ext == ".raw" || ext == ".vga") && bytes.size() == kRawSize) {
    return ReadRaw(bytes, name, depth);
  }
  if (StartsWith(bytes, "BM")) {
    TBmpHeader header;
    try {
      header = ParseBmpHeader(bytes);
    } catch (const TZtError& e) {
      ThrowDamaged(name, e.what());
    }
    if (header.ColourTable.empty()) ThrowDamaged(name, "the bitmap has no colour table");
    if (header.ColourTable.size() > kMaxColours) header.ColourTable.resize(kMaxColours);
    for (TRgbQuad& c : header.ColourTable) c.Reserved = 0;
    return header.ColourTable;
  }
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return ReadPngPalette(bytes, name);
  if (StartsWith(bytes, "JASC-PAL")) return ReadJasc(bytes, name);
  if (StartsWith(bytes, "GIMP Palette")) return ReadGpl(bytes, name);
  const TPaletteFormat format = PaletteFileFormatOfName(name);
  if (format == TPaletteFormat::Act) return ReadAct(bytes, name);
  // A .pal that is not JASC text is taken as raw bytes, as many are.
  if (format == TPaletteFormat::Raw ||
      (format == TPaletteFormat::JascPal && bytes.size() == kRawSize)) {
    return ReadRaw(bytes, name, depth);
  }
  const char* what[] = {"a BMP file", "a PNG file", "JASC-PAL text", "a GIMP palette"};
  ThrowDamaged(name, ZtFormat("not %s", what[static_cast<int>(format)]));
}

std::vector<uint8_t> WritePaletteFile(const std::vector<TRgbQuad>& colours, TPaletteFormat format) {
  if (colours.empty() || colours.size() > kMaxColours) {
    throw TZtError(ZtFormat("A palette has 1 to 256 colours, not %zu", colours.size()));
  }
  switch (format) {
    case TPaletteFormat::Bmp:
    case TPaletteFormat::Png: {
      TIndexedImage image;
      image.Create8Bit(1, 1, colours);
      return format == TPaletteFormat::Bmp ? image.BmpBytes() : EncodeIndexedPng(image, false);
    }
    case TPaletteFormat::JascPal: {
      std::string text = ZtFormat("JASC-PAL\r\n0100\r\n%zu\r\n", colours.size());
      for (const TRgbQuad& c : colours) text += ZtFormat("%u %u %u\r\n", c.Red, c.Green, c.Blue);
      return Bytes(text);
    }
    case TPaletteFormat::Gpl: {
      std::string text = "GIMP Palette\nName: icnkit\nColumns: 16\n#\n";
      for (size_t i = 0; i < colours.size(); ++i) {
        const TRgbQuad& c = colours[i];
        text += ZtFormat("%3u %3u %3u\tIndex %zu\n", c.Red, c.Green, c.Blue, i);
      }
      return Bytes(text);
    }
    case TPaletteFormat::Act: {
      std::vector<uint8_t> bytes = RawBytes(colours);
      // A full table is the plain 768 bytes; a shorter one says its count
      // and no transparent index (0xFFFF).
      if (colours.size() < kMaxColours) {
        bytes.insert(bytes.end(), {0, static_cast<uint8_t>(colours.size()), 0xFF, 0xFF});
      }
      return bytes;
    }
    case TPaletteFormat::Raw:
      return RawBytes(colours);
  }
  throw TZtError("Unknown palette format");
}

}  // namespace icnkit
