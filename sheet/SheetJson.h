// The sheet's JSON: the "JSON array" layout that sprite editors and game
// engines exchange (frames as an array; docs/sheet.schema.json describes
// it), plus what each frame needs to come back into the archive. Keys of
// the layout are lower camel case; the archive's own facts are capitalised,
// as in a frame folder's setup.ini:
//
//   { "frames": [
//       { "filename": "0000",
//         "frame": {"x": 1, "y": 1, "w": 17, "h": 17},   the cell on the sheet
//         "rotated": false,
//         "trimmed": true,                    the cell is smaller than the union
//         "spriteSourceSize": {"x": 2, "y": 0, "w": 17, "h": 17},
//         "sourceSize": {"w": 21, "h": 41},   the union rectangle's size
//         "duration": 100,                    milliseconds
//         "Left": -8, "Top": -41, "Width": 17, "Height": 17, "Bits": 0 } ],
//     "meta": { "app": "icnkit", "version": "...", "image": "ball.png",
//       "format": "I8", "size": {"w": 64, "h": 42}, "scale": "1",
//       "Generation": "H2", "Archive": "ball.icn",
//       "Position": {"X": -10, "Y": -41} } }
//
// spriteSourceSize is where the cell lies on the union rectangle, whose
// top-left corner is the archive's point Position (smallest Left and Top).
// Left, Top, Width and Height are the frame's record, Bits its setup.ini
// value (bit 5: fill-only).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/IcnArchive.h"
#include "format/Rectangle.h"

namespace icnkit {

struct TSheetFrame {
  std::string Filename;
  TRectangle Frame;  // x, y, w, h
  bool Trimmed = false;
  TRectangle SpriteSource;
  int32_t SourceWidth = 0;
  int32_t SourceHeight = 0;
  int32_t Duration = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bits = 0;
};

struct TSheetDescription {
  std::vector<TSheetFrame> Frames;
  std::string Version;
  std::string Image;  // the sheet image's file name, beside the JSON
  int32_t Width = 0;
  int32_t Height = 0;
  TIcnGeneration Generation = TIcnGeneration::H1;
  std::string Archive;  // the archive's file name
  int32_t X = 0;
  int32_t Y = 0;
};

// The JSON text (UTF-8, indented by one space, ending in a line end).
std::string WriteSheetJson(const TSheetDescription& sheet);

// Reads what WriteSheetJson writes, keys in any order, other keys ignored.
// Throws TZtError "<displayName>: <what>" for text that is no JSON, a key
// missing or of the wrong type ("frames[3].frame.x must be an integer"), a
// number outside its field's range, a rotated frame, or meta.image or
// meta.Archive that is not a plain file name.
TSheetDescription ReadSheetJson(std::string_view text, const std::string& displayName);

}  // namespace icnkit
