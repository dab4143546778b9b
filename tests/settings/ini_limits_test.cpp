// Large setup.ini files: the document holds its text once and an index of
// the sections it was asked about, so a 100 MB file costs little more than
// 100 MB, and every look-up still finds the first of equal keys.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>

#include "settings/IniDocument.h"
#include "testdata/BmpBuilder.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"

using namespace icnkit;

namespace {

using namespace packtest;

TEST(IniLimits, ManyKeysAreFoundEditedAndWrittenBackInPlace) {
  // 30000 keys in two spellings of each case, a second section of the same
  // name and a comment between them.
  std::string text = "; frames\n[Bits]\n";
  for (int i = 0; i < 30000; ++i) {
    text.append("F").append(std::to_string(i)).append(".BMP = ").append(std::to_string(i)) += '\n';
  }
  for (int i = 0; i < 30000; i += 7) text.append("f").append(std::to_string(i)) += ".bmp=dup\n";
  text += "; end\n[bits]\nf1.bmp=9\n";
  TIniDocument document(text);
  for (int i = 0; i < 30000; i += 997) {
    EXPECT_EQ(document.Get("bits", std::string("f").append(std::to_string(i)) + ".bmp"),
              std::to_string(i))
        << i;
  }
  EXPECT_EQ(document.Get("Bits", "f30000.bmp"), std::nullopt);
  document.Set("BITS", "f7.bmp", "70");  // the first of the two lines
  document.Set("Bits", "new.bmp", "1");  // after the last key, before "; end"
  document.Set("Bits", "NEW.bmp", "2");  // the added line, edited
  document.Set("Bits", "f29999.bmp", "-1");
  EXPECT_EQ(document.Get("bits", "f7.bmp"), "70");
  EXPECT_EQ(document.Get("bits", "new.BMP"), "2");

  std::string expected = text;
  expected.replace(expected.find("F7.BMP = 7\n"), 11, "F7.BMP = 70\n");
  expected.replace(expected.find("F29999.BMP = 29999\n"), 19, "F29999.BMP = -1\n");
  expected.insert(expected.find("; end\n"), "new.bmp=2\n");
  EXPECT_EQ(document.Text(), expected);
  EXPECT_EQ(TIniDocument(expected).Get("bits", "new.bmp"), "2");
}

TEST(IniLimits, EditsAndAdditionsAtAnUnendedLastLine) {
  TIniDocument edited("[a]\r\nk=1");
  edited.Set("a", "k", "22");
  edited.Set("a", "n", "3");
  edited.Set("b", "m", "4");
  EXPECT_EQ(edited.Text(), "[a]\r\nk=22\r\nn=3\r\n[b]\r\nm=4\r\n");

  // A section asked for before it exists is added when first written.
  TIniDocument asked("[a]\nk=1\n; tail");
  EXPECT_EQ(asked.Get("b", "m"), std::nullopt);
  asked.Set("b", "m", "1");
  asked.Set("B", "m", "2");
  asked.Set("a", "q", "5");
  EXPECT_EQ(asked.Get("b", "M"), "2");
  EXPECT_EQ(asked.Text(), "[a]\nk=1\nq=5\n; tail\n[b]\nm=2\n");

  // Bytes that are not text, NUL included, pass through.
  const std::string binary("[s]\nk=\0\xFF\n\xFE=\x01", 12);
  TIniDocument raw(binary);
  EXPECT_EQ(raw.Get("s", "k"), std::string("\0\xFF", 2));
  EXPECT_EQ(raw.Get("s", "\xFE"), "\x01");
  raw.Set("s", "\xFE", "2");
  EXPECT_EQ(raw.Text(), std::string("[s]\nk=\0\xFF\n\xFE=2", 12));
}

#if defined(__SANITIZE_ADDRESS__)
#define ICNKIT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ICNKIT_ASAN 1
#endif
#endif

// A packer reading a 40 MB setup.ini of 3 million keys stays within 3 times
// that in address space (the whole process: code, libraries, the file, the
// index, the archive). Before, each line was a string of its own in a hash
// map: about 10 times the file.
TEST(IniLimits, ALargeSetupIniCostsLittleMoreThanItsSize) {
#ifdef ICNKIT_ASAN
  GTEST_SKIP() << "a sanitizer build reserves its shadow memory";
#else
  TTempFolder work;
  MakeFolder(work / "a.icn.cadres");
  WriteBytes(work / "a.icn.cadres/0000.bmp", Bmp8(2, 2, {1, 0, 0, 1}));
  std::string ini = "[Position]\nX=3\nY=4\n[Bits]\n0000.bmp=32\n";
  constexpr size_t kSize = 40 << 20;
  ini.reserve(kSize + 32);
  for (int i = 1; ini.size() < kSize; ++i) ini += std::to_string(i) + ".bmp=0\n";
  WriteText(work / "a.icn.cadres/setup.ini", ini);
  const auto limit = [] {
    constexpr rlim_t kBytes = 3 * (40 << 20);
    const rlimit bound{kBytes, kBytes};
    ::setrlimit(RLIMIT_AS, &bound);
  };
  const TRunResult run = RunProgram("morvix", {"a.icn"}, work.Path(), limit);
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  // Bits 32 of frame 0 (fill-only) reached the record.
  const TBytes archive = ReadBytes(work / "a.icn");
  ASSERT_GE(archive.size(), 15u);
  EXPECT_EQ(archive[14], 32);
#endif
}

}  // namespace
