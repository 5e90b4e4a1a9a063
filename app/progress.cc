// The progress line and the summary; see progress.h.
#include "app/progress.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "text/bytes.h"

namespace quillery {
namespace {

// The line is redrawn at most this often.
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

void TerminalProgress::Planned(std::size_t files, std::size_t pages) {
  planned_ = files;
  pages_ = pages;
}

void TerminalProgress::Staged(std::size_t bytes) {
  ++staged_;
  bytes_ += bytes;
  if (!showLine_) return;
  const auto now = clock_();
  if (now - start_ < delay_) return;
  if (shownWidth_ > 0 && now - lastShown_ < kRedraw && staged_ < planned_) {
    return;
  }
  lastShown_ = now;
  const std::string line = "quillery: writing file " + std::to_string(staged_) +
                           " of " + std::to_string(planned_);
  err_ << '\r' << line;
  if (line.size() < shownWidth_) {
    err_ << std::string(shownWidth_ - line.size(), ' ') << '\r' << line;
  }
  err_.flush();
  shownWidth_ = line.size();
}

void TerminalProgress::Notice(const std::string& message) {
  Clear();
  err_ << "quillery: " << EscapeControlBytes(message) << "\n";
}

void TerminalProgress::Clear() {
  if (shownWidth_ == 0) return;
  err_ << '\r' << std::string(shownWidth_, ' ') << '\r';
  err_.flush();
  shownWidth_ = 0;
}

std::string TerminalProgress::Summary() const {
  const double seconds =
      std::chrono::duration<double>(clock_() - start_).count();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
  return std::to_string(pages_) + " pages, " + std::to_string(staged_) +
         " files written, " + std::to_string(bytes_) + " bytes, " + elapsed +
         " s";
}

}  // namespace quillery
