#include "kit/KitReport.h"

namespace icnkit {

void TKitReport::SetQuiet(bool quiet) {
  std::lock_guard lock(Mutex_);
  Quiet_ = quiet;
}

void TKitReport::SetVerbose(bool verbose) {
  std::lock_guard lock(Mutex_);
  Verbose_ = verbose;
}

void TKitReport::Write(const std::string& line) {
  ClearBarLocked();
  std::fwrite(line.data(), 1, line.size(), Err_);
  std::fflush(Err_);
  DrawBarLocked(true);
}

void TKitReport::Error(const std::string& text) {
  std::lock_guard lock(Mutex_);
  Write("icnkit: " + text + "\n");
}

void TKitReport::Warning(const std::string& text) {
  std::lock_guard lock(Mutex_);
  if (!Quiet_) Write("icnkit: warning: " + text + "\n");
}

void TKitReport::Note(const std::string& text) {
  std::lock_guard lock(Mutex_);
  if (!Quiet_) Write("icnkit: " + text + "\n");
}

void TKitReport::Detail(const std::string& text) {
  std::lock_guard lock(Mutex_);
  if (Verbose_ && !Quiet_) Write("icnkit: " + text + "\n");
}

std::string TKitReport::ProgressLine(size_t done, size_t total, double framesPerSecond,
                                     const char* unit) {
  constexpr size_t kWidth = 30;
  const size_t filled = total == 0 ? kWidth : done * kWidth / total;
  std::string bar(filled, '#');
  bar.resize(kWidth, '.');
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.0f", framesPerSecond);
  return "[" + bar + "] " + std::to_string(done) + "/" + std::to_string(total) + " " + unit + ", " +
         rate + " frames/s";
}

void TKitReport::StartProgress(size_t total) {
  std::lock_guard lock(Mutex_);
  BarActive_ = Terminal_ && !Quiet_ && total > 1;
  Done_ = 0;
  Total_ = total;
  Frames_ = 0;
  WithinDone_ = 0;
  WithinTotal_ = 0;
  Start_ = std::chrono::steady_clock::now();
  LastDraw_ = Start_;
  DrawBarLocked(true);
}

void TKitReport::Advance(size_t frames) {
  std::lock_guard lock(Mutex_);
  ++Done_;
  Frames_ += frames;
  WithinDone_ = WithinTotal_;
  DrawBarLocked(Done_ == Total_);
}

void TKitReport::AdvanceWithin(size_t done, size_t total) {
  std::lock_guard lock(Mutex_);
  if (Total_ != 1 || Done_ > 0 || !Terminal_ || Quiet_ || total == 0) return;
  const bool first = !BarActive_;
  BarActive_ = true;
  WithinDone_ = done;
  WithinTotal_ = total;
  DrawBarLocked(first || done == total);
}

void TKitReport::EndProgress() {
  std::lock_guard lock(Mutex_);
  ClearBarLocked();
  BarActive_ = false;
}

size_t TKitReport::FramesDone() {
  std::lock_guard lock(Mutex_);
  return Frames_;
}

void TKitReport::ClearBarLocked() {
  if (!BarShown_) return;
  std::fputs("\r\033[K", Err_);
  BarShown_ = false;
}

void TKitReport::DrawBarLocked(bool force) {
  if (!BarActive_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - LastDraw_ < std::chrono::milliseconds(100)) return;
  LastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - Start_).count();
  const bool within = WithinTotal_ > 0;
  const size_t frames = within ? WithinDone_ : Frames_;
  const double rate = seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
  // Written in three pieces: GCC 12 at -O3 warns falsely (-Wrestrict) on
  // a "literal" + std::string concatenation here.
  const std::string line = within ? ProgressLine(WithinDone_, WithinTotal_, rate, "frames")
                                  : ProgressLine(Done_, Total_, rate);
  std::fputs("\r", Err_);
  std::fwrite(line.data(), 1, line.size(), Err_);
  std::fputs("\033[K", Err_);
  std::fflush(Err_);
  BarShown_ = true;
}

}  // namespace icnkit
