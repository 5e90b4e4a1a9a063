// What a run shows on stderr while it writes: one updating line on a
// terminal, files staged out of files planned, once the run has taken more
// than a second; and, when asked, a summary line at the end.
#ifndef QUILLERY_APP_PROGRESS_H_
#define QUILLERY_APP_PROGRESS_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>

#include "convert/conversion_driver.h"

namespace quillery {

class TerminalProgress : public ConversionProgress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `showLine`: stderr is a terminal and the run is not quiet. `clock` and
  // `delay` are the real clock and one second outside tests.
  TerminalProgress(std::ostream& err, bool showLine,
                   Clock clock = std::chrono::steady_clock::now,
                   std::chrono::milliseconds delay = std::chrono::seconds(1));
  // Clears the line, so that whatever is printed next starts clean.
  ~TerminalProgress() override;

  void Planned(std::size_t files, std::size_t pages) override;
  void Staged(std::size_t bytes) override;
  // Clears the line and prints the notice on a line of its own.
  void Notice(const std::string& message) override;

  // Removes the progress line, if one is shown.
  void Clear();
  // "<pages> pages, <files> files written, <bytes> bytes, <seconds> s".
  [[nodiscard]] std::string Summary() const;

 private:
  std::ostream& err_;
  bool showLine_;
  Clock clock_;
  std::chrono::milliseconds delay_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastShown_;
  std::size_t planned_ = 0;
  std::size_t pages_ = 0;
  std::size_t staged_ = 0;
  std::size_t bytes_ = 0;
  std::size_t shownWidth_ = 0;  // of the line on the terminal, 0: none
};

}  // namespace quillery

#endif  // QUILLERY_APP_PROGRESS_H_
