// Path splitting over the Windows and POSIX styles (fs/Path.h).
#include "fs/Path.h"

#include <gtest/gtest.h>

using namespace icnkit;

namespace {

const TZtPathStyle kWin = TZtPathStyle::Windows();
const TZtPathStyle kPosix = TZtPathStyle::Posix();

TEST(PathStyle, WindowsExampleTable) {
  EXPECT_EQ(DirectoryOfPath("C:\\Games\\H1\\x.icn", kWin), "C:\\Games\\H1\\");
  EXPECT_EQ(DirectoryOfPath("dir/x.bmp", kWin), "dir/");
  EXPECT_EQ(DirectoryOfPath("C:x.icn", kWin), "C:");
  EXPECT_EQ(DirectoryOfPath("x.icn", kWin), "");
  EXPECT_EQ(NameOfPath("C:\\Games\\", kWin), "");
  EXPECT_EQ(NameOfPath("x.icn", kWin), "x.icn");
  EXPECT_EQ(ExtensionOfPath("a.b\\c", kWin), "");
  EXPECT_EQ(ExtensionOfPath("X.ICN", kWin), ".ICN");
  EXPECT_EQ(ExtensionOfPath("x.", kWin), ".");
  EXPECT_EQ(ExtensionOfPath(".icn", kWin), ".icn");
  EXPECT_EQ(ReplaceExtension("Target.icn.cadres", "", kWin), "Target.icn");
  EXPECT_EQ(ReplaceExtension("a.b\\c", ".x", kWin), "a.b\\c.x");
  EXPECT_EQ(WithTrailingSlash("", kWin), "\\");
  EXPECT_EQ(WithTrailingSlash("C:", kWin), "C:\\");
  EXPECT_EQ(WithTrailingSlash("a/", kWin), "a/");
  EXPECT_EQ(WithoutTrailingSlash("C:\\", kWin), "C:");
  EXPECT_EQ(WithoutTrailingSlash("a//", kWin), "a/");
  EXPECT_EQ(WithoutTrailingSlash("a", kWin), "a");
  EXPECT_FALSE(IsSlashAt("a\\", 0, kWin));
  EXPECT_TRUE(IsSlashAt("a\\", 1, kWin));
  EXPECT_FALSE(IsSlashAt("a\\", 2, kWin));
  EXPECT_EQ(LastDelimiter("a/b\\c", "/"), 1u);
  EXPECT_EQ(LastDelimiter("abc", "/"), std::string::npos);
  EXPECT_EQ(LastDelimiter(std::string_view("a/\0b", 4), "/"), 1u);  // a NUL never delimits
}

TEST(PathStyle, PosixKeepsColonAndBackslashInNames) {
  EXPECT_EQ(DirectoryOfPath("/games/h1/x.icn", kPosix), "/games/h1/");
  EXPECT_EQ(DirectoryOfPath("C:x.icn", kPosix), "");
  EXPECT_EQ(NameOfPath("dir/a\\b:c.icn", kPosix), "a\\b:c.icn");
  EXPECT_EQ(NameOfPath("/games/", kPosix), "");
  EXPECT_EQ(ExtensionOfPath("a.b/c", kPosix), "");
  EXPECT_EQ(ExtensionOfPath("a.b\\c", kPosix), ".b\\c");
  EXPECT_EQ(ExtensionOfPath("dir/X.ICN", kPosix), ".ICN");
  EXPECT_EQ(ExtensionOfPath("x.", kPosix), ".");
  EXPECT_EQ(ReplaceExtension("/x/Target.icn.cadres", "", kPosix), "/x/Target.icn");
  EXPECT_EQ(ReplaceExtension("/x/frames", "", kPosix), "/x/frames");
  EXPECT_EQ(ReplaceExtension("a.b/c", ".x", kPosix), "a.b/c.x");
  EXPECT_EQ(WithTrailingSlash("", kPosix), "/");
  EXPECT_EQ(WithTrailingSlash("dir", kPosix), "dir/");
  EXPECT_EQ(WithTrailingSlash("C:\\", kPosix), "C:\\/");
  EXPECT_EQ(WithoutTrailingSlash("a//", kPosix), "a/");
  EXPECT_EQ(WithoutTrailingSlash("a\\", kPosix), "a\\");
}

TEST(PathStyle, NativeStyleAndExecutableNames) {
#if defined(_WIN32)
  EXPECT_EQ(NativePathStyle().Delimiter, '\\');
  EXPECT_EQ(ExecutableFileName("Dravel"), "Dravel.exe");
#else
  EXPECT_EQ(NativePathStyle().Delimiter, '/');
  EXPECT_EQ(ExecutableFileName("Dravel"), "dravel");
#endif
  // UTF-8 never puts a delimiter inside a character: "\xC3\x9C" is one.
  EXPECT_EQ(NameOfPath("a/\xC3\x9C"
                       "ber.icn",
                       TZtPathStyle::Posix()),
            "\xC3\x9C"
            "ber.icn");
  EXPECT_EQ(NameOfPath("a\\\xE5\x9C\x9F.icn", TZtPathStyle::Windows()), "\xE5\x9C\x9F.icn");
}

}  // namespace
