#include "unpack/FrameFolderExport.h"

#include <algorithm>
#include <vector>

#include "conventions/WorkImage.h"
#include "format/Generation.h"
#include "fs/Files.h"
#include "fs/Pages.h"
#include "fs/Path.h"
#include "image/FrameDrawing.h"
#include "settings/SettingsFile.h"

namespace icnkit {

namespace {

// How much of the frame table is read before its pages are given back.
constexpr size_t kReleaseStep = size_t{64} << 10;

// The unpack once the folder is made and the archive read; the frame
// table's pages are given back as the frames are written when releasable
// holds the archive.
void ExportFrames(TFileSystem& fs, const TUnpackerGeneration& generation,
                  const std::string& archivePath, TArchiveImage archive,
                  std::vector<uint8_t>* releasable, const std::string& folder,
                  const TFrameOutput& output) {
  ValidateArchive(archive, generation.Format.Generation);

  const size_t count = FrameCount(archive);
  if (count == 0) return;  // the empty folder is the whole result

  const TRectangle bounds = UnionRectangle(archive, generation.Format.Generation);
  // The image first: an archive whose frames cannot be drawn (no palette, a
  // union rectangle over the pixel bound) leaves no setup.ini behind.
  TIndexedImage& image = WorkImage(fs, generation.Format.Generation, output.Drawing);
  image.Reshape(bounds.Width, bounds.Height);

  TSettingsFile settings(fs, folder + "setup.ini");
  settings.WriteNumber("Position", "X", bounds.Left);
  settings.WriteNumber("Position", "Y", bounds.Top);
  if (output.GenerationKey) {
    settings.WriteText("Position", "Generation", GenerationName(generation.Format.Generation));
  }

  // From here on the frame table is read once, in frame order (frame i's
  // record and the next one's, see FrameDataEnd), and no stream starts in
  // it, so the records behind are given back as the unpack goes: in an
  // archive of many tiny frames the table is most of the file.
  const size_t recordSize = RecordSize(generation.Format.Generation);
  const size_t tableEnd = std::min(kIcnHeaderSize + count * recordSize,
                                   FirstStreamAt(archive, generation.Format.Generation));
  size_t released = kIcnHeaderSize;

  std::string name;
  for (size_t i = 0; i < count; ++i) {
    const size_t read = std::min(tableEnd, kIcnHeaderSize + i * recordSize);
    if (releasable != nullptr && read - released >= kReleaseStep) {
      ReleasePages(std::span(*releasable).subspan(kIcnHeaderSize, read - kIcnHeaderSize));
      released = read;
    }
    const TIcnFrame record = FrameRecordAt(archive, generation.Format.Generation, i);
    const bool fillOnly = generation.Format.FillOnly(NameOfPath(archivePath), archive, i, record);
    DrawFrame(generation.Format, image, archive, record, fillOnly, record.Left - bounds.Left,
              record.Top - bounds.Top);
    name = ZtFormat("%.4d", static_cast<int>(i)) + output.Extension;
    SaveFrame(fs, image, output, folder + name);
    settings.WriteNumber("Bits", name, generation.Format.BitsValue(fillOnly, record));
    if (output.Progress) output.Progress(i + 1, count);
  }
  settings.Flush();
}

// The frame folder, made unless a link of another user stands at its name,
// and the folders above it; those the unpack made are removed again when it
// fails and leaves them empty. A folder that cannot be made fails at the
// first write.
void MakeFrameFolder(TFileSystem& fs, const std::string& folder, TMadeFolders& made) {
  CheckWrittenFolder(fs, folder);
  made.Make(folder);
}

}  // namespace

void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, const std::string& folder,
                       const TFrameOutput& output) {
  TMadeFolders made(fs);
  MakeFrameFolder(fs, folder, made);
  std::vector<uint8_t> bytes = LoadNamedFile(fs, archivePath);
  ExportFrames(fs, generation, archivePath, bytes, &bytes, folder, output);
  made.Keep();
}

void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, std::vector<uint8_t>& bytes,
                       const std::string& folder, const TFrameOutput& output) {
  TMadeFolders made(fs);
  MakeFrameFolder(fs, folder, made);
  ExportFrames(fs, generation, archivePath, bytes, &bytes, folder, output);
  made.Keep();
}

void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, TArchiveImage archive,
                       const std::string& folder, const TFrameOutput& output) {
  TMadeFolders made(fs);
  MakeFrameFolder(fs, folder, made);
  ExportFrames(fs, generation, archivePath, archive, nullptr, folder, output);
  made.Keep();
}

}  // namespace icnkit
