#include "pack/FrameFolderPack.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

#include "fs/Files.h"
#include "fs/FindFile.h"
#include "image/BmpFile.h"
#include "image/IndexedImage.h"
#include "pack/FrameBits.h"
#include "pack/TrimmedFrame.h"
#include "settings/SettingsFile.h"

namespace icnkit {

namespace {

// The frame files of the folder: "*.bmp" in any letter case (or what input
// takes), no folders, in natural order, so 10000.bmp follows 9999.bmp as the
// unpackers number them. They are walked where the find keeps them, not
// copied: counted first (the header's count comes before any frame), then
// rewound and handed out by NextFrameFile. A frame's name on a pipe, device
// or socket (a link to one included) is "Not a regular file: <path>" while
// counting, before anything is written: skipped, it would move every later
// frame up by one.
class TFrameFiles {
 public:
  TFrameFiles(TFileSystem& fs, const std::string& folder, const TFrameInput& input)
      : Find_(fs, folder + (input.IsFrame ? "*" : "*.bmp"), TFindKinds::All), Input_(input) {
    while (NextFrameFile()) {
      if (Find_.Attributes() == kFindOther)
        throw TZtError("Not a regular file: " + Find_.FullPath());
      ++Count_;
    }
    Find_.Rewind();
  }
  size_t Count() const { return Count_; }
  // Moves to the next frame file; false after the last.
  bool NextFrameFile() {
    while (Find_.NextMatch(0, kFindFolder)) {
      if (!Input_.IsFrame || Input_.IsFrame(Find_.Name())) return true;
    }
    return false;
  }
  const std::string& Name() const { return Find_.Name(); }

 private:
  TZtFindFile Find_;
  const TFrameInput& Input_;
  size_t Count_ = 0;
};

// The encoders grow the archive buffer geometrically, which copies it and
// touches fresh pages at every doubling: a third of the CPU time of a folder
// of large frames. So when the buffer is about to run short, room for the
// whole archive is reserved at once, projected from the frames packed so far
// (with 1/16 to spare), if that is more than a doubling would give. The
// projection is only an estimate: when it cannot be had, nothing is reserved
// and the encoders' own growth carries on.
void ReserveProjected(std::vector<uint8_t>& buffer, size_t tableEnd, size_t framesDone,
                      size_t frameCount, uint64_t nextStreamBound) {
  const uint64_t size = buffer.size();
  const uint64_t capacity = buffer.capacity();
  if (framesDone == 0 || size + nextStreamBound <= capacity) return;
  // Streams so far are below 4 GiB (the archive's limit), so at most 2^48.
  const uint64_t streams = (size - tableEnd) * frameCount / framesDone;
  const uint64_t projected =
      std::min<uint64_t>(tableEnd + streams + streams / 16, kIcnHeaderSize + uint64_t{UINT32_MAX});
  if (projected <= 2 * capacity || projected < size + nextStreamBound) return;
  try {
    buffer.reserve(static_cast<size_t>(projected));
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

void PackFrameFolder(TFileSystem& fs, const TPackerGeneration& generation,
                     const std::string& archivePath, const std::string& folder,
                     std::string& frameFile, const TFrameInput& input) {
  const std::string settingsPath = folder + "setup.ini";
  // A "setup.ini" that exists but cannot be read (a folder of that name, no
  // read permission) would read as all defaults and pack every frame at the
  // origin without its flags, over the old archive: it fails the pack,
  // naming the file.
  if (fs.Stat(settingsPath).Kind != TPathKind::Missing) LoadNamedFile(fs, settingsPath);
  // What the frames need of setup.ini is taken before the folder is listed,
  // and its text let go: in a folder of tens of thousands of frames each is
  // about the size of the archive.
  int32_t x = 0, y = 0;
  const TFrameBits frameBits = [&] {
    TSettingsFile settings(fs, settingsPath);
    x = settings.ReadNumber("Position", "X", 0);
    y = settings.ReadNumber("Position", "Y", 0);
    return TFrameBits(settings);
  }();
  TFrameFiles frames(fs, folder, input);
  // Rejects more frames than the header can count, before any bitmap is
  // read. The archive goes into its file as it is built.
  CheckFrameCount(frames.Count());
  TArchiveFileOutput output(fs, archivePath);
  const bool streaming = output.Streaming();
  TArchiveSink sink;
  if (streaming) {
    sink = [&output](uint64_t offset, std::span<const uint8_t> bytes) {
      output.WriteAt(offset, bytes);
    };
  }
  TIcnArchiveWriter writer(generation.Format.Generation, frames.Count(), sink);

  const size_t tableEnd = writer.Buffer().size();
  TIndexedImage image;  // one image, reloaded for every bitmap
  for (size_t i = 0; i < frames.Count() && frames.NextFrameFile(); ++i) {
    frameFile = folder + frames.Name();
    if (input.Load) {
      input.Load(fs, frameFile, image);
    } else {
      image = LoadBmpFromFile(fs, frameFile);
    }
    const bool empty = IsEmptyFrameImage(image);
    if (!empty && !image.Is8Bit()) throw TZtError("Wrong bitmap format");
    const int32_t bits = frameBits.Of(frames.Name());
    const bool rows = !empty && image.HasPixels();
    const TTrimmedFrame frame =
        TrimFrame(generation.Format, rows ? image.RowAddress(0) : nullptr,
                  rows && image.Height() > 1 ? image.RowAddress(1) - image.RowAddress(0) : 0,
                  image.Width(), image.Height(), x, y, bits);
    const TIcnFrame& record = frame.Record;
    writer.BeginFrame(i, record);

    if (!streaming)
      ReserveProjected(writer.Buffer(), tableEnd, i, frames.Count(), MaxStreamLength(record));
    generation.Format.Encode(writer.Buffer(), frame.Source, frame.RowStep, record.Width,
                             record.Height, frame.FillOnly);
  }
  frameFile.clear();
  output.Save(writer.Finish());
}

}  // namespace icnkit
