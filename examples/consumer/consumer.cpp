// A program built against the installed icnkit library (CMakeLists.txt
// beside it): lists an archive's frames and writes frame 0 as a PNG.
#include <icnkit/icnkit.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: consumer ARCHIVE FRAME0.png\n");
    return 2;
  }
  try {
    const icnkit::Archive archive = icnkit::Archive::OpenFile(argv[1]);
    std::printf("%s: %s, %zu frames\n", archive.Name().c_str(),
                icnkit::GenerationName(archive.Generation()), archive.FrameCount());
    for (size_t i = 0; i < archive.FrameCount(); ++i) {
      const icnkit::FrameRecord frame = archive.Frame(i);
      std::printf("%zu: %d x %d at (%d, %d)%s\n", i, frame.width, frame.height, frame.left,
                  frame.top, frame.fill_only ? ", fill-only" : "");
    }
    const icnkit::Palette colours = icnkit::GenerationPalette(archive.Generation());
    const icnkit::Raster pixels = archive.Decode(0);
    icnkit::SaveFile(argv[2], icnkit::EncodePng(pixels.View(), colours, true));
  } catch (const icnkit::Error& error) {
    std::fprintf(stderr, "consumer: %s\n", error.what());
    return 1;
  }
  return 0;
}
