// The public calls as the tool drives them: progress told per frame, the
// caller's option named where a message asks for the generation, the
// library's file system replaced by the in-memory one that fails on
// demand, and a gallery written from two threads.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "api/LibraryFileSystem.h"
#include "icnkit/icnkit.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

std::vector<uint8_t> ArchiveOfFrames(Generation generation, size_t count) {
  std::vector<Raster> rasters;
  for (size_t i = 0; i < count; ++i) {
    rasters.emplace_back(2 + int32_t(i), 3);
    std::fill(rasters.back().pixels.begin(), rasters.back().pixels.end(), uint8_t(i + 1));
  }
  std::vector<NewFrame> frames;
  for (const Raster& raster : rasters) frames.push_back({raster.View()});
  return BuildArchive(generation, frames);
}

std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST(ToolCalls, ProgressPerFrameAndTheCallersOptionInMessages) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", ArchiveOfFrames(Generation::H2, 3));
  std::vector<std::pair<size_t, size_t>> told;
  UnpackOptions unpack;
  unpack.progress = [&told](size_t done, size_t total) { told.emplace_back(done, total); };
  const std::string frames = UnpackFile(folder / "a.icn", {}, unpack);
  EXPECT_EQ(told, (std::vector<std::pair<size_t, size_t>>{{1, 3}, {2, 3}, {3, 3}}));
  PackOptions pack;
  pack.progress = [&told](size_t done, size_t total) { told.assign(1, {done, total}); };
  PackFolder(frames, folder / "b.icn", pack);
  EXPECT_EQ(told, (std::vector<std::pair<size_t, size_t>>{{3, 3}}));

  WriteBytes(folder / "empty.icn", BuildArchive(Generation::H1, {}));
  const std::string empty = folder / "empty.icn";
  pack.generation = Generation::H1;
  for (const char* option : {"", "-g"}) {
    unpack.generation_option = pack.generation_option = option;
    const bool named = *option != '\0';
    EXPECT_EQ(MessageOf([&] { UnpackFile(empty, folder / "e", unpack); }),
              "cannot tell whether " + empty + " is H1 or H2; " +
                  (named ? "use -g" : "give its generation"));
    EXPECT_EQ(MessageOf([&] { PackFolder(frames, folder / "b.icn", pack); }),
              "Not an H1 archive: " + folder / "b.icn" + " (it is H2; " +
                  (named ? "pack it with -g h2)" : "pack it as H2)"));
  }
}

TEST(ToolCalls, TheLibraryFileSystemCanBeReplacedAndFail) {
  TMemoryFileSystem fs;
  const TLibraryFileSystem onFs(fs);
  fs.AddFile("/w/a.gif", {1, 2, 3});
  fs.FailOn("WriteAt", ENOSPC, 2);
  const std::string message = MessageOf([] {
    FileWriter writer("/w/a.gif");
    writer.Append(std::vector<uint8_t>(10, 7));
    writer.Append(std::vector<uint8_t>(10, 8));
    writer.Save();
  });
  EXPECT_EQ(message.rfind("Cannot create file \"/w/a.gif\". ", 0), 0u) << message;
  EXPECT_EQ(fs.Files.at("/w/a.gif"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(fs.Files.size(), 1u);
  WriteFile("/w/b.json", std::vector<uint8_t>{'{', '}'});
  EXPECT_EQ(ReadFile("/w/b.json"), (std::vector<uint8_t>{'{', '}'}));
  EXPECT_EQ(KindOfPath("/w"), PathKind::Folder);
}

TEST(ToolCalls, AGalleryTakesPagesFromTwoThreadsAndListsThoseWritten) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", ArchiveOfFrames(Generation::H2, 2));
  WriteFile(folder / "x/a.icn", ArchiveOfFrames(Generation::H1, 1));
  WriteBytes(folder / "bad.icn",
             {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'});
  GalleryWriter gallery(folder / "site",
                        {folder / "a.icn", folder / "x/a.icn", folder / "bad.icn"});
  size_t first = 0;
  size_t second = 0;
  std::thread other([&] { second = gallery.WritePage(1); });
  first = gallery.WritePage(0);
  other.join();
  EXPECT_EQ(first + second, 3u);
  EXPECT_EQ(MessageOf([&] { gallery.WritePage(2); }), "Not an archive: " + folder / "bad.icn");
  EXPECT_THROW(gallery.WritePage(3), Error);
  EXPECT_EQ(gallery.Finish(), WithTrailingDelimiter(folder / "site") + "index.html");
  EXPECT_EQ(ListNames(folder / "site/a"),
            (std::vector<std::string>{"a.icn-2.gif", "a.icn-2.html", "a.icn-2.json", "a.icn-2.png",
                                      "a.icn.gif", "a.icn.html", "a.icn.json", "a.icn.png"}));
  const std::string index = ReadText(folder / "site/index.html");
  EXPECT_NE(index.find("a.icn-2.html"), std::string::npos);
  EXPECT_EQ(index.find("bad.icn"), std::string::npos);
}

}  // namespace
