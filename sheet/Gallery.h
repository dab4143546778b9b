// The gallery's pages: static HTML and one style sheet, no script, that
// work from file:// (every link relative). The site's layout:
//
//   index.html          one card per archive: its sprite, name, generation,
//                       frame count, file size and union rectangle; the
//                       sprite fills the card, scaled by the largest whole
//                       factor that fits (image-rendering: pixelated): its
//                       first frame with pixels, cut from the sheet, and
//                       while the card is hovered the GIF (CSS only, both
//                       loading="lazy")
//   style.css
//   a/<slug>.html       a page per archive: its sprite as on the card but
//                       larger (the GIF on hover), its sheet and the
//                       table of its frames (the info data), each frame
//                       shown as its cell of the sheet (a CSS background,
//                       so a frame without pixels shows the word "empty"
//                       and never a broken image)
//   a/<slug>.png .gif .json   written beside it by the caller
//
// Everything here is text over data; the caller writes the files.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/SheetJson.h"

namespace icnkit {

struct TGalleryArchive {
  std::string Name;             // the archive's file name, as shown
  std::string Slug;             // file names in a/: unique, safe in URLs
  nlohmann::ordered_json Info;  // the info data of the archive (icnkit/info.h, parsed)
  TSheetDescription Sheet;      // its sheet's description (cells, size)
};

// Text safe inside HTML elements and attribute values.
std::string HtmlEscape(std::string_view text);
// A name made safe as a file name and URL part: letters, digits, '-', '_'
// and '.' kept, everything else '_'; never empty, never starting with '.'.
std::string GallerySlug(std::string_view name);

std::string GalleryIndexHtml(const std::vector<TGalleryArchive>& archives);
std::string GalleryPageHtml(const TGalleryArchive& archive);
std::string GalleryStyleSheet();

}  // namespace icnkit
