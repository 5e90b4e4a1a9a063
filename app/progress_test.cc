#include "app/progress.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace quillery {
namespace {

using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

// A clock the test moves by hand.
struct HandClock {
  TimePoint now;
  TimePoint operator()() const { return now; }
};

TEST(TerminalProgress, ShowsOneLineOnlyAfterTheDelayAndClearsIt) {
  std::ostringstream err;
  auto tick = std::make_shared<HandClock>();
  TerminalProgress progress(
      err, /*showLine=*/true, [tick] { return (*tick)(); }, milliseconds(1000));
  progress.Planned(3, 2);
  tick->now += milliseconds(500);
  progress.Staged(10);
  EXPECT_EQ(err.str(), "");  // under a second of work: nothing shown
  tick->now += milliseconds(600);
  progress.Staged(20);
  EXPECT_EQ(err.str(), "\rquillery: writing file 2 of 3");
  tick->now += milliseconds(10);
  progress.Staged(30);  // the last file is shown however soon
  EXPECT_EQ(err.str(),
            "\rquillery: writing file 2 of 3\rquillery: writing file 3 of 3");
  err.str("");
  progress.Clear();
  EXPECT_EQ(err.str(), "\r" + std::string(29, ' ') + "\r");
  err.str("");
  progress.Clear();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(progress.Summary(), "2 pages, 3 files written, 60 bytes, 1.11 s");
}

TEST(TerminalProgress, ShowsNothingOffATerminalOrWhenQuiet) {
  std::ostringstream err;
  auto tick = std::make_shared<HandClock>();
  {
    TerminalProgress progress(
        err, /*showLine=*/false, [tick] { return (*tick)(); }, milliseconds(0));
    progress.Planned(2, 1);
    tick->now += milliseconds(5000);
    progress.Staged(1);
    progress.Staged(1);
  }
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace quillery
