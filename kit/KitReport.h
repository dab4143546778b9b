// The report of icnkit: errors, warnings and notes on stderr, one line
// each, "icnkit: ..."; a progress bar on stderr while many archives (or the
// frames of one) are worked on, when stderr is a terminal. Safe to call from
// several threads at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

namespace icnkit {

class TKitReport {
 public:
  // terminal: whether err is a terminal (the progress bar is drawn only
  // there).
  TKitReport(FILE* err, bool terminal) : Err_(err), Terminal_(terminal) {}

  // -q: everything but errors is silenced.
  void SetQuiet(bool quiet);
  // -v: details are shown too (Detail), unless quiet.
  void SetVerbose(bool verbose);

  // "icnkit: text". Always shown.
  void Error(const std::string& text);
  // "icnkit: warning: text", unless quiet.
  void Warning(const std::string& text);
  // "icnkit: text", unless quiet: what a run did (its last line).
  void Note(const std::string& text);
  // "icnkit: text", with -v only (and not quiet).
  void Detail(const std::string& text);

  // A bar of archives done / total and frames per second, drawn when err is
  // a terminal, total is above 1 and the report is not quiet.
  void StartProgress(size_t total);
  // One archive done, of frames frames.
  void Advance(size_t frames);
  // The frames of the one archive of a run of one (a GIF of many frames):
  // done of total so far. The bar then counts them, drawn as the archives'
  // bar is; in a run of several archives this is ignored.
  void AdvanceWithin(size_t done, size_t total);
  // Clears the bar.
  void EndProgress();
  // The frames of the archives done since StartProgress (for the line that
  // ends a run).
  size_t FramesDone();

  // The bar's text, as drawn (tests); unit: what done and total count.
  static std::string ProgressLine(size_t done, size_t total, double framesPerSecond,
                                  const char* unit = "archives");

 private:
  void Write(const std::string& line);
  void ClearBarLocked();
  void DrawBarLocked(bool force);

  std::mutex Mutex_;
  FILE* Err_;
  bool Terminal_;
  bool Quiet_ = false;
  bool Verbose_ = false;
  bool BarShown_ = false;
  bool BarActive_ = false;
  size_t Done_ = 0;
  size_t Total_ = 0;
  size_t Frames_ = 0;
  size_t WithinDone_ = 0;
  size_t WithinTotal_ = 0;  // 0: the bar counts archives
  std::chrono::steady_clock::time_point Start_;
  std::chrono::steady_clock::time_point LastDraw_;
};

}  // namespace icnkit
