#include "kit/KitReport.h"

#include "format/Error.h"

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

std::string TKitReport::ProgressLine(size_t done, size_t total, double framesPerSecond) {
  constexpr size_t kWidth = 30;
  const size_t filled = total == 0 ? kWidth : done * kWidth / total;
  std::string bar(filled, '#');
  bar.resize(kWidth, '.');
  return ZtFormat("[%s] %zu/%zu archives, %.0f frames/s", bar.c_str(), done, total,
                  framesPerSecond);
}

void TKitReport::StartProgress(size_t total) {
  std::lock_guard lock(Mutex_);
  BarActive_ = Terminal_ && !Quiet_ && total > 1;
  Done_ = 0;
  Total_ = total;
  Frames_ = 0;
  Start_ = std::chrono::steady_clock::now();
  LastDraw_ = Start_;
  DrawBarLocked(true);
}

void TKitReport::Advance(size_t frames) {
  std::lock_guard lock(Mutex_);
  ++Done_;
  Frames_ += frames;
  DrawBarLocked(Done_ == Total_);
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
  const double rate = seconds > 0 ? static_cast<double>(Frames_) / seconds : 0.0;
  // Written in three pieces: GCC 12 at -O3 warns falsely (-Wrestrict) on
  // a "literal" + std::string concatenation here.
  const std::string line = ProgressLine(Done_, Total_, rate);
  std::fputs("\r", Err_);
  std::fwrite(line.data(), 1, line.size(), Err_);
  std::fputs("\033[K", Err_);
  std::fflush(Err_);
  BarShown_ = true;
}
