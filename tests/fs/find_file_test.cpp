#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <set>
#include <utility>

#include "fs/Files.h"
#include "fs/FindFile.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

TEST(MaskMatches, WildcardsAndCase) {
  EXPECT_TRUE(MaskMatches("*", "a.icn"));
  EXPECT_TRUE(MaskMatches("*.icn", "Target.ICN"));
  EXPECT_TRUE(MaskMatches("target.icn", "Target.ICN"));
  EXPECT_FALSE(MaskMatches("*.icn", "x.icnx"));
  EXPECT_FALSE(MaskMatches("*.icn", "x.icn.bak"));
  EXPECT_TRUE(MaskMatches("x?.icn", "x1.icn"));
  EXPECT_FALSE(MaskMatches("x?.icn", "x.icn"));
  EXPECT_FALSE(MaskMatches("x?.icn", "x12.icn"));
  EXPECT_TRUE(MaskMatches("*.*", "README"));
  EXPECT_TRUE(MaskMatches("*.*", "a.b.c"));
  EXPECT_TRUE(MaskMatches("read*.*", "readme"));
  EXPECT_TRUE(MaskMatches("a*b*c", "aXbYbZc"));
  EXPECT_FALSE(MaskMatches("a*b*c", "aXbYbZ"));
  EXPECT_FALSE(MaskMatches("", "a"));
  EXPECT_TRUE(MaskMatches("**?", "a"));
  // Names are bytes: '\' and ':' are ordinary characters on POSIX.
  EXPECT_TRUE(MaskMatches("a\\*", "a\\b"));
}

TEST(NaturalOrder, NumbersByValueThenCaseThenBytes) {
  std::vector<std::string> names{"10000.bmp", "1001.bmp", "1000.bmp", "0002.bmp",
                                 "9999.bmp",  "B.icn",    "a.icn",    "A.icn",
                                 "x10",       "x9",       "x09",      "x009"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  EXPECT_EQ(names,
            (std::vector<std::string>{"0002.bmp", "1000.bmp", "1001.bmp", "9999.bmp", "10000.bmp",
                                      "A.icn", "a.icn", "B.icn", "x9", "x09", "x009", "x10"}));
  EXPECT_FALSE(NaturalLess("a", "a"));
  EXPECT_TRUE(NaturalLess("a", "ab"));
  EXPECT_TRUE(NaturalLess("99999999999999999999998", "99999999999999999999999"));
}

TEST(NaturalOrder, IsAStrictTotalOrderOnRandomNames) {
  std::mt19937 random(7);
  const std::string alphabet = "0019aAbB._";
  std::vector<std::string> names(60);
  for (std::string& name : names) {
    const size_t length = random() % 5;
    for (size_t i = 0; i < length; ++i) name += alphabet[random() % alphabet.size()];
  }
  for (const std::string& a : names) {
    EXPECT_FALSE(NaturalLess(a, a));
    for (const std::string& b : names) {
      if (a != b) {
        EXPECT_NE(NaturalLess(a, b), NaturalLess(b, a)) << a << " " << b;
      }
      for (const std::string& c : names) {
        if (NaturalLess(a, b) && NaturalLess(b, c)) {
          EXPECT_TRUE(NaturalLess(a, c));
        }
      }
    }
  }
}

std::vector<std::string> Collect(const std::string& mask, bool fullPaths = true) {
  std::vector<std::string> found;
  TZtFindFile find(NativeFs(), mask);
  while (find.NextMatch(0, kFindFolder)) {
    found.push_back(fullPaths ? find.FullPath() : find.Name());
    EXPECT_EQ(&find.FullPath(), &find.FullPath());
  }
  EXPECT_EQ(find.FullPath(), "");
  return found;
}

TEST(FindFile, HandsOutMatchingPlainFilesInNaturalOrder) {
  TTempFolder temp;
  for (const char* name : {"b.icn", "a10.icn", "a9.icn", ".hidden.icn", "Z.ICN", "d.txt"}) {
    WriteText(temp / name, "x");
  }
  ASSERT_TRUE(MakeFolders(NativeFs(), temp / "sub.icn/"));
  EXPECT_EQ(Collect(temp / "*.icn"),
            (std::vector<std::string>{temp / ".hidden.icn", temp / "a9.icn", temp / "a10.icn",
                                      temp / "b.icn", temp / "Z.ICN"}));
  // The folder comes from the mask, the name from the entry.
  EXPECT_EQ(Collect(temp / "z.icn"), std::vector<std::string>{temp / "Z.ICN"});
  EXPECT_EQ(Collect(temp / "*").size(), 6u);  // no ".", "..", nor sub.icn
  EXPECT_TRUE(Collect(temp / "missing/*.icn").empty());
  EXPECT_TRUE(Collect(temp / "d.txt/*").empty());  // through a file: quiet
  EXPECT_TRUE(Collect(temp / "*.bmp").empty());

  // Directories can be asked for, and dot entries are never handed out.
  TZtFindFile dirs(NativeFs(), temp / "*");
  std::vector<std::string> folders;
  while (dirs.NextMatch(kFindFolder, 0)) folders.push_back(dirs.Name());
  EXPECT_EQ(folders, std::vector<std::string>{"sub.icn"});
}

// The system's longest name (255 bytes) and UTF-8 names come through the
// native listing whole (made by the file system, which speaks UTF-8 on
// Windows too).
TEST(FindFile, NativeLongAndNonAsciiNames) {
  TTempFolder temp;
  const std::string longest = std::string(251, 'n') + ".bmp";
  const std::string accented = "\xc3\xa9t\xc3\xa9.bmp";
  for (const std::string& name : {longest, accented, std::string("b.bmp")}) {
    ASSERT_TRUE(NativeFs().WriteNewFile(temp / name, std::vector<uint8_t>{'x'}));
  }
  EXPECT_EQ(Collect(temp / "*.bmp", false), (std::vector<std::string>{"b.bmp", longest, accented}));
}

TEST(FindFile, BareMaskIsRelativeToTheCurrentFolder) {
  TTempFolder temp;
  WriteText(temp / "a.icn", "x");
  WriteText(temp / "b.icn", "x");
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(temp.Path().c_str()), 0);
  const std::vector<std::string> found = Collect("*.icn");
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(found, (std::vector<std::string>{"a.icn", "b.icn"}));
}

TEST(FindFile, ListingFailureNamesTheFolder) {
  TMemoryFileSystem failing;
  failing.FailOn("ListFolder", EACCES, 0, "/somewhere");
  EXPECT_EQ(
      MessageOf([&] { TZtFindFile find(failing, "/somewhere/*.icn"); }),
      "Cannot open folder \"" + failing.FullPath("/somewhere/") + "\". " + NativeErrorText(EACCES));
}

// Names of every length (none, one byte, a system's longest, beyond it),
// UTF-8 and a cut at a NUL, each with its kind, through the accessors and
// the iteration, and after filtering and sorting in place.
TEST(FolderListing, KeepsEveryNameWithItsKind) {
  const std::vector<std::pair<std::string, TPathKind>> added{
      {"", TPathKind::File},
      {"a", TPathKind::Folder},
      {std::string(255, 'n'), TPathKind::Other},
      {std::string(1000, 'x') + ".bmp", TPathKind::File},
      {"\xc3\xa9t\xc3\xa9 \xe5\x90\x8d.bmp", TPathKind::Folder},
      {std::string("cut\0here", 8), TPathKind::File}};
  TFolderListing listing;
  EXPECT_TRUE(listing.empty());
  EXPECT_TRUE(listing.begin() == listing.end());
  for (const auto& [name, kind] : added) listing.Add(name, kind);
  ASSERT_EQ(listing.size(), added.size());
  size_t i = 0;
  for (const TFolderEntry& entry : listing) {
    const std::string expected = i + 1 == added.size() ? "cut" : added[i].first;
    EXPECT_EQ(entry.Name, expected) << i;
    EXPECT_EQ(listing.Name(i), expected) << i;
    EXPECT_EQ(entry.Kind, added[i].second) << i;
    EXPECT_EQ(listing.Kind(i), added[i].second) << i;
    ++i;
  }
  EXPECT_EQ(i, added.size());

  listing.EraseIf([](std::string_view name, TPathKind kind) {
    return kind == TPathKind::Other || name.size() < 2;
  });
  listing.Sort([](std::string_view a, std::string_view b) { return a.size() > b.size(); });
  std::vector<std::pair<std::string, TPathKind>> kept;
  for (const TFolderEntry& entry : listing) kept.emplace_back(entry.Name, entry.Kind);
  EXPECT_EQ(kept, (std::vector<std::pair<std::string, TPathKind>>{
                      added[3], added[4], {"cut", TPathKind::File}}));
}

// 70,000 entries (more than an archive's frames) listed in scrambled order
// come out in natural order, each with its own kind; the walk can be
// rewound; an empty folder gives nothing.
TEST(FindFile, ManyEntriesKeepOrderAndKinds) {
  TMemoryFileSystem fs;
  fs.AddFolder("/many");
  fs.AddFolder("/empty");
  constexpr int kCount = 70000;
  std::set<int> folders;
  for (int i = 0; i < kCount; ++i) {
    const int number = (i * 7919) % kCount;  // each number once
    const std::string name = ZtFormat("/many/%d.bmp", number);
    if (i % 1000 == 0) {
      folders.insert(number);
      fs.AddFolder(name);
    } else {
      fs.AddFile(name, {});
    }
  }
  TZtFindFile find(fs, "/many/*.BMP");
  for (int pass = 0; pass < 2; ++pass) {
    int expected = 0;
    while (find.NextMatch(0, 0)) {
      const std::string name = ZtFormat("%d.bmp", expected);
      ASSERT_EQ(find.Name(), name);
      ASSERT_EQ(find.FullPath(), "/many/" + name);
      ASSERT_EQ(find.Attributes(), folders.count(expected) != 0 ? kFindFolder : kFindFile) << name;
      ++expected;
    }
    EXPECT_EQ(expected, kCount);
    EXPECT_EQ(find.Name(), "");
    find.Rewind();
  }

  TZtFindFile empty(fs, "/empty/*");
  EXPECT_FALSE(empty.NextMatch(0, 0));
  EXPECT_EQ(empty.Name(), "");
  EXPECT_EQ(empty.FullPath(), "");
  EXPECT_EQ(empty.Attributes(), 0u);
}

TEST(FindFile, OverAFileSystem) {
  TMemoryFileSystem fs;
  for (const char* name : {"b.icn", "a10.icn", "a9.icn", "Z.ICN", "d.txt"}) {
    fs.AddFile(std::string("/g/") + name, {});
  }
  fs.AddFolder("/g/sub.icn");
  std::vector<std::string> found;
  TZtFindFile find(fs, "/g/*.icn");
  while (find.NextMatch(0, kFindFolder)) found.push_back(find.FullPath());
  EXPECT_EQ(found, (std::vector<std::string>{"/g/a9.icn", "/g/a10.icn", "/g/b.icn", "/g/Z.ICN"}));
  TZtFindFile folders(fs, "/g/*");
  ASSERT_TRUE(folders.NextMatch(kFindFolder, 0));
  EXPECT_EQ(folders.Name(), "sub.icn");
  EXPECT_EQ(folders.Attributes(), kFindFolder);
  EXPECT_FALSE(folders.NextMatch(kFindFolder, 0));
  EXPECT_EQ(folders.Attributes(), 0u);
  // The current folder for a bare mask; nothing for a missing folder.
  fs.CurrentFolder = "/g";
  TZtFindFile bare(fs, "*.TXT");
  ASSERT_TRUE(bare.NextMatch(0, 0));
  EXPECT_EQ(bare.FullPath(), "d.txt");
  TZtFindFile missing(fs, "/none/*");
  EXPECT_FALSE(missing.NextMatch(0, 0));
  fs.FailOn("ListFolder", EACCES);
  EXPECT_EQ(MessageOf([&] { TZtFindFile failing(fs, "/g/*.icn"); }),
            "Cannot open folder \"/g/\". " + NativeErrorText(EACCES));
}

}  // namespace
