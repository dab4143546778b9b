// Control characters in messages: every line the tools print goes through
// ConsoleLine, which shows them as "\xNN" so that a file name cannot drive
// the terminal, and keeps UTF-8 text as it is.
#include <gtest/gtest.h>

#include <string>

#include "cli/Report.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

TEST(EscapeControls, ControlCharactersAreShownEscaped) {
  EXPECT_EQ(EscapeControls("\x1b[2J.icn"), "\\x1b[2J.icn");
  EXPECT_EQ(EscapeControls(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(EscapeControls("\t\x07\x08\x0b\x0c\x1f\x7f"), "\\x09\\x07\\x08\\x0b\\x0c\\x1f\\x7f");
  // Line ends: LF stays, CR LF becomes LF, a lone CR (which would let a name
  // overwrite the start of its line) is escaped.
  EXPECT_EQ(EscapeControls("a\r\nb\nc\rd\r"), "a\nb\nc\\x0dd\\x0d");
  // Printable ASCII, backslashes included, is untouched.
  EXPECT_EQ(EscapeControls(" ~C:\\x\\y \"q\" 100%"), " ~C:\\x\\y \"q\" 100%");
}

TEST(EscapeControls, Utf8StaysButC1ControlsAndBrokenBytesDoNot) {
  const std::string text =
      "\xC3\xA9t\xC3\xA9 "         // été
      "\xC2\xA0"                   // U+00A0, the first character after the C1 controls
      "\xE6\x97\xA5\xE6\x9C\xAC "  // 日本
      "\xF0\x9F\x98\x80 "          // U+1F600
      "\xF4\x8F\xBF\xBF"           // U+10FFFF
      "\xED\x9F\xBF";              // U+D7FF
  EXPECT_EQ(EscapeControls(text), text);
  // U+009B is a one-byte CSI to many terminals: escaped byte by byte.
  EXPECT_EQ(EscapeControls("\xC2\x9B"
                           "2J"),
            "\\xc2\\x9b2J");
  EXPECT_EQ(EscapeControls("\xC2\x80\xC2\x9F"), "\\xc2\\x80\\xc2\\x9f");
  // A raw C1 byte, an overlong form, a surrogate, past U+10FFFF, a cut
  // sequence and a stray continuation byte.
  EXPECT_EQ(EscapeControls("\x9B"), "\\x9b");
  EXPECT_EQ(EscapeControls("\xC0\xAF\xE0\x80\xAF"), "\\xc0\\xaf\\xe0\\x80\\xaf");
  EXPECT_EQ(EscapeControls("\xED\xA0\x80"), "\\xed\\xa0\\x80");
  EXPECT_EQ(EscapeControls("\xF4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");
  EXPECT_EQ(EscapeControls("x\xE6\x97"), "x\\xe6\\x97");
  EXPECT_EQ(EscapeControls("\xE6\x97x"), "\\xe6\\x97x");
  EXPECT_EQ(EscapeControls("\xBF\xFF\xFE"), "\\xbf\\xff\\xfe");
}

TEST(EscapeControls, ConsoleLinesEscapeCaptionAndText) {
  EXPECT_EQ(ConsoleLine("Dravel", "Bad file.\r\n/x/\x1b[2J.icn", true),
            "Dravel: Bad file.\n/x/\\x1b[2J.icn\n");
  EXPECT_EQ(ConsoleLine("D\x1b", "\xC3\xA9\x1b", false), "\xC3\xA9\\x1b\n");
  EXPECT_EQ(ConsoleLine("D\x1b", "x", true), "D\\x1b: x\n");
}

// The tools' own output: an archive named with ESC [ 2 J does not clear the
// terminal, and the rest of its name reads as it is.
TEST(EscapeControls, ToolsNeverPrintAControlCharacterOfAName) {
  TTempFolder work;
  const std::string name = "\x1b[2J\xC3\xA9\x07.icn";
  for (const char* tool : {"dravel", "dravix", "morlet", "morvix"}) {
    SCOPED_TRACE(tool);
    const TRunResult run = RunProgram(tool, {name}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr.find('\x1b'), std::string::npos) << run.Stderr;
    EXPECT_EQ(run.Stderr.find('\x07'), std::string::npos) << run.Stderr;
    EXPECT_NE(run.Stderr.find("\\x1b[2J\xC3\xA9\\x07.icn"), std::string::npos) << run.Stderr;
  }
}

}  // namespace
