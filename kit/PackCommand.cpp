// icnkit pack: the packers' archives, byte for byte, from frame folders of
// BMP or PNG files, as the library packs (folders/FolderWork.h); the generation
// from -g or setup.ini's Generation key.
#include <CLI/CLI.hpp>
#include <memory>

#include "conventions/ArchiveNames.h"
#include "folders/FolderWork.h"
#include "format/Text.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "kit/SheetPack.h"

namespace icnkit {

namespace {

struct TPackOptions {
  std::vector<std::string> Inputs;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  bool Remap = false;
  TPaletteOptions Palette;
  std::string Sheet;  // --sheet SHEET.json (kit/SheetPack.h)
};

// "(it is H1; pack it with -g h1)".
std::string GenerationAdvice(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? "pack it with -g h1" : "pack it with -g h2";
}

void RunPackTo(TKit& kit, const TPackOptions& options);

// -o - sends the archive to standard output (kit/Batch.h).
void RunPack(TKit& kit, const TPackOptions& options) {
  if (options.Output != icnkit::kStandardOutputName) {
    RunPackTo(kit, options);
    return;
  }
  icnkit::WithStandardOutput(kit, [&options](TKit& piped) { RunPackTo(piped, options); });
  const std::string into = std::string(" into ") + icnkit::kStandardOutputName;
  if (kit.Summary.ends_with(into)) {
    kit.Summary.replace(kit.Summary.size() - into.size(), into.size(), " to standard output");
  }
}

void RunPackTo(TKit& kit, const TPackOptions& options) {
  TPackPalettes palettes([&kit, &options] { return LoadPaletteOption(kit.Fs, options.Palette); });
  if (!options.Sheet.empty()) {
    if (!options.Inputs.empty()) {
      throw CLI::ValidationError("--sheet", "takes no frame folder: " + options.Inputs[0]);
    }
    PackFromSheet(kit, options.Sheet, options.Output, palettes, options.Remap);
    return;
  }
  if (options.Inputs.empty()) {
    throw CLI::ValidationError("a frame folder or --sheet SHEET.json is required");
  }
  if (!options.Output.empty() && options.Inputs.size() > 1) {
    throw CLI::ValidationError("--output", "-o ARCHIVE takes one folder");
  }
  std::vector<TPackPaths> items;
  for (const std::string& input : options.Inputs) items.push_back(PackPathsFor(kit.Fs, input));
  if (!options.Output.empty()) items[0].Archive = options.Output;
  const TWarningSink warn = [&kit](const std::string& warning) { kit.Report.Warning(warning); };
  kit.Status = RunBatch(kit, items.size(), options.Jobs, [&](size_t i, std::string& file) {
    return PackArchiveFolder(kit.Fs, items[i], options.Generation, palettes, options.Remap, warn,
                             "use -g", GenerationAdvice, file);
  });
  kit.Summary =
      items.size() == 1
          ? "packed " + CountOf(kit.Report.FramesDone(), "frame") + " into " + items[0].Archive
          : "packed " + CountOf(kit.Report.FramesDone(), "frame") + " into " +
                CountOf(items.size(), "archive") + " beside their frame folders";
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
