// What a run shows on stderr while it works: one updating line on a
// terminal, once the run has taken more than a second, that says what it
// does (reading, planning, writing file N of M); the line that names the
// file to open; and, when asked, a summary line at the end.
#ifndef QUILLERY_APP_PROGRESS_H_
#define QUILLERY_APP_PROGRESS_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

#include "convert/conversion_driver.h"

namespace quillery {

class TerminalProgress : public ConversionProgress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `showLine`: stderr is a terminal and the run is not quiet. `clock` and
  // `delay` are the real clock and one second outside tests; the run is
  // taken to start here.
  TerminalProgress(std::ostream& err, bool showLine,
                   Clock clock = std::chrono::steady_clock::now,
                   std::chrono::milliseconds delay = std::chrono::seconds(1));
  // Stops the timer and clears the line, so that whatever is printed next
  // starts clean.
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // Each step shows its line at once when the run is past the delay.
  void Reading() override;
  void Planning() override;
  void Planned(std::size_t files, std::size_t pages) override;
  void Staged(std::size_t bytes) override;
  // Clears the line and prints the notice on a line of its own.
  void Notice(const std::string& message) override;
  // Keeps the line for finishedLine(); prints nothing.
  void Finished(const std::string& line) override;

  // Shows the line of the step the run is in, when the run is past the
  // delay and the line has changed; "writing" is redrawn at most every
  // 100 ms, but its last file always.
  void Tick();
  // Calls Tick every 100 ms on a thread of its own until Clear, so that a
  // long step shows its line too. Does nothing when no line is shown.
  void StartTimer();

  // Stops the timer and removes the progress line, if one is shown.
  void Clear();
  // "<pages> pages, <files> files written, <bytes> bytes, <seconds> s".
  [[nodiscard]] std::string Summary() const;
  // The line the conversion ended with ("" before it ends): the file to
  // open.
  [[nodiscard]] std::string finishedLine() const;

 private:
  enum class Step { kStarting, kReading, kPlanning, kWriting };

  // With the mutex held: enters `step` (the line is then due at once), and
  // draws the line when it is due.
  void EnterLocked(Step step);
  void DrawLocked(bool stepChanged);
  void EraseLocked();
  [[nodiscard]] std::string LineLocked() const;

  std::ostream& err_;
  const bool showLine_;
  const Clock clock_;
  const std::chrono::milliseconds delay_;
  const std::chrono::steady_clock::time_point start_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  std::thread timer_;
  bool stopping_ = false;
  Step step_ = Step::kStarting;
  std::chrono::steady_clock::time_point lastShown_;
  std::size_t planned_ = 0;
  std::size_t pages_ = 0;
  std::size_t staged_ = 0;
  std::size_t bytes_ = 0;
  std::string shown_;  // the line on the terminal, "" for none
  std::string finished_;
};

}  // namespace quillery

#endif  // QUILLERY_APP_PROGRESS_H_
