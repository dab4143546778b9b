// A static HTML gallery of archives, as "icnkit gallery" writes it:
//   SITE/a/<slug>.png, .json   each archive's sprite sheet (icnkit/sheet.h)
//   SITE/a/<slug>.gif          its animation
//   SITE/a/<slug>.html         its page: the facts of "icnkit info", every frame
//   SITE/index.html, style.css a card per archive whose page was written
// The slug is the archive's file name made safe for a URL, "-2", "-3", ...
// added to the second and later archives of one name.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "icnkit/export.h"
#include "icnkit/generation.h"
#include "icnkit/palette.h"

namespace icnkit {

struct GalleryOptions {
  std::optional<Generation> generation;  // none: told from each archive
  // How the caller gives the generation, for the message that asks for it
  // ("cannot tell whether a.icn is H1 or H2; use -g"); empty: "give its
  // generation".
  std::string generation_option;
  Palette palette;  // the sheets' and GIFs' colours; empty: each generation's
};

// A gallery being written: the pages one by one, from several threads at
// once if the caller likes, then the index of those written.
class ICNKIT_API GalleryWriter {
 public:
  // The gallery of archives (paths) in site. Makes SITE/a/. Throws Error
  // "Not following a link owned by another user: ..." for either folder,
  // or when it cannot be made.
  GalleryWriter(std::string site, std::vector<std::string> archives,
                const GalleryOptions& options = {});
  ~GalleryWriter();
  GalleryWriter(const GalleryWriter&) = delete;
  GalleryWriter& operator=(const GalleryWriter&) = delete;

  // Reads archive index and writes its sheet, GIF and page; returns its
  // frame count. Calls for different indices may run at once. Throws Error
  // with the tools' messages (the archive's, the files'): that archive gets
  // no card.
  size_t WritePage(size_t index);
  // Writes the index of the pages written, and the style sheet; returns
  // the index's path.
  std::string Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace icnkit
