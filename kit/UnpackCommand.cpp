// icnkit unpack: the frame folders of the unpackers (the same files, byte
// for byte, with --format bmp) plus setup.ini's Generation key, as the
// library unpacks (icnkit::UnpackFile), or previews with --preview
// (icnkit::WritePreview); PNG frames and other palettes by its options.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <memory>

#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/files.h"
#include "icnkit/folders.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TUnpackOptions {
  std::vector<std::string> Inputs;
  std::string Output;
  bool Preview = false;
  TGenerationChoice Generation;
  unsigned Jobs = 1;
  std::string Format = "bmp";
  bool Transparent = false;
  TPaletteOptions Palette;
};

// One archive to unpack and where its frame folder or preview goes.
struct TUnpackItem {
  std::string Archive;
  std::string Target;
};

// Frame folders: beside each archive, or in -o DIR. Two archives may not
// share a folder: the second would overwrite the first's frames.
std::vector<TUnpackItem> FrameFolderItems(const TUnpackOptions& options) {
  std::vector<TUnpackItem> items;
  std::map<std::string, std::string> targets;
  for (const std::string& archive : FindArchives(options.Inputs, options.Generation)) {
    const std::string folder = FrameFolderPath(
        options.Output.empty() ? archive
                               : WithTrailingDelimiter(options.Output) + FileNameOf(archive));
    const auto [it, added] = targets.emplace(AbsolutePath(folder), archive);
    if (!added) {
      ThrowClash(archive, it->second, "unpack into " + folder);
    }
    items.push_back({archive, folder});
  }
  return items;
}

// Previews: the archives of each folder into FOLDER/Icn Preview/ or -o DIR.
std::vector<TUnpackItem> PreviewItems(const TUnpackOptions& options) {
  std::vector<TUnpackItem> items;
  for (const std::string& input : options.Inputs) {
    CheckFolderArgument(input, "--preview");
    const std::string folder = WithTrailingDelimiter(input);
    const std::string target = options.Output.empty()
                                   ? WithTrailingDelimiter(folder + "Icn Preview")
                                   : WithTrailingDelimiter(options.Output);
    for (const std::string& archive : ArchivesInFolder(folder, options.Generation)) {
      items.push_back({archive, target + FileNameOf(archive) + "." + options.Format});
    }
  }
  return items;
}

// The line that ends a successful unpack: what and where.
std::string UnpackSummary(const TUnpackOptions& options, const std::vector<TUnpackItem>& items,
                          size_t frames) {
  if (items.empty()) return "found no archive to unpack";
  if (options.Preview) {
    const std::string folder = FolderOfPath(items[0].Target);
    const bool shared = std::all_of(items.begin(), items.end(), [&](const TUnpackItem& item) {
      return FolderOfPath(item.Target) == folder;
    });
    return "wrote " + Counted(items.size(), "preview") + " into " +
           (shared ? folder : "each folder's Icn Preview" + std::string(1, PathDelimiter()));
  }
  const std::string place = items.size() == 1        ? items[0].Target
                            : options.Output.empty() ? "frame folders beside them"
                                                     : WithTrailingDelimiter(options.Output);
  return "unpacked " + Counted(items.size(), "archive") + ", " + Counted(frames, "frame") +
         " into " + place;
}

void RunUnpack(TKit& kit, const TUnpackOptions& options) {
  if (options.Transparent && options.Format != "png") {
    throw CLI::ValidationError("--transparent", "needs --format png");
  }
  icnkit::UnpackOptions unpack;
  unpack.format = options.Format;
  unpack.transparent = options.Transparent;
  unpack.palette = LoadPaletteOption(options.Palette);
  unpack.generation_option = kGenerationOption;
  unpack.generation = options.Generation;
  const std::vector<TUnpackItem> items =
      options.Preview ? PreviewItems(options) : FrameFolderItems(options);
  // No output folder is written through another user's link; the frame
  // folders are checked as they are made. The output and preview folders
  // are made before the work starts, and removed again when the run fails
  // and leaves them empty (a frame folder, by its unpack).
  if (!options.Output.empty()) CheckWrittenFolder(options.Output);
  MadeFolders made;
  if (!options.Output.empty() && !items.empty()) made.Make(options.Output);
  if (options.Preview) {
    for (const TUnpackItem& item : items) {
      CheckWrittenFolder(FolderOfPath(item.Target));
      made.Make(FolderOfPath(item.Target));
    }
  }
  kit.Status = RunBatch(kit, items.size(), options.Jobs, [&](size_t i, std::string& file) {
    const TUnpackItem& item = items[i];
    file = item.Archive;
    if (options.Preview) {
      std::vector<uint8_t> bytes = ReadFile(item.Archive);
      const icnkit::Generation generation =
          ChosenGeneration(options.Generation, bytes, item.Archive);
      WritePreview(Archive::Open(std::move(bytes), generation, FileNameOf(item.Archive)),
                   item.Target, unpack);
      return size_t{1};
    }
    icnkit::UnpackOptions counted = unpack;
    size_t frames = 0;
    counted.progress = [&frames](size_t, size_t total) { frames = total; };
    UnpackFile(item.Archive, item.Target, counted);
    return frames;
  });
  if (kit.Status != 0) return;
  made.Keep();
  kit.Summary = UnpackSummary(options, items, kit.Report.FramesDone());
}

}  // namespace

void RegisterUnpackCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TUnpackOptions>();
  CLI::App* command = app.add_subcommand(
      "unpack", "Unpack archives into frame folders (ARCHIVE.cadres/), or previews");
  command
      ->add_option("ARCHIVE", options->Inputs,
                   "Archives, masks ('*.icn') or folders (every archive in them); with "
                   "--preview, folders")
      ->required();
  command
      ->add_option("-o,--output", options->Output,
                   "Put the frame folders (with --preview: the previews) in DIR")
      ->type_name("DIR");
  command->add_flag("--preview", options->Preview,
                    "Write one frame of each archive of the folders, into FOLDER/Icn Preview/ "
                    "or -o DIR");
  AddGenerationOption(*command, options->Generation, "the default: told from each archive");
  AddJobsOption(*command, options->Jobs);
  command->add_option("--format", options->Format, "Frame files: bmp (the default) or png")
      ->type_name("bmp|png")
      ->transform(CLI::IsMember({"bmp", "png"}, CLI::ignore_case).description(""));
  command->add_flag("--transparent", options->Transparent,
                    "PNG: make index 0 transparent (a tRNS entry)");
  AddPaletteOptions(*command, options->Palette);
  command->callback([&kit, options] { RunUnpack(kit, *options); });
}

}  // namespace icnkit
