#include "fs/FindFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fs/Files.h"
#include "tests/TestSupport.h"

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

TEST(FindFile, ListingFailureRaisesSystemError) {
  TFailingFileSystem failing;
  failing.FailWith = [](const std::string& method, const std::string&) -> uint32_t {
    return method == "ListFolder" ? 13 : 0;
  };
  try {
    TZtFindFile find(failing, "/somewhere/*.icn");
    FAIL();
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, 13u);
  }
}

}  // namespace
