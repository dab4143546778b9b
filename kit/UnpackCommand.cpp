// icnkit unpack: the frame folders of the unpackers (the same files, byte
// for byte, with --format bmp) plus setup.ini's Generation key, as the
// library unpacks (api/FolderWork.h), or previews with --preview; PNG
// frames and other palettes through api/FrameFiles.h.
#include <CLI/CLI.hpp>
#include <map>
#include <memory>

#include "api/FolderWork.h"
#include "conventions/ArchiveNames.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"
#include "unpack/PreviewExport.h"
#include "unpack/UnpackerGeneration.h"

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
    if (!IsDirectory(kit.Fs, input)) {
      throw CLI::ValidationError("--preview", "not a folder: " + input);
    }
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
  // the frame folders are checked as they are made.
  if (!options.Output.empty()) CheckWrittenFolder(kit.Fs, options.Output);
  if (options.Preview) {
    for (const TUnpackItem& item : items) {
      CheckWrittenFolder(kit.Fs, DirectoryOfPath(item.Target));
      MakeFolders(kit.Fs, DirectoryOfPath(item.Target));
    }
  }
  kit.Status = RunBatch(kit, items.size(), options.Jobs, [&](size_t i, std::string& file) {
    const TUnpackItem& item = items[i];
    file = item.Archive;
    std::vector<uint8_t> bytes;
    LoadWholeFile(kit.Fs, item.Archive, bytes);
    file.clear();  // the detection's message names the archive itself
    const TIcnGeneration generation = ArchiveGeneration(options.Generation, bytes, item.Archive);
    file = item.Archive;
    if (options.Preview) {
      ExportPreview(kit.Fs, UnpackerGeneration(generation), item.Archive, bytes, item.Target,
                    output);
      return size_t{1};
    }
    return UnpackArchiveFolder(kit.Fs, bytes, generation, item.Archive, item.Target, output);
  });
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
      ->check(CLI::IsMember({"bmp", "png"}).description(""));
  command->add_flag("--transparent", options->Transparent,
                    "PNG: make index 0 transparent (a tRNS entry)");
  AddPaletteOptions(*command, options->Palette);
  command->callback([&kit, options] { RunUnpack(kit, *options); });
}
