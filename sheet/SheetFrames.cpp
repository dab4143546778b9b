#include "sheet/SheetFrames.h"

namespace icnkit {

TArchiveFrames ReadArchiveFrames(TArchiveImage archive, TIcnGeneration generation,
                                 const std::string& archiveName) {
  ValidateArchive(archive, generation);
  TArchiveFrames frames;
  frames.Archive = archive;
  frames.Format = &GenerationInfo(generation);
  frames.ArchiveName = archiveName;
  const size_t count = FrameCount(archive);
  frames.Frames.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    TFrameFacts facts;
    facts.Record = FrameRecordAt(archive, generation, i);
    facts.FillOnly = frames.Format->FillOnly(archiveName, archive, i, facts.Record);
    facts.Bits = frames.Format->BitsValue(facts.FillOnly, facts.Record);
    frames.Frames.push_back(facts);
  }
  frames.Union = UnionRectangle(archive, generation);
  return frames;
}

void DecodeFrameInto(const TArchiveFrames& frames, size_t i, const TFrameRaster& target) {
  const TFrameFacts& facts = frames.Frames.at(i);
  DecodeFrame(*frames.Format, frames.Archive, facts.Record, facts.FillOnly, target);
}

TFrameRaster TopDownRaster(uint8_t* buffer, ptrdiff_t stride, int32_t x, int32_t y, int32_t w,
                           int32_t h) {
  TFrameRaster raster;
  raster.TopLeft = buffer + y * stride + x;
  raster.RowStep = h > 1 ? stride : 0;
  raster.Width = w;
  raster.Height = h;
  return raster;
}

}  // namespace icnkit
