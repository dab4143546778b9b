// The GIMP 2.10 file plug-in file-icn: opens ICN archives as indexed images
// with one layer per frame and exports them again, on the public API alone
// (include/icnkit/). What an image keeps of its archive:
//   image parasite "icn-generation"       "H1" or "H2"
//   image parasite "icn-reference-point"  "X Y": the image pixel where the
//                                         sprite's reference point lies
//   image parasite "icn-source"           "HASH PATH": the archive file it was
//                                         opened from and a hash of its bytes
//   layer parasite "icn-bits"             the frame's setup.ini [Bits] value
//   layer parasite "icn-frame"            the number of the frame it shows
// Export keeps, as they are stored, the frames whose layers still show them
// while the file opened holds the same bytes, so an untouched export of an
// archive of any encoder gives its bytes.
// A layer "0000", "0001", ... is the frame of that number, at its place
// (layer offset = frame left/top + reference point); the bottom layer is
// frame 0, as Filters > Animation > Playback plays layers bottom first.
// Index 0 is transparent: pixels of index 0 are transparent, transparent
// pixels are index 0.
#pragma once

#include <libgimp/gimp.h>

#include <cstdint>
#include <span>
#include <string>

namespace icnkit {

inline constexpr const char* kGenerationParasite = "icn-generation";
inline constexpr const char* kReferenceParasite = "icn-reference-point";
inline constexpr const char* kBitsParasite = "icn-bits";
inline constexpr const char* kSourceParasite = "icn-source";
inline constexpr const char* kFrameParasite = "icn-frame";

// The hash of an archive's bytes kept in "icn-source" (64-bit FNV-1a, hex).
std::string BytesHash(std::span<const uint8_t> bytes);

// The image of the archive file at path; throws icnkit::Error with the
// library's message when it cannot be read or opened.
gint32 LoadArchiveImage(const std::string& path);

// Writes image's layers as the archive file at path, whole or not at all.
// Throws icnkit::Error with a message that says what to do when the image
// is not indexed with a generation's palette or holds a layer the archive
// cannot hold; nothing is written then.
void SaveArchiveImage(gint32 image, const std::string& path);

// A parasite's text ("" when the item has none); image or layer.
std::string ImageParasiteText(gint32 image, const char* name);
std::string ItemParasiteText(gint32 item, const char* name);
void AttachImageText(gint32 image, const char* name, const std::string& text);
void AttachItemText(gint32 item, const char* name, const std::string& text);

}  // namespace icnkit
