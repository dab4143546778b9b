// icnkit palette IN OUT: converts a palette between the file formats the
// library reads and writes (icnkit/palette.h).
#include <CLI/CLI.hpp>
#include <memory>

#include "format/Text.h"
#include "fs/Files.h"
#include "icnkit/palette.h"
#include "kit/Kit.h"

namespace {

struct TPaletteCommandOptions {
  std::string Input;
  std::string Output;
  bool SixBit = false;
};

// OUT's format comes from its name, checked before IN is read; OUT is
// written whole or not at all.
void RunPaletteCommand(TKit& kit, const TPaletteCommandOptions& options) {
  const icnkit::PaletteFormat format = icnkit::PaletteFormatOfName(options.Output);
  const std::vector<uint8_t> input = LoadNamedFile(kit.Fs, options.Input);
  const icnkit::Palette colours = icnkit::ReadPalette(input, options.Input, options.SixBit);
  SaveWholeFile(kit.Fs, options.Output, icnkit::WritePalette(colours, format), true);
  kit.Summary = "wrote palette " + options.Output + " (" + CountOf(colours.size(), "colour") + ")";
}

}  // namespace

void RegisterPaletteCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TPaletteCommandOptions>();
  CLI::App* command =
      app.add_subcommand("palette", "Convert a palette file into another format (by OUT's name)");
  command->add_option("IN", options->Input, "The palette file read")->required();
  command->add_option("OUT", options->Output, "The palette file written")->required();
  command->add_flag("--palette-6bit", options->SixBit,
                    "Read a raw palette file's values as 6-bit (0..63)");
  command->callback([&kit, options] { RunPaletteCommand(kit, *options); });
}
