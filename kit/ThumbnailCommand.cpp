// icnkit thumbnail [-s SIZE] ARCHIVE OUT.png: the frame the preview mode
// shows ("icnkit unpack --preview"), scaled by a whole factor to fit SIZE x
// SIZE, as an indexed PNG with index 0 transparent: the thumbnail a file
// manager shows for an archive (the .thumbnailer file of packaging/ runs
// it). Written on the public API alone (include/icnkit/).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>

#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/folders.h"
#include "icnkit/images.h"
#include "icnkit/palette.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TThumbnailOptions {
  std::string Archive;
  std::string Output;
  int Size = 128;
  std::string Generation = "auto";
};

bool EndsWithStd(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".std";
}

// The preview mode's frame: from the first frame on (H1's ".std" archives of
// more than one frame from frame 1: frame 0 is a fill-only shape), the
// first more than one pixel high, else that first frame; none without frames.
std::optional<size_t> PreviewFrame(const icnkit::Archive& archive) {
  const size_t count = archive.FrameCount();
  const size_t start =
      archive.Generation() == icnkit::Generation::H1 && count > 1 && EndsWithStd(archive.Name())
          ? 1
          : 0;
  if (start >= count) return std::nullopt;
  for (size_t i = start; i < count; ++i) {
    if (archive.Frame(i).height > 1) return i;
  }
  return start;
}

// pixels scaled by a whole factor: up (each pixel a k x k square) to the
// largest that fits size, or down (every k-th pixel) to the first that does.
icnkit::Raster Scaled(const icnkit::Raster& pixels, int32_t size) {
  const int32_t side = std::max(pixels.width, pixels.height);
  const bool up = side <= size;
  const int32_t k = up ? size / side : (side + size - 1) / size;
  icnkit::Raster scaled(up ? pixels.width * k : (pixels.width + k - 1) / k,
                        up ? pixels.height * k : (pixels.height + k - 1) / k);
  for (int32_t y = 0; y < scaled.height; ++y) {
    for (int32_t x = 0; x < scaled.width; ++x) {
      scaled.At(x, y) = up ? pixels.At(x / k, y / k) : pixels.At(x * k, y * k);
    }
  }
  return scaled;
}

void RunThumbnail(TKit& kit, const TThumbnailOptions& options) {
  std::optional<icnkit::Generation> generation;
  if (options.Generation != "auto") generation = icnkit::ParseGeneration(options.Generation);
  const icnkit::Archive archive = icnkit::Archive::OpenFile(options.Archive, generation);
  const std::optional<size_t> frame = PreviewFrame(archive);
  const icnkit::Raster pixels = frame ? archive.Decode(*frame) : icnkit::Raster();
  if (pixels.width == 0 || pixels.height == 0) {
    throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                        options.Archive + " has no frame with pixels to show");
  }
  const icnkit::Raster thumbnail = Scaled(pixels, options.Size);
  icnkit::SaveFile(
      options.Output,
      icnkit::EncodePng(thumbnail.View(), icnkit::GenerationPalette(archive.Generation()), true));
  kit.Summary = "wrote thumbnail " + options.Output + " (" + std::to_string(thumbnail.width) +
                " x " + std::to_string(thumbnail.height) + ", frame " + std::to_string(*frame) +
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
