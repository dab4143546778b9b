// The report sink: where a tool's one final message goes.
//
// POSIX: the console (information on stdout, errors as "Caption: text" on
// stderr). Windows: the same on a console (started from one, output
// redirected, or ICNKIT_CONSOLE=1), else a message box with one OK button.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace icnkit {

class TReportSink {
 public:
  virtual ~TReportSink() = default;
  // Shows an information message. False when it could not be shown or
  // written (a full or closed console), which the tools turn into exit 1.
  virtual bool Inform(const std::string& caption, const std::string& text) = 0;
  // Shows an error message; false as for Inform.
  virtual bool Fail(const std::string& caption, const std::string& text) = 0;
};

// Text fit for a terminal: CR LF turned into "\n", every other control
// character (C0, DEL, the C1 controls U+0080 to U+009F) and every byte that
// is not part of well-formed UTF-8 shown as "\xNN" (ESC is "\x1b"), so a
// file name cannot move the cursor or clear the screen. "\n" and UTF-8 text
// stay as they are.
std::string EscapeControls(const std::string& text);

// The console form of a message, every line the tools print: "Caption: "
// before an error, the text through EscapeControls, one "\n" at the end.
std::string ConsoleLine(const std::string& caption, const std::string& text, bool error);

// A sink writing console lines to two streams, flushed after each line.
class TConsoleReport : public TReportSink {
 public:
  TConsoleReport(FILE* out, FILE* err) : Out_(out), Err_(err) {}
  bool Inform(const std::string& caption, const std::string& text) override;
  bool Fail(const std::string& caption, const std::string& text) override;

 private:
  FILE* Out_;
  FILE* Err_;
};

// The sink of this build's platform, for main.
std::unique_ptr<TReportSink> MakeNativeReportSink();

}  // namespace icnkit
