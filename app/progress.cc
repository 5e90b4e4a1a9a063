// The progress line and the summary; see progress.h.
#include "app/progress.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "text/bytes.h"

namespace quillery {
namespace {

// The line is redrawn at most this often while files are written, and the
// timer looks this often whether a step has become long.
constexpr std::chrono::milliseconds kRedraw(100);

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& err, bool showLine,
                                   Clock clock, std::chrono::milliseconds delay)
    : err_(err),
      showLine_(showLine),
      clock_(std::move(clock)),
      delay_(delay),
      start_(clock_()) {}

TerminalProgress::~TerminalProgress() { Clear(); }

void TerminalProgress::Reading() {
  std::lock_guard<std::mutex> lock(mutex_);
  EnterLocked(Step::kReading);
}

void TerminalProgress::Planning() {
  std::lock_guard<std::mutex> lock(mutex_);
  EnterLocked(Step::kPlanning);
}

void TerminalProgress::Planned(std::size_t files, std::size_t pages) {
  std::lock_guard<std::mutex> lock(mutex_);
  planned_ = files;
  pages_ = pages;
  EnterLocked(Step::kWriting);
}

void TerminalProgress::Staged(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++staged_;
  bytes_ += bytes;
  DrawLocked(/*stepChanged=*/false);
}

void TerminalProgress::Notice(const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  EraseLocked();
  err_ << "quillery: " << EscapeControlBytes(message) << "\n";
}

void TerminalProgress::Finished(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = line;
}

void TerminalProgress::Tick() {
  std::lock_guard<std::mutex> lock(mutex_);
  DrawLocked(/*stepChanged=*/false);
}

void TerminalProgress::StartTimer() {
  if (!showLine_ || timer_.joinable()) return;
  timer_ = std::thread([this] {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
      DrawLocked(/*stepChanged=*/false);
      wake_.wait_for(lock, kRedraw);
    }
  });
}

void TerminalProgress::Clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (timer_.joinable()) timer_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  EraseLocked();
}

std::string TerminalProgress::Summary() const {
  std::lock_guard<std::mutex> lock(mutex_);
  const double seconds =
      std::chrono::duration<double>(clock_() - start_).count();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
  return std::to_string(pages_) + " pages, " + std::to_string(staged_) +
         " files written, " + std::to_string(bytes_) + " bytes, " + elapsed +
         " s";
}

std::string TerminalProgress::finishedLine() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

void TerminalProgress::EnterLocked(Step step) {
  step_ = step;
  DrawLocked(/*stepChanged=*/true);
}

void TerminalProgress::DrawLocked(bool stepChanged) {
  if (!showLine_) return;
  const auto now = clock_();
  if (now - start_ < delay_) return;
  const bool lastFile = step_ == Step::kWriting && staged_ >= planned_;
  if (!shown_.empty() && !stepChanged && !lastFile &&
      now - lastShown_ < kRedraw) {
    return;
  }
  const std::string line = LineLocked();
  if (line == shown_) return;
  lastShown_ = now;
  err_ << '\r' << line;
  if (line.size() < shown_.size()) {
    err_ << std::string(shown_.size() - line.size(), ' ') << '\r' << line;
  }
  err_.flush();
  shown_ = line;
}

void TerminalProgress::EraseLocked() {
  if (shown_.empty()) return;
  err_ << '\r' << std::string(shown_.size(), ' ') << '\r';
  err_.flush();
  shown_.clear();
}

std::string TerminalProgress::LineLocked() const {
  switch (step_) {
    case Step::kStarting:
      return "quillery: starting";
    case Step::kReading:
      return "quillery: reading the site";
    case Step::kPlanning:
      return "quillery: planning the files";
    case Step::kWriting:
      break;
  }
  return "quillery: writing file " + std::to_string(staged_) + " of " +
         std::to_string(planned_);
}

}  // namespace quillery
