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

// A run that is long before its first file shows what it does: the line
// comes with the step that passes the delay, or with the timer's tick in
// the middle of a step, and each new step replaces it at once.
TEST(TerminalProgress, ShowsEachStepFromTheStartOfTheRun) {
  std::ostringstream err;
  auto tick = std::make_shared<HandClock>();
  TerminalProgress progress(
      err, /*showLine=*/true, [tick] { return (*tick)(); }, milliseconds(1000));
  progress.Reading();
  tick->now += milliseconds(999);
  progress.Tick();
  EXPECT_EQ(err.str(), "");
  tick->now += milliseconds(1);
  progress.Tick();
  EXPECT_EQ(err.str(), "\rquillery: reading the site");
  tick->now += milliseconds(500);
  progress.Tick();  // nothing new to show
  EXPECT_EQ(err.str(), "\rquillery: reading the site");
  err.str("");
  tick->now += milliseconds(10);
  progress.Planning();
  EXPECT_EQ(err.str(), "\rquillery: planning the files");
  err.str("");
  tick->now += milliseconds(10);
  progress.Planned(2, 1);
  EXPECT_EQ(err.str(), "\rquillery: writing file 0 of 2");
  err.str("");
  progress.Staged(5);  // within 100 ms of the last line
  EXPECT_EQ(err.str(), "");
  progress.Staged(5);  // the last file, however soon
  EXPECT_EQ(err.str(), "\rquillery: writing file 2 of 2");
  err.str("");
  progress.Notice("a notice");
  EXPECT_EQ(err.str(), "\r" + std::string(29, ' ') + "\rquillery: a notice\n");
}

TEST(TerminalProgress, AShorterLineBlanksOutTheLongerOne) {
  std::ostringstream err;
  auto tick = std::make_shared<HandClock>();
  TerminalProgress progress(
      err, /*showLine=*/true, [tick] { return (*tick)(); }, milliseconds(0));
  progress.Planning();
  err.str("");
  progress.Reading();
  EXPECT_EQ(err.str(), "\rquillery: reading the site" + std::string(2, ' ') +
                           "\rquillery: reading the site");
}

TEST(TerminalProgress, TheTimerStopsAtClearAndTheFinishedLineIsKept) {
  std::ostringstream err;
  {
    // The clock never passes the delay: the timer's ticks show nothing.
    auto tick = std::make_shared<HandClock>();
    TerminalProgress progress(
        err, /*showLine=*/true, [tick] { return (*tick)(); },
        milliseconds(1000));
    progress.StartTimer();
    progress.Reading();
    progress.Finished("converted in place: open 'a.htm'");
    progress.Clear();
    EXPECT_EQ(progress.finishedLine(), "converted in place: open 'a.htm'");
  }
  EXPECT_EQ(err.str(), "");
}

TEST(TerminalProgress, ShowsNothingOffATerminalOrWhenQuiet) {
  std::ostringstream err;
  auto tick = std::make_shared<HandClock>();
  {
    TerminalProgress progress(
        err, /*showLine=*/false, [tick] { return (*tick)(); }, milliseconds(0));
    progress.StartTimer();
    progress.Reading();
    tick->now += milliseconds(5000);
    progress.Tick();
    progress.Planning();
    progress.Planned(2, 1);
    progress.Staged(1);
    progress.Staged(1);
  }
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace quillery
