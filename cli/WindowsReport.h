// The Windows report sink, open to tests: the console decision is taken by
// the caller, and the message box function can be replaced.
#pragma once

#include <cstdint>

#include "cli/Report.h"

namespace icnkit {

// MessageBoxW without its owner and the Windows types.
using TMessageBoxFunction = int (*)(const wchar_t* text, const wchar_t* caption, uint32_t type);

// Whether messages go to the console (see WindowsReport.cpp). Attaches to
// the parent's console when a windowed program was started from one.
bool DetectConsoleMode();

class TWindowsReport : public TReportSink {
 public:
  // console: write to stdout / stderr; else boxes through box (null:
  // MessageBoxW).
  explicit TWindowsReport(bool console, TMessageBoxFunction box = nullptr);
  bool Inform(const std::string& caption, const std::string& text) override;
  bool Fail(const std::string& caption, const std::string& text) override;

 private:
  bool Show(const std::string& caption, const std::string& text, bool error);
  bool Console_;
  TMessageBoxFunction Box_;
};

}  // namespace icnkit
