// icnkit sheet and icnkit gif: each archive as a sprite sheet (indexed PNG
// plus its JSON) or as an animated GIF, made by the library (icnkit/sheet.h),
// written beside the archive or into -o DIR as <name without extension>.png,
// .json or .gif. For one archive, -o may name the file instead: an -o that
// ends in the extension of a file the command writes (.gif; .png or .json,
// the other one of the pair named after it), in any letter case, and is no
// folder already.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <memory>

#include "api/Convert.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "icnkit/sheet.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "sheet/Gif.h"

namespace {

struct TViewOptions {
  // The extensions of the files the command writes, in lower case.
  std::vector<std::string> Extensions;
  std::vector<std::string> Inputs;
  std::string Output;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  TPaletteOptions Palette;
  icnkit::SheetOptions Sheet;
  std::string Frames;
  icnkit::GifOptions Gif;
};

// An archive and where its files go: Base + extension, or Named (the -o
// that names a file, as spelled) for the file of its extension.
struct TViewTarget {
  std::string Archive;
  std::string Base;
  std::string Named;

  std::string File(const std::string& extension) const {
    return AsciiLower(ExtensionOfPath(Named)) == extension ? Named : Base + extension;
  }
};

// Whether -o names the file to write rather than a folder.
bool OutputNamesFile(TKit& kit, const TViewOptions& options) {
  if (options.Output.empty() || IsDirectory(kit.Fs, options.Output)) return false;
  const std::string extension = AsciiLower(ExtensionOfPath(options.Output));
  return std::find(options.Extensions.begin(), options.Extensions.end(), extension) !=
         options.Extensions.end();
}

// Where each archive's files go: two archives may not share a name there
// (a.icn and a.obj in one folder, or -o for two folders), nor one -o that
// names a file.
std::vector<TViewTarget> Targets(TKit& kit, const TViewOptions& options) {
  const std::vector<std::string> archives =
      ExpandArchiveArguments(kit.Fs, options.Generation, options.Inputs);
  if (OutputNamesFile(kit, options)) {
    if (archives.size() > 1) {
      throw CLI::ValidationError("--output", "-o " + options.Output +
                                                 " names one file; name a folder for " +
                                                 std::to_string(archives.size()) + " archives");
    }
    if (archives.empty()) return {};
    return {{archives[0], ReplaceExtension(options.Output, ""), options.Output}};
  }
  // No folder is written through another user's link (fs/Files.h).
  if (!options.Output.empty()) CheckWrittenFolder(kit.Fs, options.Output);
  std::vector<TViewTarget> targets;
  std::map<std::string, std::string> seen;
  for (const std::string& archive : archives) {
    const std::string folder =
        options.Output.empty() ? DirectoryOfPath(archive) : WithTrailingSlash(options.Output);
    const std::string base = folder + ReplaceExtension(NameOfPath(archive), "");
    const auto [it, added] = seen.emplace(kit.Fs.FullPath(base), archive);
    if (!added) {
      throw TZtError(ZtFormat("%s and %s would both write %s", archive.c_str(), it->second.c_str(),
                              base.c_str()));
    }
    targets.push_back({archive, base, {}});
  }
  return targets;
}

// Runs work(archive, palette, target) for each archive, palette the colours
// of --palette (empty: the generation's).
template <typename TWork>
void RunViews(TKit& kit, const TViewOptions& options, TWork work) {
  const auto targets = Targets(kit, options);
  const icnkit::Palette forced = icnkit_api::Public(LoadPaletteOption(kit.Fs, options.Palette));
  kit.Status = RunBatch(kit, targets.size(), options.Jobs, [&](size_t i, std::string& file) {
    const TViewTarget& target = targets[i];
    const std::string& archive = target.Archive;
    file = archive;
    std::vector<uint8_t> bytes;
    LoadWholeFile(kit.Fs, archive, bytes);
    file.clear();  // the detection's message names the archive itself
    const TIcnGeneration generation = ArchiveGeneration(options.Generation, bytes, archive);
    file = archive;
    const icnkit::Archive opened = icnkit::Archive::Open(
        std::move(bytes), icnkit_api::Public(generation), NameOfPath(archive));
    work(opened, forced, target);
    return opened.FrameCount();
  });
}

void AddCommonOptions(CLI::App& command, TViewOptions& options, const char* what) {
  command.add_option("ARCHIVE", options.Inputs, "Archives, masks ('*.icn') or folders")->required();
  command.add_option("-o,--output", options.Output, what)->type_name("DIR|FILE");
  AddGenerationOption(command, options.Generation, "the default: told from each archive");
  AddJobsOption(command, options.Jobs);
  AddPaletteOptions(command, options.Palette);
}

}  // namespace

void RegisterSheetCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TViewOptions>();
  CLI::App* command = app.add_subcommand(
      "sheet",
      "Write each archive as a sprite sheet: an indexed PNG and its JSON (JSON-array layout)");
  options->Extensions = {".png", ".json"};
  AddCommonOptions(*command, *options,
                   "Put the sheets in DIR (default: beside each archive); for one archive, "
                   "FILE.png or FILE.json names the pair");
  auto* columns = command
                      ->add_option("--columns", options->Sheet.columns,
                                   "Cells per row (default: a square sheet)")
                      ->check(CLI::Range(1, 65535));
  command
      ->add_flag("--packed", options->Sheet.packed, "Pack the cells on shelves instead of a grid")
      ->excludes(columns);
  command
      ->add_option("--padding", options->Sheet.padding,
                   "Transparent pixels between cells and around the sheet (default 0)")
      ->check(CLI::Range(0, 4096));
  command->add_flag("--untrimmed", options->Sheet.untrimmed,
                    "Every cell the union rectangle, frames at their places");
  command
      ->add_option("--delay", options->Sheet.duration_ms,
                   "Each frame's duration in ms (default 100)")
      ->check(CLI::Range(0, 655350));
  command->callback([&kit, options] {
    RunViews(kit, *options,
             [&](const icnkit::Archive& archive, const icnkit::Palette& palette,
                 const TViewTarget& target) {
               icnkit::SheetOptions sheetOptions = options->Sheet;
               const std::string pngPath = target.File(".png");
               sheetOptions.image_name = NameOfPath(pngPath);
               sheetOptions.palette = palette;
               const icnkit::Sheet sheet = icnkit::MakeSheet(archive, sheetOptions);
               SaveWholeFile(kit.Fs, pngPath, sheet.png);
               SaveWholeFile(kit.Fs, target.File(".json"),
                             std::span(reinterpret_cast<const uint8_t*>(sheet.json.data()),
                                       sheet.json.size()));
             });
  });
}

void RegisterGifCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TViewOptions>();
  CLI::App* command = app.add_subcommand(
      "gif", "Write each archive as an animated GIF (looping, index 0 transparent)");
  options->Extensions = {".gif"};
  AddCommonOptions(*command, *options,
                   "Put the GIFs in DIR (default: beside each archive); for one archive, "
                   "FILE.gif names the GIF");
  command->add_option("--delay", options->Gif.delay_ms, "Milliseconds per frame (default 100)")
      ->check(CLI::Range(0, 655350));
  command->add_option("--frames", options->Frames, "Only frames A to B (numbered from 0)")
      ->type_name("A-B");
  command->add_option("--scale", options->Gif.scale, "Each pixel as NxN pixels (default 1)")
      ->check(CLI::Range(1, 64));
  command->callback([&kit, options] {
    RunViews(kit, *options,
             [&](const icnkit::Archive& archive, const icnkit::Palette& palette,
                 const TViewTarget& target) {
               icnkit::GifOptions gif = options->Gif;
               gif.palette = palette;
               if (!options->Frames.empty()) {
                 TGifOptions range;
                 ParseFrameRange(options->Frames, archive.FrameCount(), range);
                 gif.first = range.First;
                 gif.last = range.Last;
               }
               SaveWholeFile(kit.Fs, target.File(".gif"), icnkit::MakeGif(archive, gif));
             });
  });
}
