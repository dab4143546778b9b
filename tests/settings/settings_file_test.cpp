// Settings files (setup.ini): numbers, reading and rewriting as the file
// holds it, when writes reach the file, and failures to write.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "fs/Files.h"
#include "settings/SettingsFile.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

// The line end of a settings file the tools create.
#if defined(_WIN32)
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(SettingsNumber, ConvertsTheValueTexts) {
  for (const char* text : {"12", "+12", "$C", "0xC", "0XC", "xC", "Xc", "  12", "$0000000C"}) {
    EXPECT_EQ(ParseSettingsNumber(text), 12) << text;
  }
  EXPECT_EQ(ParseSettingsNumber("-0x1"), -1);
  EXPECT_EQ(ParseSettingsNumber("0xFFFFFFFF"), -1);
  EXPECT_EQ(ParseSettingsNumber("0x80000000"), INT32_MIN);
  EXPECT_EQ(ParseSettingsNumber("-$FFFFFFFF"), 1);
  EXPECT_EQ(ParseSettingsNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseSettingsNumber("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseSettingsNumber("0"), 0);
  for (const char* text : {"12a", "0x", "", "12 ", "2147483648", "-2147483649", "$100000000", "x",
                           "$", "+", "+-1", "- 1", "\t12", "0x-1", "1.0"}) {
    EXPECT_EQ(ParseSettingsNumber(text), std::nullopt) << text;
  }
}

TEST(SettingsFile, ReadNumberTakesTheTextsAsTheFileHoldsThem) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  WriteText(path,
            "[S]\na=12\nb=+12\nc=$C\nd=0xC\ne=0XC\nf=xC\ng=-0x1\nh=0xFFFFFFFF\n"
            "i=12a\nj=0x\nk=\n");
  TSettingsFile settings(NativeFs(), path);
  for (const char* key : {"a", "b", "c", "d", "e", "f"}) {
    EXPECT_EQ(settings.ReadNumber("S", key, 99), 12) << key;
  }
  EXPECT_EQ(settings.ReadNumber("S", "g", 99), -1);
  EXPECT_EQ(settings.ReadNumber("S", "h", 99), -1);
  for (const char* key : {"i", "j", "k", "missing"}) {
    EXPECT_EQ(settings.ReadNumber("S", key, 99), 99) << key;
  }
  EXPECT_EQ(settings.ReadNumber("Missing", "a", -7), -7);
  TSettingsFile none(NativeFs(), folder / "none.ini");
  EXPECT_EQ(none.ReadNumber("S", "a", 5), 5);
}

// A file as a user's editor might leave it: BOM, CR LF, comments, quotes,
// blanks, mixed case, duplicates, no key yet for a new frame.
TEST(SettingsFile, HandWrittenFileIsReadAndRewrittenKeepingEveryOtherByte) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  const std::string original =
      "\xEF\xBB\xBF; frame folder\r\n"
      "[Position]\r\n"
      "  X = 17  \r\n"
      "y=\"-4\"\r\n"
      ";Y=100\r\n"
      "\r\n"
      "[ bits ]\r\n"
      "0000 = '32'\r\n"
      "0000=5\r\n"
      "; end of bits\r\n"
      "\r\n"
      "[POSITION]\r\n"
      "X=1\r\n"
      "Z=9";
  WriteText(path, original);
  {
    TSettingsFile settings(NativeFs(), path);
    EXPECT_EQ(settings.ReadNumber("position", "x", 0), 17);
    EXPECT_EQ(settings.ReadNumber("Position", "Y", 0), -4);
    EXPECT_EQ(settings.ReadNumber("Bits", "0000", 0), 32);
    EXPECT_EQ(settings.ReadNumber("Position", "Z", -1), -1);  // only the first section counts
    EXPECT_EQ(settings.ReadNumber("Bits", "0001", -1), -1);

    settings.WriteNumber("POSITION", "x", 20);
    settings.WriteNumber("Bits", "0001", 0);
    settings.WriteNumber("New", "K", -5);
    settings.WriteNumber("Bits", "0002", 32);
  }
  EXPECT_EQ(ReadText(path),
            "\xEF\xBB\xBF; frame folder\r\n"
            "[Position]\r\n"
            "  X = 20  \r\n"
            "y=\"-4\"\r\n"
            ";Y=100\r\n"
            "\r\n"
            "[ bits ]\r\n"
            "0000 = '32'\r\n"
            "0000=5\r\n"
            "0001=0\r\n"
            "0002=32\r\n"
            "; end of bits\r\n"
            "\r\n"
            "[POSITION]\r\n"
            "X=1\r\n"
            "Z=9\r\n"
            "[New]\r\n"
            "K=-5\r\n");
  // A later object reads the file afresh.
  TSettingsFile again(NativeFs(), path);
  EXPECT_EQ(again.ReadNumber("new", "k", 0), -5);
  EXPECT_EQ(again.ReadNumber("Position", "X", 0), 20);
}

TEST(SettingsFile, FirstWriteReachesTheFileAtOnceLaterOnesOnFlush) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  TSettingsFile settings(NativeFs(), path);
  settings.WriteNumber("Position", "X", 32);
  EXPECT_EQ(ReadText(path), "[Position]" + kEol + "X=32" + kEol);
  settings.WriteNumber("Position", "Y", 1);
  EXPECT_EQ(ReadText(path), "[Position]" + kEol + "X=32" + kEol);
  settings.Flush();
  EXPECT_EQ(ReadText(path), "[Position]" + kEol + "X=32" + kEol + "Y=1" + kEol);

  // 65535 frames: every key arrives, in order, with one more flush.
  std::string expected = "[Position]" + kEol + "X=32" + kEol + "Y=1" + kEol + "[Bits]" + kEol;
  for (int i = 0; i < 65535; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "%.4d", i);
    settings.WriteNumber("Bits", key, i % 2 ? 32 : 0);
    expected += std::string(key) + (i % 2 ? "=32" : "=0") + kEol;
  }
  settings.Flush();
  TSettingsFile reader(NativeFs(), path);
  EXPECT_EQ(reader.ReadNumber("Bits", "0000", -1), 0);
  EXPECT_EQ(reader.ReadNumber("Bits", "65534", -1), 0);
  EXPECT_EQ(reader.ReadNumber("Bits", "9999", -1), 32);
  EXPECT_EQ(ReadText(path), expected);
}

// The tools say "Unable to write to <path>"; MessageWithReason adds what
// stopped the write, for the faces that say why.
TEST(SettingsFile, UnwritableFilesRaiseUnableToWrite) {
  // "<what()> | <the reason MessageWithReason adds>".
  const auto messages = [](const std::function<void()>& write) {
    try {
      write();
    } catch (const TZtError& error) {
      const size_t said = std::strlen(error.what());
      return std::string(error.what()) + " |" + MessageWithReason(error).substr(said + 1);
    }
    return std::string("no failure");
  };
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  // A folder that is a file: the first write fails at once.
  WriteText(folder / "plain", "x");
  const std::string blocked = folder / "plain/setup.ini";
#if defined(_WIN32)
  const std::string notFolder = "Not a folder: " + folder / "plain", isFolder = "Access denied";
#else
  const std::string notFolder = "Not a directory", isFolder = "Is a directory";
#endif
  {
    TSettingsFile settings(NativeFs(), blocked);
    EXPECT_EQ(messages([&] { settings.WriteNumber("Position", "X", 1); }),
              "Unable to write to " + blocked + " | " + notFolder);
  }  // the destructor's flush does not throw

  // A file that turns into a folder after the first write: the cached keys
  // cannot be flushed, and the first key stays where it was written.
  TSettingsFile settings(NativeFs(), path);
  settings.WriteNumber("Position", "X", 1);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  ASSERT_TRUE(NativeFs().MakeFolder(path));
  settings.WriteNumber("Position", "Y", 2);
  EXPECT_EQ(messages([&] { settings.Flush(); }), "Unable to write to " + path + " | " + isFolder);

  // A file that could not be read, and a refused write.
  TSettingsFile unread(NativeFs(), path);
  EXPECT_EQ(messages([&] { unread.WriteNumber("s", "k", 1); }),
            "Unable to write to " + path + " | " + isFolder);
  TMemoryFileSystem platform;
  platform.AddFolder("/f");
  platform.Others.insert("/f/setup.ini");
  EXPECT_EQ(messages([&] { TSettingsFile(platform, "/f/setup.ini").WriteNumber("s", "k", 1); }),
            "Unable to write to /f/setup.ini | Not a regular file: /f/setup.ini");
}

// A "setup.ini" that exists but cannot be read (here a folder) reads as
// defaults and is never written over.
TEST(SettingsFile, AnUnreadableFileIsNeverWrittenOver) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  ASSERT_TRUE(NativeFs().MakeFolder(path));
  {
    TSettingsFile settings(NativeFs(), path);
    EXPECT_EQ(settings.ReadNumber("Position", "X", 7), 7);
    EXPECT_EQ(MessageOf([&] { settings.WriteNumber("Position", "X", 1); }),
              "Unable to write to " + path);
    EXPECT_NO_THROW(settings.Flush());
  }
  EXPECT_TRUE(IsDirectory(NativeFs(), path));
}

// A failed first write forgets its edit: once the file can be written, the
// next first write saves what the file holds plus that key only.
TEST(SettingsFile, AFailedFirstWriteIsForgotten) {
  const std::string path = "/f/setup.ini";
  TMemoryFileSystem platform;
  platform.AddFile(path, Bytes("[s]\nk=1\n"));
  TSettingsFile settings(platform, path);
  EXPECT_EQ(settings.ReadNumber("s", "k", 0), 1);
  platform.FailOn("BeginReplace", EACCES, 1, "", /*opening=*/true);  // the next write only
  EXPECT_EQ(MessageOf([&] { settings.WriteNumber("s", "a", 2); }), "Unable to write to " + path);
  settings.WriteNumber("s", "b", 3);
  EXPECT_EQ(platform.Files.at(path), Bytes("[s]\nk=1\nb=3\n"));
  EXPECT_EQ(settings.ReadNumber("s", "a", -1), -1);
}

TEST(SettingsFile, AFinishedObjectLetsTheNextOneSeeTheFileAgain) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  WriteText(path, "[s]\nk=1\n");
  {
    TSettingsFile settings(NativeFs(), path);
    EXPECT_EQ(settings.ReadNumber("s", "k", 0), 1);
  }
  WriteText(path, "[s]\nk=2\n");
  TSettingsFile settings(NativeFs(), path);
  EXPECT_EQ(settings.ReadNumber("s", "k", 0), 2);
}

// Flush() forgets the document: the same object then reads the file again,
// and its next write is a first write again, saved at once. Each object
// holds its own document: one sees another's writes once they are on disk.
TEST(SettingsFile, FlushHandsTheFileBackToItsReaders) {
  TTempFolder folder;
  const std::string path = folder / "setup.ini";
  TSettingsFile writer(NativeFs(), path);
  writer.WriteNumber("s", "a", 1);
  writer.WriteNumber("s", "b", 2);
  TSettingsFile reader(NativeFs(), path);
  EXPECT_EQ(reader.ReadNumber("s", "a", 0), 1);
  EXPECT_EQ(reader.ReadNumber("s", "b", 0), 0);  // not on disk yet
  writer.Flush();
  EXPECT_EQ(reader.ReadNumber("s", "b", 0), 0);  // the reader keeps what it loaded
  reader.Flush();
  EXPECT_EQ(reader.ReadNumber("s", "b", 0), 2);

  WriteText(path, "[s]\na=5\n");
  EXPECT_EQ(writer.ReadNumber("s", "a", 0), 5);
  writer.WriteNumber("s", "c", 3);
  EXPECT_EQ(ReadText(path), "[s]\na=5\nc=3\n");
}

}  // namespace
