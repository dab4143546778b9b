// The unpackers and packers run whole on the in-memory file system (no
// disk, whatever the user's rights), with the same bytes as on the native
// one, a log of what they wrote in order, and failures injected on any call;
// and file names beyond ASCII through the native file system (UTF-16 on
// Windows, bytes on POSIX).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "cli/ToolContext.h"
#include "fs/FileSystem.h"
#include "fs/Path.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tools/PackerCommandLine.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

using TBytes = std::vector<uint8_t>;
using TFiles = std::map<std::string, TBytes>;

struct TToolCase {
  TIcnGeneration Generation;
  const TUnpackerGeneration& Unpacker;
  const char* UnpackerName;  // program name, argument 0
  const char* PackerName;
  const char* Palette;
};
const TToolCase kCases[] = {
    {TIcnGeneration::H1, kDravelGeneration, "dravel", "morlet", "H1Palette.bmp"},
    {TIcnGeneration::H2, kDravixGeneration, "dravix", "morvix", "H2Palette.bmp"},
};

// Three frames of different sizes and places, each touching its own edges,
// so the packer gives back the very archive.
TBytes SampleArchive(TIcnGeneration generation) {
  return testdata::BuildArchive(generation, {testdata::SolidFrame(generation, -3, -4, 5, 5, 9),
                                             testdata::SolidFrame(generation, 2, 1, 7, 3, 17),
                                             testdata::SolidFrame(generation, 0, 0, 4, 6, 33)});
}

// The delimiter the tools add to a native path.
const char kD = NativePathStyle().Delimiter;
// The frame folder the unpacker makes for /w/a.icn, and a file in it, as the
// memory file system names them (the tools add the native delimiter, which
// it reads as a delimiter on every platform).
const std::string kFolderKey = "/w/a.icn.cadres";
std::string InFolder(const std::string& name) {
  return kFolderKey + "/" + name;
}
const std::vector<std::string> kFrameNames = {"0000.bmp", "0001.bmp", "0002.bmp", "setup.ini"};

// A setup.ini the tools create, lines given without their ends: the
// platform's line end after each.
TBytes SettingsText(const std::vector<std::string>& lines) {
#if defined(_WIN32)
  const std::string end = "\r\n";
#else
  const std::string end = "\n";
#endif
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return TBytes(text.begin(), text.end());
}

// A memory file system holding the archive /w/a.icn and the palette beside
// the executable.
void Prepare(TMemoryFileSystem& fs, const TToolCase& c) {
  fs.AddFile("/w/a.icn", SampleArchive(c.Generation));
  fs.AddFile("/opt/icnkit/" + std::string(c.Palette), ReadBytes(BinPath(c.Palette)));
}

// The native file system's names in a folder, sorted.
std::vector<std::string> NativeNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const TFolderEntry& entry : NativeFs().ListFolder(folder)) names.emplace_back(entry.Name);
  std::sort(names.begin(), names.end());
  return names;
}

// The frame folder the native unpacker writes for the sample archive.
TFiles NativeFrameFolder(const TToolCase& c) {
  TTempFolder work;
  NativeFs().WriteFileAtomic(work / "a.icn", SampleArchive(c.Generation), false);
  TCapturingReport report;
  TToolContext context{NativeFs(), report};
  EXPECT_EQ(RunUnpacker(context, c.Unpacker, {c.UnpackerName, work / "a.icn"}), 0);
  TFiles files;
  const std::string folder = work / "a.icn.cadres" + kD;
  for (const std::string& name : NativeNames(folder))
    files[name] = NativeFs().ReadFile(folder + name);
  return files;
}

// The log with a bitmap created in place counted as written: the writer may
// create a new bitmap directly instead of replacing it, one whole write
// either way in memory.
std::vector<std::string> Writes(const std::vector<std::string>& log) {
  std::vector<std::string> writes;
  for (const std::string& entry : log) {
    writes.push_back(entry.starts_with("create ") ? "write " + entry.substr(7) : entry);
  }
  return writes;
}

void ExpectOneMessage(const TCapturingReport& report, const std::string& caption,
                      const std::string& text, bool error) {
  ASSERT_EQ(report.Messages.size(), 1u);
  EXPECT_EQ(report.Messages[0].Caption, caption);
  EXPECT_EQ(report.Messages[0].Text, text);
  EXPECT_EQ(report.Messages[0].Error, error);
}

std::string Capitalised(const char* program) {
  std::string caption = program;
  caption[0] = char(caption[0] - 'a' + 'A');
  return caption;
}

TEST(ToolsInMemory, UnpackInMemoryWritesTheNativeBytesInOrder) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.UnpackerName);
    const TFiles native = NativeFrameFolder(c);
    ASSERT_EQ(native.size(), kFrameNames.size());

    TMemoryFileSystem fs;
    Prepare(fs, c);
    const TFiles before = fs.Files;
    TCapturingReport report;
    TToolContext context{fs, report};
    EXPECT_EQ(RunUnpacker(context, c.Unpacker, {c.UnpackerName, "/w/*.icn"}), 0);
    ExpectOneMessage(report, Capitalised(c.UnpackerName), "Operation succesful.", false);

    // Exactly the folder's four files besides what was there, each with the
    // native run's bytes.
    TFiles expected = before;
    for (const auto& [name, bytes] : native) expected[InFolder(name)] = bytes;
    EXPECT_EQ(fs.Files, expected);
    EXPECT_EQ(native.at("setup.ini"), SettingsText({"[Position]", "X=-3", "Y=-4", "[Bits]",
                                                    "0000.bmp=0", "0001.bmp=0", "0002.bmp=0"}));
    // The settings file is written at its first key (an unwritable folder
    // fails there), then once more after the last bitmap.
    EXPECT_EQ(Writes(fs.Log),
              (std::vector<std::string>{
                  "folder " + kFolderKey, "write " + InFolder("setup.ini"),
                  "write " + InFolder("0000.bmp"), "write " + InFolder("0001.bmp"),
                  "write " + InFolder("0002.bmp"), "write " + InFolder("setup.ini")}));
  }
}

TEST(ToolsInMemory, PackInMemoryGivesBackTheArchive) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.PackerName);
    TMemoryFileSystem fs;
    // The frame folder as the native unpacker wrote it, the archive gone.
    for (const auto& [name, bytes] : NativeFrameFolder(c))
      fs.AddFile("/w/a.icn.cadres/" + name, bytes);
    const TFiles before = fs.Files;
    TCapturingReport report;
    TToolContext context{fs, report};
    EXPECT_EQ(RunPacker(context, c.Generation, {c.PackerName, "/w/a.icn.cadres"}), 0);
    ExpectOneMessage(report, Capitalised(c.PackerName), "Operation succesful.", false);
    TFiles expected = before;
    expected["/w/a.icn"] = SampleArchive(c.Generation);
    EXPECT_EQ(fs.Files, expected);
    EXPECT_EQ(fs.Log, (std::vector<std::string>{"write /w/a.icn"}));
  }
}

TEST(ToolsInMemory, AFullDiskDuringUnpackKeepsTheEarlierBitmapsWhole) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.UnpackerName);
    const TFiles native = NativeFrameFolder(c);
    TMemoryFileSystem fs;
    Prepare(fs, c);
    const TFiles before = fs.Files;
    // The second bitmap, however the writer makes it.
    fs.FailOn("WriteAt", ENOSPC, 0, InFolder("0001.bmp"));
    fs.FailOn("WriteNewFile", ENOSPC, 0, InFolder("0001.bmp"));
    TCapturingReport report;
    TToolContext context{fs, report};
    EXPECT_EQ(RunUnpacker(context, c.Unpacker, {c.UnpackerName, "/w/a.icn"}), 1);
    // Named like every other write failure.
    ExpectOneMessage(report, Capitalised(c.UnpackerName),
                     "Cannot create file \"" + InFolder("0001.bmp") + "\". " +
                         NativeErrorText(ENOSPC) + ".\r\n/w/a.icn",
                     true);
    // The first bitmap whole, no later one, and the settings of the bitmaps
    // written (flushed as the export is left).
    TFiles expected = before;
    expected[InFolder("0000.bmp")] = native.at("0000.bmp");
    expected[InFolder("setup.ini")] =
        SettingsText({"[Position]", "X=-3", "Y=-4", "[Bits]", "0000.bmp=0"});
    EXPECT_EQ(fs.Files, expected);
    EXPECT_EQ(Writes(fs.Log),
              (std::vector<std::string>{"folder " + kFolderKey, "write " + InFolder("setup.ini"),
                                        "write " + InFolder("0000.bmp"),
                                        "write " + InFolder("setup.ini")}));
  }
}

// A packer run over a memory file system holding the frame folder and an old
// archive /w/a.icn, given argument, with failure planned by plan.
struct TPackRun {
  TMemoryFileSystem Fs;
  TCapturingReport Report;
  TFiles Before;
  int Exit = -1;
};
template <class TPlan>
void RunPackerOnMemory(const TToolCase& c, TPackRun& run, const std::string& argument, TPlan plan) {
  for (const auto& [name, bytes] : NativeFrameFolder(c))
    run.Fs.AddFile("/w/a.icn.cadres/" + name, bytes);
  run.Fs.AddFile("/w/a.icn", {'o', 'l', 'd'});
  run.Before = run.Fs.Files;
  plan(run.Fs);
  TToolContext context{run.Fs, run.Report};
  run.Exit = RunPacker(context, c.Generation, {c.PackerName, argument});
}

TEST(ToolsInMemory, ArchiveThatCannotBeWrittenIsLeftAsItWas) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.PackerName);
    const std::string caption = Capitalised(c.PackerName);
    // No right to create it, named by the archive's name from its folder or
    // by its frame folder: the archive's full path, the old one as it was.
    for (const char* argument : {"a.icn", "/w/a.icn.cadres"}) {
      TPackRun denied;
      denied.Fs.CurrentFolder = "/w";
      RunPackerOnMemory(c, denied, argument, [](TMemoryFileSystem& fs) {
        fs.FailOn("BeginReplace", EACCES, 0, "/w/a.icn", /*opening=*/true);
      });
      EXPECT_EQ(denied.Exit, 1);
      ExpectOneMessage(denied.Report, caption,
                       "Cannot create file \"/w/a.icn\". " + NativeErrorText(EACCES) + ".", true);
      EXPECT_EQ(denied.Fs.Files, denied.Before);
      EXPECT_TRUE(denied.Fs.Log.empty());
    }

    // A disk that fills while it is written: the archive named with the
    // system's text, no bitmap named (all were packed), the old archive as
    // it was.
    TPackRun full;
    RunPackerOnMemory(c, full, "/w/a.icn.cadres",
                      [](TMemoryFileSystem& fs) { fs.FailOn("WriteAt", ENOSPC); });
    EXPECT_EQ(full.Exit, 1);
    ExpectOneMessage(full.Report, caption,
                     "Cannot create file \"/w/a.icn\". " + NativeErrorText(ENOSPC) + ".", true);
    EXPECT_EQ(full.Fs.Files, full.Before);
    EXPECT_TRUE(full.Fs.Log.empty());
  }
}

TEST(ToolsInMemory, UnreadableSettingsFailThePackBeforeAnyBitmap) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.PackerName);
    TPackRun run;
    RunPackerOnMemory(c, run, "/w/a.icn.cadres", [](TMemoryFileSystem& fs) {
      fs.FailOn("ReadFile", EACCES, 0, "/w/a.icn.cadres/setup.ini", /*opening=*/true);
    });
    EXPECT_EQ(run.Exit, 1);
    ExpectOneMessage(
        run.Report, Capitalised(c.PackerName),
        "Cannot open file \"/w/a.icn.cadres/setup.ini\". " + NativeErrorText(EACCES) + ".", true);
    EXPECT_EQ(run.Fs.Files, run.Before);
    EXPECT_TRUE(run.Fs.Log.empty());
    // The old archive (for its generation) and the settings file only.
    EXPECT_EQ(run.Fs.Calls("ReadFile"), 2);
    EXPECT_EQ(run.Fs.Calls("BeginReplace"), 0);
  }
}

// Non-ASCII names on the native file system: an archive found by a mask,
// its frame folder, a folder above them, and the error naming the archive.
void UnpackAndPackNatively(const TToolCase& c, const std::string& folder, const std::string& name,
                           const TFiles& ascii) {
  TFileSystem& fs = NativeFs();
  const TBytes archive = SampleArchive(c.Generation);
  const std::string path = folder + name;
  fs.WriteFileAtomic(path, archive, false);
  TCapturingReport report;
  TToolContext context{fs, report};
  EXPECT_EQ(RunUnpacker(context, c.Unpacker, {c.UnpackerName, folder + "*.icn"}), 0);
  EXPECT_EQ(NativeNames(folder), (std::vector<std::string>{name, name + ".cadres"}));
  const std::string frames = path + ".cadres" + kD;
  EXPECT_EQ(NativeNames(frames), kFrameNames);
  for (const auto& [frame, bytes] : ascii) EXPECT_EQ(fs.ReadFile(frames + frame), bytes) << frame;

  // Back from the archive's name and from the folder's.
  ASSERT_TRUE(fs.Remove(path));
  EXPECT_EQ(RunPacker(context, c.Generation, {c.PackerName, path}), 0);
  EXPECT_EQ(fs.ReadFile(path), archive);
  ASSERT_TRUE(fs.Remove(path));
  EXPECT_EQ(RunPacker(context, c.Generation, {c.PackerName, path + ".cadres"}), 0);
  EXPECT_EQ(fs.ReadFile(path), archive);
  EXPECT_EQ(report.Messages.size(), 3u);
  for (const auto& message : report.Messages) EXPECT_EQ(message.Text, "Operation succesful.");
}

TEST(ToolsInMemory, NonAsciiNamesRoundTripOnTheNativeFileSystem) {
  for (const TToolCase& c : kCases) {
    SCOPED_TRACE(c.UnpackerName);
    const TFiles ascii = NativeFrameFolder(c);
    {
      TTempFolder work;
      UnpackAndPackNatively(c, work.Path(), "\xE6\x97\xA5\xE6\x9C\xAC.icn", ascii);  // 日本.icn
    }
    {
      TTempFolder work;
      const std::string folder = work / "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF";  // データ
      ASSERT_TRUE(NativeFs().MakeFolder(folder));
      UnpackAndPackNatively(c, folder + kD, "a.icn", ascii);
    }
    {
      // A broken archive of such a name is named, whole, in the message.
      TTempFolder work;
      const std::string path = work / "\xC3\xA9t\xC3\xA9.icn";  // été.icn
      NativeFs().WriteFileAtomic(path, TBytes{1, 2, 3}, false);
      TCapturingReport report;
      TToolContext context{NativeFs(), report};
      EXPECT_EQ(RunUnpacker(context, c.Unpacker, {c.UnpackerName, path}), 1);
      ASSERT_EQ(report.Messages.size(), 1u);
      const std::string& text = report.Messages[0].Text;
      const std::string tail = ".\r\n" + NativeFs().FullPath(path);
      EXPECT_TRUE(text.size() > tail.size() && text.ends_with(tail)) << text;
    }
  }
}

}  // namespace
