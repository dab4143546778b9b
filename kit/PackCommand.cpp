// icnkit pack: the packers' archives, byte for byte, from frame folders of
// BMP or PNG files, as the library packs (icnkit::PackFolder), or from a
// sheet (icnkit::PackSheetFile); the generation from -g or setup.ini's
// Generation key.
#include <CLI/CLI.hpp>
#include <memory>

#include "icnkit/files.h"
#include "icnkit/folders.h"
#include "icnkit/sheet.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TPackOptions {
  std::vector<std::string> Inputs;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  bool Remap = false;
  TPaletteOptions Palette;
  std::string Sheet;  // --sheet SHEET.json
};

// "packed 12 frames into a.icn", "... to standard output".
std::string PackedInto(size_t frames, const std::string& archive) {
  return "packed " + Counted(frames, "frame") +
         (archive == kStandardOutput ? " to standard output" : " into " + archive);
}

void PackFromSheet(TKit& kit, const TPackOptions& options) {
  if (!options.Inputs.empty()) {
    throw CLI::ValidationError("--sheet", "takes no frame folder: " + options.Inputs[0]);
  }
  SheetPackOptions pack;
  pack.palette = LoadPaletteOption(options.Palette);
  pack.remap = options.Remap;
  pack.warning = [&kit](const std::string& warning) { kit.Report.Warning(warning); };
  size_t frames = 0;
  pack.progress = [&frames](size_t, size_t total) { frames = total; };
  const std::string archive = PackSheetFile(options.Sheet, options.Output, pack);
  kit.Summary = PackedInto(frames, archive);
}

void RunPack(TKit& kit, const TPackOptions& options) {
  if (!options.Sheet.empty()) {
    PackFromSheet(kit, options);
    return;
  }
  if (options.Inputs.empty()) {
    throw CLI::ValidationError("a frame folder or --sheet SHEET.json is required");
  }
  if (!options.Output.empty() && options.Inputs.size() > 1) {
    throw CLI::ValidationError("--output", "-o ARCHIVE takes one folder");
  }
  // Every folder is checked before any is packed.
  std::vector<std::string> archives;
  for (const std::string& input : options.Inputs) archives.push_back(PackedArchivePath(input));
  if (!options.Output.empty()) archives[0] = options.Output;
  PackOptions pack;
  pack.generation = options.Generation;
  pack.remap = options.Remap;
  pack.palette = LoadPaletteOption(options.Palette);
  pack.warning = [&kit](const std::string& warning) { kit.Report.Warning(warning); };
  pack.generation_option = kGenerationOption;
  kit.Status = RunBatch(kit, archives.size(), options.Jobs, [&](size_t i, std::string&) {
    PackOptions counted = pack;
    size_t frames = 0;
    counted.progress = [&frames](size_t, size_t total) { frames = total; };
    PackFolder(options.Inputs[i], archives[i], counted);
    return frames;
  });
  kit.Summary = archives.size() == 1
                    ? PackedInto(kit.Report.FramesDone(), archives[0])
                    : "packed " + Counted(kit.Report.FramesDone(), "frame") + " into " +
                          Counted(archives.size(), "archive") + " beside their frame folders";
}

}  // namespace

void RegisterPackCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TPackOptions>();
  CLI::App* command =
      app.add_subcommand("pack", "Pack frame folders (BMP or PNG frames) into archives");
  command->add_option("FOLDER", options->Inputs,
                      "Frame folders (NAME.cadres, packed into NAME) or archives (packed from "
                      "ARCHIVE.cadres)");
  command->add_option("--sheet", options->Sheet, "Pack the sheet SHEET.json and its image instead")
      ->type_name("SHEET.json");
  command
      ->add_option("-o,--output", options->Output,
                   "Write the archive to ARCHIVE (one folder; -: to standard output)")
      ->type_name("ARCHIVE");
  AddGenerationOption(*command, options->Generation,
                      "the default: the Generation key of the folder's setup.ini");
  AddJobsOption(*command, options->Jobs);
  command->add_flag("--remap", options->Remap,
                    "PNG: map each pixel by its colour to the palette index of that colour");
  AddPaletteOptions(*command, options->Palette);
  command->callback([&kit, options] { RunPack(kit, *options); });
}

}  // namespace icnkit
