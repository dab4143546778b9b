// Fuzz target: the bytes as the JSON of `icnkit pack --sheet`, read into a
// sheet's description and, when it reads, packed with a sheet image of the
// size it gives, painted where its frames say. What reads is within every
// field's range and writes back to itself; what does not ends in TZtError
// naming the file. Packing ends in an archive that validates, with a record
// per frame holding what the frame said, or in TZtError.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "format/Error.h"
#include "format/IcnArchive.h"
#include "fuzz/FuzzCheck.h"
#include "image/IndexedImage.h"
#include "sheet/SheetJson.h"
#include "sheet/SheetPack.h"

using namespace icnkit;

namespace {

// The sheet images packed here: the tool's own are bounded by the PNG
// reader, which the png_read target covers.
constexpr int64_t kMaxImagePixels = int64_t{1} << 20;

bool InRange(int64_t value, int64_t min, int64_t max) {
  return value >= min && value <= max;
}

bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

void CheckRanges(const TSheetDescription& sheet) {
  constexpr int64_t kShort = std::numeric_limits<int16_t>::max();
  constexpr int64_t kInt = std::numeric_limits<int32_t>::max();
  FUZZ_CHECK(sheet.Frames.size() <= kIcnMaxFrames);
  FUZZ_CHECK(sheet.Width >= 1 && sheet.Height >= 1);
  FUZZ_CHECK(InRange(sheet.X, -kShort - 1, kShort) && InRange(sheet.Y, -kShort - 1, kShort));
  FUZZ_CHECK(PlainName(sheet.Image) && PlainName(sheet.Archive));
  for (const TSheetFrame& frame : sheet.Frames) {
    for (const TRectangle& rect : {frame.Frame, frame.SpriteSource}) {
      FUZZ_CHECK(InRange(rect.Left, 0, kInt) && InRange(rect.Top, 0, kInt) &&
                 InRange(rect.Width, 0, kInt) && InRange(rect.Height, 0, kInt));
    }
    FUZZ_CHECK(InRange(frame.Left, -kShort - 1, kShort) && InRange(frame.Top, -kShort - 1, kShort));
    FUZZ_CHECK(InRange(frame.Width, 0, 65535) && InRange(frame.Height, 0, 65535));
    FUZZ_CHECK(InRange(frame.Bits, 0, 255));
  }
}

// What the reader reads of a frame (the rest is written for other tools).
bool SameFrame(const TSheetFrame& a, const TSheetFrame& b) {
  return a.Filename == b.Filename && a.Frame == b.Frame && a.SpriteSource == b.SpriteSource &&
         a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height &&
         a.Bits == b.Bits;
}

bool SameSheet(const TSheetDescription& a, const TSheetDescription& b) {
  if (a.Frames.size() != b.Frames.size()) return false;
  for (size_t i = 0; i < a.Frames.size(); ++i) {
    if (!SameFrame(a.Frames[i], b.Frames[i])) return false;
  }
  return a.Version == b.Version && a.Image == b.Image && a.Width == b.Width &&
         a.Height == b.Height && a.Generation == b.Generation && a.Archive == b.Archive &&
         a.X == b.X && a.Y == b.Y;
}

// The sheet's image: each frame's rectangle painted in its cell with the
// frame's own index (1 to 255), where the cell lies on the sheet.
TIndexedImage PaintedSheet(const TSheetDescription& sheet) {
  TIndexedImage image;
  image.Create8Bit(sheet.Width, sheet.Height, std::vector<TRgbQuad>(256));
  for (size_t i = 0; i < sheet.Frames.size(); ++i) {
    const TSheetFrame& frame = sheet.Frames[i];
    const int64_t cellLeft = int64_t{sheet.X} + frame.SpriteSource.Left;
    const int64_t cellTop = int64_t{sheet.Y} + frame.SpriteSource.Top;
    for (int64_t y = 0; y < frame.Height; ++y) {
      const int64_t sheetY = frame.Frame.Top + (frame.Top + y - cellTop);
      if (sheetY < frame.Frame.Top || sheetY >= frame.Frame.Bottom()) continue;
      if (sheetY < 0 || sheetY >= sheet.Height) continue;
      uint8_t* row = image.RowAddress(static_cast<int32_t>(sheetY));
      for (int64_t x = 0; x < frame.Width; ++x) {
        const int64_t sheetX = frame.Frame.Left + (frame.Left + x - cellLeft);
        if (sheetX < frame.Frame.Left || sheetX >= frame.Frame.Right()) continue;
        if (sheetX < 0 || sheetX >= sheet.Width) continue;
        row[sheetX] = static_cast<uint8_t>(1 + i % 255);
      }
    }
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TSheetDescription sheet;
  try {
    sheet = ReadSheetJson(text, "s.json");
  } catch (const TZtError& error) {
    FUZZ_CHECK(std::string_view(error.what()).rfind("s.json: ", 0) == 0);
    return 0;
  }
  CheckRanges(sheet);
  const std::string written = WriteSheetJson(sheet);
  FUZZ_CHECK(SameSheet(ReadSheetJson(written, "w.json"), sheet));

  if (int64_t{sheet.Width} * sheet.Height > kMaxImagePixels) return 0;
  const TIndexedImage image = PaintedSheet(sheet);
  std::vector<uint8_t> archive;
  try {
    archive = PackSheet(sheet, image, "s.png");
  } catch (const TZtError&) {
    return 0;
  }
  ValidateArchive(archive, sheet.Generation);
  FUZZ_CHECK(FrameCount(archive) == sheet.Frames.size());
  for (size_t i = 0; i < sheet.Frames.size(); ++i) {
    const TSheetFrame& frame = sheet.Frames[i];
    const TIcnFrame record = FrameRecordAt(archive, sheet.Generation, i);
    // A rectangle with pixels is kept, or grown to hold paint of a cell
    // that overlaps its own.
    if (frame.Width > 0 && frame.Height > 0) {
      FUZZ_CHECK(record.Left <= frame.Left && record.Top <= frame.Top &&
                 record.Left + record.Width >= frame.Left + frame.Width &&
                 record.Top + record.Height >= frame.Top + frame.Height);
    }
  }
  return 0;
}
