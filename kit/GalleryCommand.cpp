// icnkit gallery: a static HTML site of the archives of folders
// (icnkit::GalleryWriter): per archive its sheet (PNG and JSON), its GIF
// and its page, written -j at a time; then the index and the style sheet.
#include <CLI/CLI.hpp>
#include <memory>

#include "icnkit/files.h"
#include "icnkit/gallery.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TGalleryOptions {
  std::vector<std::string> Folders;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  TPaletteOptions Palette;
};

void RunGallery(TKit& kit, const TGalleryOptions& options) {
  std::vector<std::string> archives;
  for (const std::string& folder : options.Folders) {
    CheckFolderArgument(folder, "gallery");
    for (std::string& archive : ArchivesInFolder(folder, options.Generation)) {
      archives.push_back(std::move(archive));
    }
  }
  GalleryOptions gallery;
  gallery.generation = options.Generation;
  gallery.generation_option = kGenerationOption;
  gallery.palette = LoadPaletteOption(options.Palette);
  GalleryWriter writer(options.Output, archives, gallery);
  kit.Status = RunBatch(kit, archives.size(), options.Jobs, [&](size_t i, std::string& file) {
    file = archives[i];
    return writer.WritePage(i);
  });
  const std::string index = writer.Finish();
  kit.Summary = "wrote the gallery of " + Counted(archives.size(), "archive") + " (" +
                Counted(kit.Report.FramesDone(), "frame") + "): " + index;
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
