// The gallery of the API (icnkit/gallery.h): per archive its sheet, GIF
// and page (sheet/Gallery.h), then the index of the pages written.
#include "icnkit/gallery.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "api/Convert.h"
#include "api/LibraryFileSystem.h"
#include "conventions/PaletteColours.h"
#include "format/Detect.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "icnkit/archive.h"
#include "icnkit/info.h"
#include "icnkit/version.h"
#include "png/Png.h"
#include "sheet/Gallery.h"
#include "sheet/Gif.h"
#include "sheet/SheetCompose.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::Internal;

namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

struct GalleryWriter::Impl {
  std::string Site;   // with its trailing delimiter
  std::string Pages;  // Site + "a/"
  std::vector<std::string> Archives;
  std::optional<TIcnGeneration> Generation;
  std::string Advice;
  std::vector<TRgbQuad> Forced;
  std::vector<TGalleryArchive> Entries;
  std::vector<char> Done;  // one byte each: written from several threads
};

GalleryWriter::GalleryWriter(std::string site, std::vector<std::string> archives,
                             const GalleryOptions& options)
    : impl_(std::make_unique<Impl>()) {
  Impl& gallery = *impl_;
  Guarded([&] {
    TFileSystem& fs = LibraryFileSystem();
    gallery.Site = site.empty() ? site : WithTrailingSlash(site);
    gallery.Pages = gallery.Site + "a/";
    gallery.Archives = std::move(archives);
    if (options.generation) gallery.Generation = Internal(*options.generation);
    gallery.Advice = icnkit_api::GenerationAdvice(options.generation_option);
    gallery.Forced = Internal(options.palette);
    // Slugs made unique in the order of the archives: "a.icn", "a.icn-2", ...
    gallery.Entries.resize(gallery.Archives.size());
    gallery.Done.assign(gallery.Archives.size(), 0);
    std::map<std::string, int> used;
    for (size_t i = 0; i < gallery.Archives.size(); ++i) {
      TGalleryArchive& entry = gallery.Entries[i];
      entry.Name = NameOfPath(gallery.Archives[i]);
      entry.Slug = GallerySlug(entry.Name);
      const int n = ++used[entry.Slug];
      if (n > 1) {
        entry.Slug += '-';
        entry.Slug += std::to_string(n);
      }
    }
    if (!gallery.Site.empty()) CheckWrittenFolder(fs, gallery.Site);  // no other user's link
    CheckWrittenFolder(fs, gallery.Pages);
    MakeFolders(fs, gallery.Pages);
  });
}

GalleryWriter::~GalleryWriter() = default;

size_t GalleryWriter::WritePage(size_t index) {
  Impl& gallery = *impl_;
  return Guarded([&] {
    TGalleryArchive& entry = gallery.Entries.at(index);
    const std::string& path = gallery.Archives[index];
    TFileSystem& fs = LibraryFileSystem();
    std::vector<uint8_t> bytes = LoadNamedFile(fs, path);
    const TIcnGeneration generation =
        gallery.Generation ? *gallery.Generation : TellGeneration(bytes, path, gallery.Advice);
    const TArchiveFrames frames = ReadArchiveFrames(bytes, generation, entry.Name);
    const std::vector<TRgbQuad> palette =
        gallery.Forced.empty() ? PaletteColours(generation) : gallery.Forced;
    TSheetOptions sheetOptions;
    sheetOptions.Image = entry.Slug + ".png";
    sheetOptions.Version = std::string("icnkit ") + ICNKIT_VERSION;
    const TSheet sheet = ComposeSheet(frames, palette, sheetOptions);
    const TArchiveGif gif(frames, palette, TGifOptions{});  // its checks before any file
    entry.Sheet = sheet.Description;
    const Archive archive = Archive::Open(std::span<const uint8_t>(bytes), nullptr,
                                          icnkit_api::Public(generation), entry.Name);
    entry.Info = nlohmann::ordered_json::parse(InfoJson(archive, path));
    const std::string base = gallery.Pages + entry.Slug;
    SaveWholeFile(fs, base + ".png", EncodeIndexedPng(sheet.Image, /*transparentZero=*/true));
    SaveWholeFile(fs, base + ".json", Bytes(WriteSheetJson(sheet.Description)));
    TStreamedFile gifFile(fs, base + ".gif");
    gif.Write([&gifFile](std::span<const uint8_t> piece) { gifFile.Append(piece); });
    gifFile.Save();
    SaveWholeFile(fs, base + ".html", Bytes(GalleryPageHtml(entry)));
    // The index needs only the facts of its card and the frame its sprite
    // shows (the first with pixels): the other frames' data, the bulk of
    // an archive of many frames, goes with the page.
    entry.Info.erase("frames");
    const auto shown = std::find_if(entry.Sheet.Frames.begin(), entry.Sheet.Frames.end(),
                                    [](const TSheetFrame& cell) { return !cell.Frame.Empty(); });
    std::vector<TSheetFrame> kept;  // a new vector: the old storage is released
    if (shown != entry.Sheet.Frames.end()) kept.push_back(*shown);
    entry.Sheet.Frames = std::move(kept);
    gallery.Done[index] = 1;
    return frames.Frames.size();
  });
}

std::string GalleryWriter::Finish() {
  Impl& gallery = *impl_;
  return Guarded([&] {
    TFileSystem& fs = LibraryFileSystem();
    // The index lists the archives whose pages were written.
    std::vector<TGalleryArchive> written;
    for (size_t i = 0; i < gallery.Entries.size(); ++i) {
      if (gallery.Done[i] != 0) written.push_back(std::move(gallery.Entries[i]));
    }
    SaveWholeFile(fs, gallery.Site + "style.css", Bytes(GalleryStyleSheet()));
    SaveWholeFile(fs, gallery.Site + "index.html", Bytes(GalleryIndexHtml(written)));
    return gallery.Site + "index.html";
  });
}

}  // namespace icnkit
