// The report sink's console form: the exact bytes, and a console that
// cannot be written.
#include "cli/Report.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/ToolContext.h"
#include "tests/MemoryFileSystem.h"

using namespace icnkit;

namespace {

std::string Contents(FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  return text;
}

TEST(ReportSink, ConsoleLinesAreExact) {
  EXPECT_EQ(ConsoleLine("Dravel", "Operation succesful.", false), "Operation succesful.\n");
  EXPECT_EQ(ConsoleLine("Morlet", "Wrong bitmap format.\r\n/x/a.icn.cadres/0002.bmp", true),
            "Morlet: Wrong bitmap format.\n/x/a.icn.cadres/0002.bmp\n");
  // CR LF pairs lose their CR, a lone CR is shown escaped; an empty text is
  // one line end.
  EXPECT_EQ(ConsoleLine("M", "a\rb\r\r\nc\r", true), "M: a\\x0db\\x0d\nc\\x0d\n");
  EXPECT_EQ(ConsoleLine("M", "", false), "\n");
}

TEST(ReportSink, InformationToOutErrorsToErr) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  TConsoleReport report(out, err);
  TMemoryFileSystem fs;
  const TToolContext context{fs, report};
  EXPECT_TRUE(context.Report.Inform("Dravel", "Operation succesful."));
  EXPECT_TRUE(context.Report.Fail("Dravix", "Bad file.\r\nx.icn"));
  EXPECT_EQ(Contents(out), "Operation succesful.\n");
  EXPECT_EQ(Contents(err), "Dravix: Bad file.\nx.icn\n");
  std::fclose(out);
  std::fclose(err);
}

TEST(ReportSink, AFullConsoleIsAFailure) {
  FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
  TConsoleReport report(full, full);
  EXPECT_FALSE(report.Inform("Dravel", "Operation succesful."));
  EXPECT_FALSE(report.Fail("Dravel", "x"));
  std::fclose(full);
}

TEST(ReportSink, MessageBoxesGoToTheConsole) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  TConsoleReport console(stdout, stderr);
  EXPECT_TRUE(console.Inform("Dravel", "Operation succesful."));
  EXPECT_TRUE(console.Fail("Morlet", "Wrong bitmap format.\r\n/x/a.icn.cadres/0002.bmp"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation succesful.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Morlet: Wrong bitmap format.\n/x/a.icn.cadres/0002.bmp\n");
}

}  // namespace
