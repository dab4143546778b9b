// icnkit palette IN OUT: converts a palette between the file formats the
// library reads and writes (icnkit/palette.h).
#include <CLI/CLI.hpp>
#include <memory>

#include "icnkit/palette.h"
#include "kit/Archives.h"
#include "kit/FrameFormats.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TPaletteCommandOptions {
  std::string Input;
  std::string Output;
  TPaletteOptions Depth;  // its --palette-6bit and --palette-8bit
};

// OUT's format comes from its name, checked before IN is read; OUT is
// written whole or not at all. A raw OUT that reading would take for 6-bit
// values is written as asked, with a warning.
void RunPaletteCommand(TKit& kit, const TPaletteCommandOptions& options) {
  const icnkit::PaletteFormat format = icnkit::PaletteFormatOfName(options.Output);
  const icnkit::Palette colours =
      icnkit::ReadPaletteFile(options.Input, PaletteDepthOf(options.Depth));
  icnkit::WritePaletteFile(options.Output, colours);
  if (format == icnkit::PaletteFormat::Raw && icnkit::RawPaletteReadsAsSixBit(colours)) {
    kit.Report.Warning(options.Output +
                       ": every value is within 0..63, so it reads back as a 6-bit palette "
                       "(brighter) unless read with --palette-8bit");
  }
  kit.Summary = "wrote palette " + options.Output + " (" + Counted(colours.size(), "colour") + ")";
}

}  // namespace

void RegisterPaletteCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TPaletteCommandOptions>();
  CLI::App* command =
      app.add_subcommand("palette", "Convert a palette file into another format (by OUT's name)");
  command->add_option("IN", options->Input, "The palette file read")->required();
  command->add_option("OUT", options->Output, "The palette file written")->required();
  AddPaletteDepthOptions(*command, options->Depth);
  command->callback([&kit, options] { RunPaletteCommand(kit, *options); });
}

}  // namespace icnkit
