// icnkit gallery: a static HTML site of the archives of folders
// (sheet/Gallery.h): per archive its sheet (PNG and JSON), its GIF and its
// page, written -j at a time; then the index and the style sheet.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <memory>

#include "conventions/PaletteColours.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "icnkit/info.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "png/Png.h"
#include "sheet/Gallery.h"
#include "sheet/Gif.h"
#include "sheet/SheetCompose.h"

namespace icnkit {

namespace {

struct TGalleryOptions {
  std::vector<std::string> Folders;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  TPaletteOptions Palette;
};

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void RunGallery(TKit& kit, const TGalleryOptions& options) {
  std::vector<std::string> archives;
  for (const std::string& folder : options.Folders) {
    CheckFolderArgument(kit.Fs, folder, "gallery");
    for (std::string& archive : ArchivesOfFolder(kit.Fs, options.Generation, folder)) {
      archives.push_back(std::move(archive));
    }
  }
  // Slugs made unique in the order of the archives: "a.icn", "a.icn-2", ...
  std::vector<TGalleryArchive> entries(archives.size());
  std::map<std::string, int> used;
  for (size_t i = 0; i < archives.size(); ++i) {
    entries[i].Name = NameOfPath(archives[i]);
    std::string slug = GallerySlug(entries[i].Name);
    const int n = ++used[slug];
    if (n > 1) slug += "-" + std::to_string(n);
    entries[i].Slug = slug;
  }
  const std::string site = WithTrailingSlash(options.Output);
  const std::string pages = site + "a/";
  CheckWrittenFolder(kit.Fs, site);  // fs/Files.h: no other user's link
  CheckWrittenFolder(kit.Fs, pages);
  MakeFolders(kit.Fs, pages);
  const std::vector<TRgbQuad> forced = LoadPaletteOption(kit.Fs, options.Palette);
  std::vector<char> done(archives.size(), 0);  // one byte each: written from several threads
  kit.Status = RunBatch(kit, archives.size(), options.Jobs, [&](size_t i, std::string& file) {
    file = archives[i];
    std::vector<uint8_t> bytes;
    LoadWholeFile(kit.Fs, archives[i], bytes);
    const TIcnGeneration generation = ArchiveGeneration(options.Generation, bytes, archives[i]);
    const TArchiveFrames frames = ReadArchiveFrames(bytes, generation, entries[i].Name);
    const std::vector<TRgbQuad> palette = forced.empty() ? PaletteColours(generation) : forced;
    TSheetOptions sheetOptions;
    sheetOptions.Image = entries[i].Slug + ".png";
    sheetOptions.Version = KitVersionText();
    const TSheet sheet = ComposeSheet(frames, palette, sheetOptions);
    const TArchiveGif gif(frames, palette, TGifOptions{});  // its checks before any file
    TGalleryArchive& entry = entries[i];
    entry.Sheet = sheet.Description;
    const icnkit::Archive archive = icnkit::Archive::Open(std::span<const uint8_t>(bytes), nullptr,
                                                          PublicGeneration(generation), entry.Name);
    entry.Info = nlohmann::ordered_json::parse(icnkit::InfoJson(archive, archives[i]));
    const std::string base = pages + entry.Slug;
    SaveWholeFile(kit.Fs, base + ".png", EncodeIndexedPng(sheet.Image, /*transparentZero=*/true));
    SaveWholeFile(kit.Fs, base + ".json", Bytes(WriteSheetJson(sheet.Description)));
    TStreamedFile gifFile(kit.Fs, base + ".gif");
    gif.Write([&gifFile](std::span<const uint8_t> piece) { gifFile.Append(piece); });
    gifFile.Save();
    SaveWholeFile(kit.Fs, base + ".html", Bytes(GalleryPageHtml(entry)));
    // The index needs only the facts of its card and the frame its sprite
    // shows (the first with pixels): the other frames' data, the bulk of
    // an archive of many frames, goes with the page.
    entry.Info.erase("frames");
    const auto shown = std::find_if(entry.Sheet.Frames.begin(), entry.Sheet.Frames.end(),
                                    [](const TSheetFrame& cell) { return !cell.Frame.Empty(); });
    std::vector<TSheetFrame> kept;  // a new vector: the old storage is released
    if (shown != entry.Sheet.Frames.end()) kept.push_back(*shown);
    entry.Sheet.Frames = std::move(kept);
    done[i] = 1;
    return frames.Frames.size();
  });
  // The index lists the archives whose pages were written.
  std::vector<TGalleryArchive> written;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (done[i] != 0) written.push_back(std::move(entries[i]));
  }
  SaveWholeFile(kit.Fs, site + "style.css", Bytes(GalleryStyleSheet()));
  SaveWholeFile(kit.Fs, site + "index.html", Bytes(GalleryIndexHtml(written)));
  kit.Summary = "wrote the gallery of " + CountOf(archives.size(), "archive") + " (" +
                CountOf(kit.Report.FramesDone(), "frame") + "): " + site + "index.html";
}

}  // namespace

void RegisterGalleryCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TGalleryOptions>();
  CLI::App* command = app.add_subcommand(
      "gallery",
      "Write a static HTML gallery of the archives of folders (index, a page per archive)");
  command->add_option("FOLDER", options->Folders, "Folders of archives")->required();
  command->add_option("-o,--output", options->Output, "The site's folder")
      ->required()
      ->type_name("SITE");
  AddGenerationOption(*command, options->Generation, "the default: told from each archive");
  AddJobsOption(*command, options->Jobs);
  AddPaletteOptions(*command, options->Palette);
  command->callback([&kit, options] { RunGallery(kit, *options); });
}

}  // namespace icnkit
