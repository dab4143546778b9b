// Exporting an image as an archive (gimp/IcnGimp.h): checks the whole image
// first, builds the archive as the packers do (BuildArchive trims each
// layer to its opaque pixels; a layer that still shows the frame it was
// opened as keeps that frame's stored bytes) and writes it as they do
// (SaveFile: whole or not at all), or refuses and writes nothing.
#include <gegl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gimp/IcnGimp.h"
#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/folders.h"
#include "icnkit/palette.h"

namespace icnkit {

namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw Error(ErrorKind::InvalidInput, message);
}

// The image's colour map as colours.
Palette ImageColours(gint32 image) {
  gint count = 0;
  guchar* map = gimp_image_get_colormap(image, &count);
  Palette colours;
  for (size_t i = 0; i < size_t(count); ++i) {
    colours.push_back({map[3 * i], map[3 * i + 1], map[3 * i + 2]});
  }
  g_free(map);
  return colours;
}

// The palette "ICN H1" or "ICN H2" among GIMP's palettes (made when
// missing), for Image > Mode > Indexed's "Use custom palette".
std::string GimpPaletteName(Generation generation) {
  std::string name = std::string("ICN ") + GenerationName(generation);
  gint found = 0;
  gchar** names = gimp_palettes_get_list(("^" + name + "$").c_str(), &found);
  g_strfreev(names);
  if (found == 0) {
    gchar* made = gimp_palette_new(name.c_str());
    if (made != nullptr) {
      gint entry = 0;
      for (const Colour& colour : GenerationPalette(generation)) {
        GimpRGB rgb;
        gimp_rgb_set_uchar(&rgb, colour.red, colour.green, colour.blue);
        gimp_palette_add_entry(made, "", &rgb, &entry);
      }
      g_free(made);
    }
  }
  return name;
}

// The generation whose palette the image is indexed with: the one it was
// opened with, else the one whose colours its colour map holds.
Generation ImageGeneration(gint32 image) {
  const std::string kept = ImageParasiteText(image, kGenerationParasite);
  std::optional<Generation> generation;
  if (!kept.empty()) generation = ParseGeneration(kept);
  const bool indexed = gimp_image_base_type(image) == GIMP_INDEXED;
  const Palette colours = indexed ? ImageColours(image) : Palette{};
  for (Generation each : {Generation::H1, Generation::H2}) {
    if (!generation && colours == GenerationPalette(each)) generation = each;
  }
  if (generation && colours == GenerationPalette(*generation)) return *generation;
  // Opened from an archive: its generation; else either.
  const std::string palettes = generation ? "the palette \"" + GimpPaletteName(*generation) + "\""
                                          : "the palette \"" + GimpPaletteName(Generation::H1) +
                                                "\" (H2 sprites: \"" +
                                                GimpPaletteName(Generation::H2) + "\")";
  Refuse(std::string("The image is not indexed with ") +
         (generation ? std::string("the ") + GenerationName(*generation) + " palette"
                     : std::string("a generation's palette")) +
         ", which an archive's frames use: choose Image > Mode > Indexed, \"Use custom "
         "palette\", " +
         palettes +
         ", untick \"Remove unused and duplicate colors from colormap\", then export again.");
}

std::string LayerName(gint32 layer) {
  gchar* name = gimp_item_get_name(layer);
  std::string text = name != nullptr ? name : "";
  g_free(name);
  return text;
}

// A frame of the image: its layer, number, pixels and place.
struct LayerFrame {
  gint32 layer = 0;
  std::string name;
  unsigned long number = 0;
  Raster pixels;
  int32_t left = 0;
  int32_t top = 0;
  int32_t bits = 0;
  std::optional<size_t> source;  // the frame it was opened as, if any
};

void CheckLayer(gint32 layer, const std::string& name) {
  const std::string what = "Layer \"" + name + "\" ";
  if (gimp_item_is_group(layer)) {
    Refuse(what +
           "is a layer group, which an archive cannot hold: move its layers out of it "
           "(Layer > Stack) or merge it (Layer > Merge Down).");
  }
  if (gimp_layer_get_mask(layer) != -1) {
    Refuse(what + "has a mask, which an archive cannot hold: apply or delete it (Layer > Mask).");
  }
  if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0])) ||
      name.find_first_not_of("0123456789") != std::string::npos || name.size() > 5) {
    Refuse(what +
           "is not named by a frame number: the frames are the layers named 0000, "
           "0001, ... in the order of their numbers; rename it (Layer > Edit Layer "
           "Attributes).");
  }
}

LayerFrame ReadLayer(gint32 layer, const std::pair<int32_t, int32_t>& reference) {
  LayerFrame frame;
  frame.layer = layer;
  frame.name = LayerName(layer);
  CheckLayer(layer, frame.name);
  frame.number = std::stoul(frame.name);
  gint x = 0;
  gint y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  frame.left = x - reference.first;
  frame.top = y - reference.second;
  const std::string bits = ItemParasiteText(layer, kBitsParasite);
  frame.bits = bits.empty() ? 0 : static_cast<int32_t>(std::stol(bits));
  const std::string source = ItemParasiteText(layer, kFrameParasite);
  if (!source.empty() && source.find_first_not_of("0123456789") == std::string::npos &&
      source.size() < 6) {
    frame.source = std::stoul(source);
  }
  const gint width = gimp_drawable_width(layer);
  const gint height = gimp_drawable_height(layer);
  frame.pixels = Raster(width, height);
  const Babl* format = gimp_drawable_get_format(layer);
  const int bytes = babl_format_get_bytes_per_pixel(format);
  std::vector<guchar> stored(size_t(width) * size_t(height) * size_t(bytes));
  GeglBuffer* buffer = gimp_drawable_get_buffer(layer);
  const GeglRectangle whole = {0, 0, width, height};
  gegl_buffer_get(buffer, &whole, 1.0, format, stored.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
  g_object_unref(buffer);
  // Indexed layers: the index, then alpha where the layer has one; a
  // transparent pixel is index 0.
  for (size_t i = 0; i < frame.pixels.pixels.size(); ++i) {
    const bool opaque = bytes < 2 || stored[i * size_t(bytes) + 1] >= 128;
    frame.pixels.pixels[i] = opaque ? stored[i * size_t(bytes)] : 0;
  }
  return frame;
}

std::pair<int32_t, int32_t> ReferencePoint(gint32 image) {
  const std::string text = ImageParasiteText(image, kReferenceParasite);
  int x = 0;
  int y = 0;
  if (!text.empty() && std::sscanf(text.c_str(), "%d %d", &x, &y) == 2) return {x, y};
  return {0, 0};
}

// The archive the image was opened from, while its file holds the bytes it
// held then; else none (moved, changed, or an image made otherwise).
std::optional<Archive> SourceArchive(gint32 image, Generation generation) {
  const std::string text = ImageParasiteText(image, kSourceParasite);
  const size_t space = text.find(' ');
  if (space == std::string::npos) return std::nullopt;
  try {
    Archive source = Archive::OpenFile(text.substr(space + 1), generation);
    if (BytesHash(source.Bytes()) == text.substr(0, space)) return source;
  } catch (const Error&) {
    // Not there or no longer an archive: every frame is built anew.
  }
  return std::nullopt;
}

// Whether frame's layer still shows frame index of source as opened: the
// same pixels (a frame without pixels: the 1 x 1 transparent layer).
bool ShowsFrame(const LayerFrame& frame, const Archive& source, size_t index) {
  if (index >= source.FrameCount()) return false;
  const FrameRecord record = source.Frame(index);
  if (record.width <= 0 || record.height <= 0) {
    return frame.pixels.width == 1 && frame.pixels.height == 1 && frame.pixels.pixels[0] == 0;
  }
  return frame.pixels.width == record.width && frame.pixels.height == record.height &&
         frame.pixels.pixels == source.Decode(index).pixels;
}

}  // namespace

void SaveArchiveImage(gint32 image, const std::string& path) {
  const Generation generation = ImageGeneration(image);
  const auto reference = ReferencePoint(image);
  gint count = 0;
  gint* layers = gimp_image_get_layers(image, &count);
  std::vector<gint32> ids(layers, layers + count);
  g_free(layers);
  std::vector<LayerFrame> frames;
  std::map<unsigned long, std::string> numbers;
  for (gint32 layer : ids) {
    frames.push_back(ReadLayer(layer, reference));
    const auto [it, added] = numbers.emplace(frames.back().number, frames.back().name);
    if (!added) {
      Refuse("Layers \"" + it->second + "\" and \"" + frames.back().name +
             "\" have the same frame number: rename one (Layer > Edit Layer Attributes).");
    }
  }
  std::sort(frames.begin(), frames.end(),
            [](const LayerFrame& a, const LayerFrame& b) { return a.number < b.number; });
  const std::optional<Archive> source = SourceArchive(image, generation);
  std::vector<NewFrame> built;
  built.reserve(frames.size());
  for (const LayerFrame& frame : frames) {
    built.push_back({frame.pixels.View(), frame.left, frame.top, frame.bits});
    if (source && frame.source && ShowsFrame(frame, *source, *frame.source)) {
      built.back().source = &*source;
      built.back().source_index = *frame.source;
    }
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = BuildArchive(generation, built);
  } catch (const Error& error) {
    const std::string text = error.what();
    // "frame <i>: ..." names the layer's place in the order; say its name.
    unsigned long index = 0;
    if (std::sscanf(text.c_str(), "frame %lu:", &index) == 1 && index < frames.size()) {
      Refuse("Layer \"" + frames[index].name + "\": " + text.substr(text.find(':') + 2) +
             " (frames lie within -32768..32767 of the reference point and measure at most "
             "65535 pixels a side)");
    }
    throw;
  }
  SaveFile(path, bytes);
}

}  // namespace icnkit
