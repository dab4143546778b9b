// icnkit sheet and icnkit gif: each archive as a sprite sheet (indexed PNG
// plus its JSON, sheet/SheetCompose.h) or as an animated GIF (sheet/Gif.h),
// written beside the archive or into -o DIR as <name without extension>.png,
// .json or .gif.
#include <CLI/CLI.hpp>
#include <map>
#include <memory>

#include "fs/Files.h"
#include "fs/Path.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "png/Png.h"
#include "sheet/Gif.h"
#include "sheet/SheetCompose.h"

namespace {

struct TViewOptions {
  std::vector<std::string> Inputs;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  TPaletteOptions Palette;
  TSheetOptions Sheet;
  bool Packed = false;
  std::string Frames;
  TGifOptions Gif;
};

// Where archive's files go, without the extension: two archives may not
// share a name there (a.icn and a.obj in one folder, or -o for two folders).
std::vector<std::pair<std::string, std::string>> Targets(TKit& kit, const TViewOptions& options) {
  // No folder is written through another user's link (fs/Files.h).
  if (!options.Output.empty()) CheckWrittenFolder(kit.Fs, options.Output);
  std::vector<std::pair<std::string, std::string>> targets;
  std::map<std::string, std::string> seen;
  for (const std::string& archive :
       ExpandArchiveArguments(kit.Fs, options.Generation, options.Inputs)) {
    const std::string folder =
        options.Output.empty() ? DirectoryOfPath(archive) : WithTrailingSlash(options.Output);
    const std::string base = folder + ReplaceExtension(NameOfPath(archive), "");
    const auto [it, added] = seen.emplace(kit.Fs.FullPath(base), archive);
    if (!added) {
      throw TZtError(ZtFormat("%s and %s would both write %s", archive.c_str(), it->second.c_str(),
                              base.c_str()));
    }
    targets.emplace_back(archive, base);
  }
  return targets;
}

template <typename TWork>
void RunViews(TKit& kit, const TViewOptions& options, TWork work) {
  const auto targets = Targets(kit, options);
  const std::vector<TRgbQuad> forced = LoadPaletteOption(kit.Fs, options.Palette);
  kit.Status = RunBatch(kit, targets.size(), options.Jobs, [&](size_t i, std::string& file) {
    const auto& [archive, base] = targets[i];
    file = archive;
    std::vector<uint8_t> bytes;
    LoadWholeFile(kit.Fs, archive, bytes);
    file.clear();  // the detection's message names the archive itself
    const TIcnGeneration generation = ArchiveGeneration(options.Generation, bytes, archive);
    file = archive;
    const TArchiveFrames frames = ReadArchiveFrames(bytes, generation, NameOfPath(archive));
    const std::vector<TRgbQuad> palette =
        forced.empty() ? GenerationPalette(kit.Fs, generation) : forced;
    work(frames, palette, base);
    return frames.Frames.size();
  });
}

void AddCommonOptions(CLI::App& command, TViewOptions& options, const char* what) {
  command.add_option("ARCHIVE", options.Inputs, "Archives, masks ('*.icn') or folders")->required();
  command.add_option("-o,--output", options.Output, what)->type_name("DIR");
  AddGenerationOption(command, options.Generation, "the default: told from each archive");
  AddJobsOption(command, options.Jobs);
  AddPaletteOptions(command, options.Palette);
}

}  // namespace

void RegisterSheetCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TViewOptions>();
  CLI::App* command = app.add_subcommand(
      "sheet", "Write each archive as a sprite sheet: an indexed PNG and its JSON (JSON-array layout)");
  AddCommonOptions(*command, *options, "Put the sheets in DIR (default: beside each archive)");
  auto* columns = command->add_option("--columns", options->Sheet.Layout.Columns,
                                      "Cells per row (default: a square sheet)")
                      ->check(CLI::Range(1, 65535));
  command->add_flag("--packed", options->Packed, "Pack the cells on shelves instead of a grid")
      ->excludes(columns);
  command->add_option("--padding", options->Sheet.Layout.Padding,
                      "Transparent pixels between cells and around the sheet (default 0)")
      ->check(CLI::Range(0, 4096));
  command->add_flag("--untrimmed", options->Sheet.Untrimmed,
                    "Every cell the union rectangle, frames at their places");
  command->add_option("--delay", options->Sheet.Duration, "Each frame's duration in ms (default 100)")
      ->check(CLI::Range(0, 655350));
  command->callback([&kit, options] {
    options->Sheet.Layout.Arrangement =
        options->Packed ? TSheetArrangement::Packed : TSheetArrangement::Grid;
    options->Sheet.Version = KitVersionText();
    RunViews(kit, *options, [&](const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
                                const std::string& base) {
      TSheetOptions sheetOptions = options->Sheet;
      sheetOptions.Image = NameOfPath(base) + ".png";
      const TSheet sheet = ComposeSheet(frames, palette, sheetOptions);
      const std::vector<uint8_t> png = EncodeIndexedPng(sheet.Image, /*transparentZero=*/true);
      const std::string json = WriteSheetJson(sheet.Description);
      SaveWholeFile(kit.Fs, base + ".png", png);
      SaveWholeFile(kit.Fs, base + ".json",
                    std::span(reinterpret_cast<const uint8_t*>(json.data()), json.size()));
    });
  });
}

void RegisterGifCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TViewOptions>();
  CLI::App* command =
      app.add_subcommand("gif", "Write each archive as an animated GIF (looping, index 0 transparent)");
  AddCommonOptions(*command, *options, "Put the GIFs in DIR (default: beside each archive)");
  command->add_option("--delay", options->Gif.DelayMs, "Milliseconds per frame (default 100)")
      ->check(CLI::Range(0, 655350));
  command->add_option("--frames", options->Frames, "Only frames A to B (numbered from 0)")
      ->type_name("A-B");
  command->add_option("--scale", options->Gif.Scale, "Each pixel as NxN pixels (default 1)")
      ->check(CLI::Range(1, 64));
  command->callback([&kit, options] {
    RunViews(kit, *options, [&](const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
                                const std::string& base) {
      TGifOptions gif = options->Gif;
      if (!options->Frames.empty()) ParseFrameRange(options->Frames, frames.Frames.size(), gif);
      SaveWholeFile(kit.Fs, base + ".gif", EncodeArchiveGif(frames, palette, gif));
    });
  });
}
