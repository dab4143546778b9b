// The Windows report sink, natively (Windows or Wine): message boxes and
// the console.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/WindowsReport.h"
//
#include "fs/WindowsHeaders.h"

using namespace icnkit;

namespace {

struct TBoxCall {
  bool NullText, NullCaption;
  std::wstring Text, Caption;
  uint32_t Type;
};
std::vector<TBoxCall> BoxCalls;
int BoxResult = IDOK;

int FakeMessageBox(const wchar_t* text, const wchar_t* caption, uint32_t type) {
  BoxCalls.push_back(
      {text == nullptr, caption == nullptr, text ? text : L"", caption ? caption : L"", type});
  return BoxResult;
}

TEST(Win32Report, MessageBoxArguments) {
  BoxCalls.clear();
  BoxResult = IDOK;
  TWindowsReport report(/*console=*/false, FakeMessageBox);
  EXPECT_TRUE(report.Inform("Dravel", "Operation succesful."));
  EXPECT_TRUE(report.Fail("Morvix", "Wrong bitmap format.\r\nD:\\x\\a.icn.cadres\\0002.bmp"));
  EXPECT_TRUE(report.Fail("", ""));
  EXPECT_TRUE(report.Inform("Dravel", "D:\\\xC3\xA9t\xC3\xA9.icn"));  // UTF-8 "été"
  BoxResult = 0;                                                      // nothing could be shown
  EXPECT_FALSE(report.Inform("Dravel", "x"));

  ASSERT_EQ(BoxCalls.size(), 5u);
  // One OK button and the icon; the text unchanged, CR LF included.
  EXPECT_EQ(BoxCalls[0].Text, L"Operation succesful.");
  EXPECT_EQ(BoxCalls[0].Caption, L"Dravel");
  EXPECT_EQ(BoxCalls[0].Type, static_cast<uint32_t>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(BoxCalls[1].Text, L"Wrong bitmap format.\r\nD:\\x\\a.icn.cadres\\0002.bmp");
  EXPECT_EQ(BoxCalls[1].Type, static_cast<uint32_t>(MB_OK | MB_ICONERROR));
  // Empty strings are passed as null pointers.
  EXPECT_TRUE(BoxCalls[2].NullText);
  EXPECT_TRUE(BoxCalls[2].NullCaption);
  // UTF-8 reaches the box as UTF-16.
  EXPECT_EQ(BoxCalls[3].Text, L"D:\\\u00E9t\u00E9.icn");
}

TEST(Win32Report, ConsoleModeWritesAsPosixDoes) {
  TWindowsReport report(/*console=*/true);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(report.Inform("Dravel", "Dravel v1.3.1\r\nUsage 1:  Dravel.exe Target.icn"));
  EXPECT_TRUE(report.Fail("Morlet", "Folder doesn't exist: a.icn.cadres\\."));
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  // Binary mode: "\n" stays one byte.
  EXPECT_EQ(out, "Dravel v1.3.1\nUsage 1:  Dravel.exe Target.icn\n");
  EXPECT_EQ(err, "Morlet: Folder doesn't exist: a.icn.cadres\\.\n");
}

}  // namespace
