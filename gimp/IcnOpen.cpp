// Opening an archive as an image (gimp/IcnGimp.h): the union rectangle of
// its frames is the canvas, each frame a layer with alpha at its place.
#include <gegl.h>

#include <string>
#include <vector>

#include "gimp/IcnGimp.h"
#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/palette.h"

namespace icnkit {

namespace {

// The archive at path. Where its bytes fit no generation alone, a name
// only H1 gives archives (".obj", ".std", ...) says H1, as the tools'
// folders of such files do; otherwise the library's message stands.
Archive OpenArchive(const std::string& path) {
  try {
    return Archive::OpenFile(path);
  } catch (const Error& error) {
    const size_t dot = path.find_last_of('.');
    const std::string extension = dot == std::string::npos ? "" : path.substr(dot);
    bool h1Only = false;
    for (const char* name : {".obj", ".atk", ".std", ".wlk", ".wip", ".xtl"}) {
      h1Only = h1Only || g_ascii_strcasecmp(extension.c_str(), name) == 0;
    }
    if (error.Kind() != ErrorKind::InvalidInput || !h1Only) throw;
    return Archive::OpenFile(path, Generation::H1);
  }
}

std::string FrameName(size_t index) {
  char name[16];
  g_snprintf(name, sizeof name, "%04u", static_cast<unsigned>(index));
  return name;
}

// Frame index as a layer: indices with alpha, index 0 transparent; a frame
// without pixels a transparent 1 x 1 layer at its place.
gint32 FrameLayer(gint32 image, const Archive& archive, size_t index, const Rect& canvas) {
  const FrameRecord record = archive.Frame(index);
  const Raster pixels = archive.Decode(index);
  const gint width = record.width > 0 && record.height > 0 ? record.width : 1;
  const gint height = record.width > 0 && record.height > 0 ? record.height : 1;
  const gint32 layer = gimp_layer_new(image, FrameName(index).c_str(), width, height,
                                      GIMP_INDEXEDA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_layer_set_offsets(layer, record.left - canvas.left, record.top - canvas.top);
  std::vector<guchar> data(size_t(width) * size_t(height) * 2, 0);
  for (size_t i = 0; i < pixels.pixels.size(); ++i) {
    data[2 * i] = pixels.pixels[i];
    data[2 * i + 1] = pixels.pixels[i] == 0 ? 0 : 255;
  }
  GeglBuffer* buffer = gimp_drawable_get_buffer(layer);
  const GeglRectangle whole = {0, 0, width, height};
  gegl_buffer_set(buffer, &whole, 0, gimp_drawable_get_format(layer), data.data(),
                  GEGL_AUTO_ROWSTRIDE);
  g_object_unref(buffer);
  AttachItemText(layer, kBitsParasite, std::to_string(record.bits));
  AttachItemText(layer, kFrameParasite, std::to_string(index));
  return layer;
}

}  // namespace

std::string BytesHash(std::span<const uint8_t> bytes) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (const uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
  char text[17];
  g_snprintf(text, sizeof text, "%016" G_GINT64_MODIFIER "x", static_cast<guint64>(hash));
  return text;
}

gint32 LoadArchiveImage(const std::string& path) {
  const Archive archive = OpenArchive(path);
  const Rect canvas = archive.Union();
  const gint32 image = gimp_image_new(canvas.width > 0 ? canvas.width : 1,
                                      canvas.height > 0 ? canvas.height : 1, GIMP_INDEXED);
  const Palette palette = GenerationPalette(archive.Generation());
  std::vector<guchar> colours;
  for (const Colour& colour : palette) {
    colours.insert(colours.end(), {colour.red, colour.green, colour.blue});
  }
  gimp_image_set_colormap(image, colours.data(), static_cast<gint>(palette.size()));
  gimp_image_set_filename(image, path.c_str());
  AttachImageText(image, kGenerationParasite, GenerationName(archive.Generation()));
  AttachImageText(image, kSourceParasite, BytesHash(archive.Bytes()) + " " + path);
  AttachImageText(image, kReferenceParasite,
                  std::to_string(-canvas.left) + " " + std::to_string(-canvas.top));
  try {
    gimp_image_undo_disable(image);
    // Each layer goes on top: frame 0 ends at the bottom.
    for (size_t i = 0; i < archive.FrameCount(); ++i) {
      gimp_image_insert_layer(image, FrameLayer(image, archive, i, canvas), 0, 0);
    }
    gimp_image_undo_enable(image);
  } catch (...) {
    gimp_image_delete(image);
    throw;
  }
  return image;
}

}  // namespace icnkit
