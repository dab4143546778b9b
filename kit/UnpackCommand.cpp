// icnkit unpack: the frame folders of the unpackers (the same files, byte
// for byte, with --format bmp) plus setup.ini's Generation key, as the
// library unpacks (folders/FolderWork.h), or previews with --preview; PNG
// frames and other palettes through folders/FrameFiles.h.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <memory>

#include "conventions/ArchiveNames.h"
#include "folders/FolderWork.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "unpack/PreviewExport.h"
#include "unpack/UnpackerGeneration.h"

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
std::vector<TUnpackItem> FrameFolderItems(TKit& kit, const TUnpackOptions& options) {
  std::vector<TUnpackItem> items;
  std::map<std::string, std::string> targets;
  for (const std::string& archive :
       ExpandArchiveArguments(kit.Fs, options.Generation, options.Inputs)) {
    const std::string folder = FrameFolderOf(
        options.Output.empty() ? archive : WithTrailingSlash(options.Output) + NameOfPath(archive));
    const auto [it, added] = targets.emplace(kit.Fs.FullPath(folder), archive);
    if (!added) {
      throw TZtError(ZtFormat("%s and %s would both unpack into %s", archive.c_str(),
                              it->second.c_str(), folder.c_str()));
    }
    items.push_back({archive, folder});
  }
  return items;
}

// Previews: the archives of each folder into FOLDER/Icn Preview/ or -o DIR.
std::vector<TUnpackItem> PreviewItems(TKit& kit, const TUnpackOptions& options,
                                      const std::string& extension) {
  std::vector<TUnpackItem> items;
  for (const std::string& input : options.Inputs) {
    CheckFolderArgument(kit.Fs, input, "--preview");
    const std::string folder = WithTrailingSlash(input);
    const std::string target = options.Output.empty() ? WithTrailingSlash(folder + "Icn Preview")
                                                      : WithTrailingSlash(options.Output);
    for (const std::string& archive : ArchivesOfFolder(kit.Fs, options.Generation, folder)) {
      items.push_back({archive, ZtFormat("%s%s%s", target.c_str(), NameOfPath(archive).c_str(),
                                         extension.c_str())});
    }
  }
  return items;
}

// The line that ends a successful unpack: what and where.
std::string UnpackSummary(const TUnpackOptions& options, const std::vector<TUnpackItem>& items,
                          size_t frames) {
  if (items.empty()) return "found no archive to unpack";
  if (options.Preview) {
    const std::string folder = DirectoryOfPath(items[0].Target);
    const bool shared = std::all_of(items.begin(), items.end(), [&](const TUnpackItem& item) {
      return DirectoryOfPath(item.Target) == folder;
    });
    return "wrote " + CountOf(items.size(), "preview") + " into " +
           (shared ? folder
                   : "each folder's Icn Preview" + std::string(1, NativePathStyle().Delimiter));
  }
  const std::string place = items.size() == 1        ? items[0].Target
                            : options.Output.empty() ? "frame folders beside them"
                                                     : WithTrailingSlash(options.Output);
  return "unpacked " + CountOf(items.size(), "archive") + ", " + CountOf(frames, "frame") +
         " into " + place;
}

void RunUnpack(TKit& kit, const TUnpackOptions& options) {
  if (options.Transparent && options.Format != "png") {
    throw CLI::ValidationError("--transparent", "needs --format png");
  }
  const TFrameOutput output = MakeFrameOutput(options.Format, options.Transparent,
                                              LoadPaletteOption(kit.Fs, options.Palette));
  const std::vector<TUnpackItem> items = options.Preview
                                             ? PreviewItems(kit, options, output.Extension)
                                             : FrameFolderItems(kit, options);
  // No output folder is written through another user's link (fs/Files.h);
  // the frame folders are checked as they are made. The output and preview
  // folders are made before the work starts, and removed again when the
  // run fails and leaves them empty (a frame folder, by its unpack).
  if (!options.Output.empty()) CheckWrittenFolder(kit.Fs, options.Output);
  TMadeFolders made(kit.Fs);
  if (!options.Output.empty() && !items.empty()) made.Make(options.Output);
  if (options.Preview) {
    for (const TUnpackItem& item : items) {
      CheckWrittenFolder(kit.Fs, DirectoryOfPath(item.Target));
      made.Make(DirectoryOfPath(item.Target));
    }
  }
  kit.Status = RunBatch(kit, items.size(), options.Jobs, [&](size_t i, std::string& file) {
    const TUnpackItem& item = items[i];
    file = item.Archive;
    std::vector<uint8_t> bytes;
    LoadWholeFile(kit.Fs, item.Archive, bytes);
    const TIcnGeneration generation = ArchiveGeneration(options.Generation, bytes, item.Archive);
    if (options.Preview) {
      ExportPreview(kit.Fs, UnpackerGeneration(generation), item.Archive, bytes, item.Target,
                    output);
      return size_t{1};
    }
    return UnpackArchiveFolder(kit.Fs, bytes, generation, item.Archive, item.Target, output);
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
