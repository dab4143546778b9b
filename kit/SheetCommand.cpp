// icnkit sheet and icnkit gif: each archive as a sprite sheet (indexed PNG
// plus its JSON) or as an animated GIF, made by the library (icnkit/sheet.h),
// written beside the archive or into -o DIR as <name without extension>.png,
// .json or .gif. For one archive, -o may name the file instead: an -o that
// ends in the extension of a file the command writes (.gif; .png or .json,
// the other one of the pair named after it), in any letter case, and is no
// folder already. A GIF goes into its file as it is encoded.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "icnkit/error.h"
#include "icnkit/files.h"
#include "icnkit/folders.h"
#include "icnkit/sheet.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"

namespace icnkit {

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
// text with the letters A-Z in lower case.
std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

struct TViewTarget {
  std::string Archive;
  std::string Base;
  std::string Named;

  std::string File(const std::string& extension) const {
    if (Named == kStandardOutput) return Named;
    return AsciiLower(ExtensionOf(Named)) == extension ? Named : Base + extension;
  }
};

// Whether -o names the file to write rather than a folder.
bool OutputNamesFile(const TViewOptions& options) {
  if (options.Output.empty() || KindOfPath(options.Output) == PathKind::Folder) return false;
  const std::string extension = AsciiLower(ExtensionOf(options.Output));
  return std::find(options.Extensions.begin(), options.Extensions.end(), extension) !=
         options.Extensions.end();
}

// Where each archive's files go: two archives may not share a name there
// (a.icn and a.obj in one folder, or -o for two folders), nor one -o that
// names a file.
std::vector<TViewTarget> Targets(const TViewOptions& options) {
  const std::vector<std::string> archives = FindArchives(options.Inputs, options.Generation);
  if (options.Output == kStandardOutput) {
    // One file of one archive can go to standard output: a GIF, not a
    // sheet's pair of files.
    if (options.Extensions.size() > 1) {
      throw CLI::ValidationError("--output",
                                 "-o - writes one file to standard output, but a sheet is two "
                                 "(a PNG and its JSON); name a folder or FILE.png");
    }
    if (archives.size() > 1) {
      throw CLI::ValidationError("--output",
                                 "-o - writes one file to standard output; name a "
                                 "folder for " +
                                     std::to_string(archives.size()) + " archives");
    }
    if (archives.empty()) return {};
    return {{archives[0], {}, options.Output}};
  }
  if (OutputNamesFile(options)) {
    if (archives.size() > 1) {
      throw CLI::ValidationError("--output", "-o " + options.Output +
                                                 " names one file; name a folder for " +
                                                 std::to_string(archives.size()) + " archives");
    }
    if (archives.empty()) return {};
    return {{archives[0], WithExtension(options.Output, ""), options.Output}};
  }
  // No folder is written through another user's link.
  if (!options.Output.empty()) CheckWrittenFolder(options.Output);
  std::vector<TViewTarget> targets;
  std::map<std::string, std::string> seen;
  for (const std::string& archive : archives) {
    const std::string folder =
        options.Output.empty() ? FolderOfPath(archive) : WithTrailingDelimiter(options.Output);
    const std::string base = folder + WithExtension(FileNameOf(archive), "");
    const auto [it, added] = seen.emplace(AbsolutePath(base), archive);
    if (!added) {
      ThrowClash(archive, it->second, "write " + base);
    }
    targets.push_back({archive, base, {}});
  }
  return targets;
}

// The line that ends a successful run: "wrote GIF hero.gif (5 frames)",
// "wrote 3 sheets (15 frames) into sheets/".
std::string ViewSummary(const TViewOptions& options, const std::string& noun,
                        const std::vector<TViewTarget>& targets, size_t frames) {
  if (targets.empty()) return "found no archive";
  const std::string count = " (" + Counted(frames, "frame") + ")";
  if (targets[0].Named == kStandardOutput) {
    return "wrote " + noun + " to standard output" + count;
  }
  if (targets.size() == 1) {
    std::string files;
    for (const std::string& extension : options.Extensions) {
      files += (files.empty() ? "" : " and ") + targets[0].File(extension);
    }
    return "wrote " + noun + " " + files + count;
  }
  return "wrote " + Counted(targets.size(), noun) + count + " " +
         (options.Output.empty() ? "beside the archives"
                                 : "into " + WithTrailingDelimiter(options.Output));
}

// Runs work(archive, palette, target) for each archive, palette the
// colours of --palette (empty: the generation's); work writes the archive's
// files (-o -: the one to standard output) and returns the frames they show.
template <typename TWork>
void RunViews(TKit& kit, const TViewOptions& options, const std::string& noun, TWork work) {
  const auto targets = Targets(options);
  const icnkit::Palette forced = LoadPaletteOption(options.Palette);
  kit.Status = RunBatch(kit, targets.size(), options.Jobs, [&](size_t i, std::string& file) {
    const TViewTarget& target = targets[i];
    const std::string& archive = target.Archive;
    file = archive;
    std::vector<uint8_t> bytes = ReadFile(archive);
    const icnkit::Generation generation = ChosenGeneration(options.Generation, bytes, archive);
    const icnkit::Archive opened =
        icnkit::Archive::Open(std::move(bytes), generation, FileNameOf(archive));
    return work(opened, forced, target);
  });
  kit.Summary = ViewSummary(options, noun, targets, kit.Report.FramesDone());
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
    RunViews(kit, *options, "sheet",
             [&](const icnkit::Archive& archive, const icnkit::Palette& palette,
                 const TViewTarget& target) {
               icnkit::SheetOptions sheetOptions = options->Sheet;
               const std::string pngPath = target.File(".png");
               sheetOptions.image_name = FileNameOf(pngPath);
               sheetOptions.palette = palette;
               const icnkit::Sheet sheet = icnkit::MakeSheet(archive, sheetOptions);
               WriteFile(pngPath, sheet.png);
               WriteFile(target.File(".json"),
                         std::span(reinterpret_cast<const uint8_t*>(sheet.json.data()),
                                   sheet.json.size()));
               return archive.FrameCount();
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
                   "FILE.gif names the GIF, - sends it to standard output");
  command->add_option("--delay", options->Gif.delay_ms, "Milliseconds per frame (default 100)")
      ->check(CLI::Range(0, 655350));
  command
      ->add_option("--frames", options->Frames,
                   "Only frames A to B (numbered from 0; B past the last frame: to the last)")
      ->type_name("A-B");
  command->add_option("--scale", options->Gif.scale, "Each pixel as NxN pixels (default 1)")
      ->check(CLI::Range(1, 64));
  command->callback([&kit, options] {
    // A range that is no range is a usage error, before any archive is read.
    if (!options->Frames.empty()) {
      try {
        (void)icnkit::ParseFrameRange(options->Frames);
      } catch (const icnkit::Error& error) {
        throw CLI::ValidationError(error.what());
      }
    }
    RunViews(kit, *options, "GIF",
             [&](const icnkit::Archive& archive, const icnkit::Palette& palette,
                 const TViewTarget& target) {
               icnkit::GifOptions gif = options->Gif;
               gif.palette = palette;
               const size_t count = archive.FrameCount();
               if (!options->Frames.empty()) {
                 const icnkit::FrameRange range = icnkit::ParseFrameRange(options->Frames, count);
                 if (range.cut) {
                   kit.Report.Detail(target.Archive + ": --frames " + options->Frames + " cut to " +
                                     std::to_string(range.first) + "-" +
                                     std::to_string(range.last) + ", the frames there are");
                 }
                 gif.first = range.first;
                 gif.last = range.last;
               }
               // The file is begun with the first piece, after every check,
               // and written as encoded; the bar counts frames when there is
               // one archive.
               FileWriter file(target.File(".gif"));
               icnkit::WriteGif(
                   archive, gif, [&](std::span<const uint8_t> bytes) { file.Append(bytes); },
                   [&](size_t done, size_t total) { kit.Report.AdvanceWithin(done, total); });
               file.Save();
               return count == 0 ? 0 : std::min(gif.last, count - 1) - gif.first + 1;
             });
  });
}

}  // namespace icnkit
