#include "unpack/FrameOutput.h"

#include <optional>
#include <utility>

#include "image/BmpFile.h"

namespace icnkit {

namespace {

// Lends the image another colour table while it is encoded.
class TColourTableSwap {
 public:
  TColourTableSwap(TIndexedImage& image, std::vector<TRgbQuad>& colours)
      : Image_(image), Colours_(colours) {
    std::swap(Image_.ColourTable(), Colours_);
  }
  ~TColourTableSwap() { std::swap(Image_.ColourTable(), Colours_); }
  TColourTableSwap(const TColourTableSwap&) = delete;
  TColourTableSwap& operator=(const TColourTableSwap&) = delete;

 private:
  TIndexedImage& Image_;
  std::vector<TRgbQuad>& Colours_;
};

}  // namespace

void SaveFrame(TFileSystem& fs, TIndexedImage& image, const TFrameOutput& output,
               const std::string& path) {
  if (!output.Encode && output.Palette.empty()) {
    image.SaveBmpFile(fs, path);
    return;
  }
  std::vector<uint8_t> bytes;
  {
    std::vector<TRgbQuad> colours = output.Palette;
    std::optional<TColourTableSwap> swap;
    if (!colours.empty()) swap.emplace(image, colours);
    bytes = output.Encode ? output.Encode(image) : image.BmpBytes();
  }
  WriteBmpFile(fs, path, bytes);
}

}  // namespace icnkit
