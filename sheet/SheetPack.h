// The way back from a sheet: the archive from a sheet's description and its
// (possibly edited) image.
//
// Each frame's record is its Left, Top, Width and Height from the JSON,
// and its pixels are the sheet's where that rectangle lies in its cell.
// Painting elsewhere in the cell (possible in an untrimmed sheet, whose
// cells are the whole union rectangle) grows the rectangle to hold it.
// Bits gives the fill-only flag (bit 5) and, for H2, the record's byte. An
// unedited sheet so gives back the archive it was made from, byte for byte,
// when that archive's streams are the ones the encoders write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/IndexedImage.h"
#include "sheet/SheetJson.h"

namespace icnkit {

// image is the sheet's 8-bit image (imageName in messages). Throws TZtError:
//   "<image>: the image is W x H pixels, but the sheet's JSON says W x H"
//   "frame N (\"name\"): its cell (x, y, w x h) lies outside the W x H sheet"
//   "frame N (\"name\"): its rectangle does not lie inside its cell"
//   "<image>: pixel (x, y) lies outside every frame's cell: frame N
//    (\"name\") was painted past its cell (x, y, w x h)"   (the nearest cell)
//   "frame N (\"name\"): Frame out of range"   (a record field would not fit)
//   "Wrong bitmap format" for an image that is not 8 bits per pixel.
std::vector<uint8_t> PackSheet(const TSheetDescription& sheet, const TIndexedImage& image,
                               const std::string& imageName);

}  // namespace icnkit
