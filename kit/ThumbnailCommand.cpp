// icnkit thumbnail [-s SIZE] ARCHIVE OUT.png: the frame the preview mode
// shows ("icnkit unpack --preview"), scaled by a whole factor to fit SIZE x
// SIZE (icnkit::MakeThumbnail), as an indexed PNG with index 0 transparent:
// the thumbnail a file manager shows for an archive (the .thumbnailer file
// of packaging/ runs it).
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/folders.h"
#include "icnkit/images.h"
#include "icnkit/palette.h"
#include "icnkit/sheet.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TThumbnailOptions {
  std::string Archive;
  std::string Output;
  int Size = 128;
  std::string Generation = "auto";
};

void RunThumbnail(TKit& kit, const TThumbnailOptions& options) {
  std::optional<icnkit::Generation> generation;
  if (options.Generation != "auto") generation = icnkit::ParseGeneration(options.Generation);
  const icnkit::Archive archive = icnkit::Archive::OpenFile(options.Archive, generation);
  const icnkit::Thumbnail made = icnkit::MakeThumbnail(archive, options.Size);
  const icnkit::Raster& thumbnail = made.pixels;
  if (thumbnail.width == 0 || thumbnail.height == 0) {
    throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                        options.Archive + " has no frame with pixels to show");
  }
  icnkit::SaveFile(
      options.Output,
      icnkit::EncodePng(thumbnail.View(), icnkit::GenerationPalette(archive.Generation()), true));
  kit.Summary = "wrote thumbnail " + options.Output + " (" + std::to_string(thumbnail.width) +
                " x " + std::to_string(thumbnail.height) + ", frame " + std::to_string(made.frame) +
                ")";
}

}  // namespace

void RegisterThumbnailCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TThumbnailOptions>();
  CLI::App* command = app.add_subcommand(
      "thumbnail", "Write the preview frame of an archive as a PNG thumbnail that fits SIZE");
  command->add_option("ARCHIVE", options->Archive, "The archive")->required();
  command->add_option("OUT", options->Output, "The PNG file written")->required();
  command->add_option("-s,--size", options->Size, "Fit the thumbnail in SIZE x SIZE (default 128)")
      ->type_name("SIZE")
      ->check(CLI::Range(1, 4096));
  command
      ->add_option("-g,--generation", options->Generation,
                   "The archive's generation (the default: told from its bytes)")
      ->type_name("h1|h2|auto")
      ->transform(CLI::IsMember({"h1", "h2", "auto"}, CLI::ignore_case).description(""));
  command->callback([&kit, options] { RunThumbnail(kit, *options); });
}

}  // namespace icnkit
