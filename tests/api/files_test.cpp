// The public calls a program over many archives uses as the tool does:
// archives found by arguments, files written whole or as made, folders
// taken back, the generation told with the caller's advice, a sheet packed
// from its files.
#include <gtest/gtest.h>

#include "icnkit/icnkit.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

std::vector<std::string> Names(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const std::string& path : paths) names.push_back(FileNameOf(path));
  return names;
}

TEST(PublicFiles, PathsAndArchiveNamesAsTheToolSpellsThem) {
  const std::string d(1, PathDelimiter());
  EXPECT_EQ(FolderOfPath("x/a.icn"), "x/");
  EXPECT_EQ(FolderOfPath("a.icn"), "");
  EXPECT_EQ(FileNameOf("x/a.icn"), "a.icn");
  EXPECT_EQ(ExtensionOf("x/a.b.ICN"), ".ICN");
  EXPECT_EQ(WithExtension("x/a.icn", ".gif"), "x/a.gif");
  EXPECT_EQ(WithTrailingDelimiter("x"), "x" + d);
  EXPECT_EQ(WithTrailingDelimiter("x/"), "x/");
  EXPECT_EQ(WithTrailingDelimiter(""), "");  // the current folder, never the root
  EXPECT_EQ(FrameFolderPath("x/a.icn"), "x/a.icn.cadres" + d);
  EXPECT_TRUE(IsArchiveName("A.OBJ"));
  EXPECT_FALSE(IsArchiveName("a.obj", Generation::H2));
  EXPECT_TRUE(IsArchiveName("a.Icn", Generation::H2));
  EXPECT_EQ(AbsolutePath("a/./b/../c"), AbsolutePath("a/c"));
}

TEST(PublicFiles, FindArchivesTakesFilesFoldersAndMasksInNaturalOrder) {
  TTempFolder folder;
  for (const char* name : {"10.icn", "2.ICN", "a.obj", "b.txt"}) WriteBytes(folder / name, {1});
  MadeFolders made;
  ASSERT_TRUE(made.Make(folder / "s.icn"));  // a folder is no archive
  made.Keep();
  const std::string f = folder / "";
  EXPECT_EQ(Names(FindArchives(std::vector<std::string>{f})),
            (std::vector<std::string>{"2.ICN", "10.icn", "a.obj"}));
  EXPECT_EQ(Names(ArchivesInFolder(f, Generation::H2)),
            (std::vector<std::string>{"2.ICN", "10.icn"}));
  EXPECT_EQ(Names(FindArchives(std::vector<std::string>{f + "b.txt", f + "1*", f + "z*"})),
            (std::vector<std::string>{"b.txt", "10.icn"}));
  try {
    (void)FindArchives(std::vector<std::string>{f + "*.icn", f + "gone.icn"});
    FAIL() << "a missing archive was taken";
  } catch (const Error& error) {
    EXPECT_EQ(error.Kind(), ErrorKind::NotFound);
    EXPECT_EQ(std::string(error.what()), "No such file or folder: " + f + "gone.icn");
  }
}

TEST(PublicFiles, UnsavedWritesAndUnkeptFoldersLeaveNothingBehind) {
  TTempFolder folder;
  const std::string old = folder / "a.gif";
  WriteBytes(old, {9});
  {
    FileWriter writer(old);
    writer.Append(std::vector<uint8_t>{1, 2});
  }  // an exception passing: no Save
  EXPECT_EQ(ReadBytes(old), std::vector<uint8_t>{9});
  EXPECT_EQ(ListNames(folder / ""), std::vector<std::string>{"a.gif"});
  FileWriter writer(old);
  writer.Append(std::vector<uint8_t>{1, 2});
  writer.Append(std::vector<uint8_t>{3});
  writer.Save();
  EXPECT_EQ(ReadBytes(old), (std::vector<uint8_t>{1, 2, 3}));

  {
    MadeFolders made;
    ASSERT_TRUE(made.Make(folder / "x/y/z"));
    ASSERT_TRUE(made.Make(folder / "k/l"));
    WriteFile(folder / "k/l/kept.png", std::vector<uint8_t>{7});
  }
  EXPECT_EQ(ListNames(folder / ""), (std::vector<std::string>{"a.gif", "k"}));
  {
    MadeFolders made;
    ASSERT_TRUE(made.Make(folder / "m/n"));
    made.Keep();
  }
  EXPECT_EQ(KindOfPath(folder / "m/n"), PathKind::Folder);
  EXPECT_EQ(KindOfPath(folder / "k/l/kept.png"), PathKind::File);
}

TEST(PublicFiles, ArchiveGenerationAsksForTheCallersOption) {
  const std::vector<uint8_t> empty = BuildArchive(Generation::H1, {});
  const std::string words = "These are words, no archive at all.";
  const std::vector<uint8_t> text(words.begin(), words.end());
  const struct {
    const std::vector<uint8_t>& Bytes;
    const char* Expected;
  } cases[] = {
      {empty, "cannot tell whether x/a.icn is H1 or H2; use -g"},
      {text, "Not an archive: x/a.icn"},
  };
  for (const auto& c : cases) {
    try {
      (void)ArchiveGeneration(c.Bytes, "x/a.icn", "use -g");
      ADD_FAILURE() << c.Expected;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), c.Expected);
    }
  }
  Raster pixels(3, 2);
  pixels.pixels.assign(6, 5);
  const std::vector<NewFrame> frames{{pixels.View()}};
  const std::vector<uint8_t> h2 = BuildArchive(Generation::H2, frames);
  EXPECT_EQ(ArchiveGeneration(h2, "a.icn", "use -g"), DetectGeneration(h2).value());
}

TEST(PublicFiles, ASheetPacksFromItsFilesBackIntoItsArchive) {
  TTempFolder folder;
  Raster pixels(4, 3);
  for (size_t i = 0; i < pixels.pixels.size(); ++i) pixels.pixels[i] = uint8_t(i % 7);
  const std::vector<NewFrame> frames{{pixels.View()}};
  const std::vector<uint8_t> bytes = BuildArchive(Generation::H2, frames);
  const Sheet sheet = MakeSheet(Archive::Open(bytes, Generation::H2, "hero.icn"));
  WriteFile(folder / "hero.png", sheet.png);
  WriteFile(folder / "hero.json", std::vector<uint8_t>(sheet.json.begin(), sheet.json.end()));
  size_t packed = 0;
  SheetPackOptions options;
  options.progress = [&packed](size_t, size_t total) { packed = total; };
  const std::string archive = PackSheetFile(folder / "hero.json", {}, options);
  EXPECT_EQ(archive, folder / "hero.icn");
  EXPECT_EQ(ReadBytes(archive), bytes);
  EXPECT_EQ(packed, 1u);
}

}  // namespace
