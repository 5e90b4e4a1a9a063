#include "convert/page_workers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "split/page_splitter.h"

namespace quillery {
namespace {

// Twelve pages, each with a link into another, so that every page is made
// from the whole split.
PageMaker TwelvePages() {
  std::string content = "<html><head></head><body>";
  for (int page = 1; page < 12; ++page) {
    content += "<h1><a name=\"h" + std::to_string(page) + "\">" +
               std::to_string(page) + "</a></h1><a href=\"#h" +
               std::to_string(12 - page) + "\">back</a>";
  }
  return PageMaker(SplitIntoPages(content + "</body></html>", "W", 1),
                   DressingTexts{}, DressingOptions{}, "");
}

TEST(PageWorkers, HandsOverEveryPageInTheOrderAsked) {
  const PageMaker maker = TwelvePages();
  ASSERT_EQ(maker.split().PageCount(), 12u);
  // Out of order, a page twice (as when the main file is a copy of page 0),
  // and more workers than pages wait to be taken.
  const std::vector<std::size_t> order = {3, 0, 1, 2,  4,  5, 6,
                                          7, 8, 9, 10, 11, 0};
  struct Row {
    std::size_t workers;
    std::size_t ahead;
  };
  for (const Row row :
       {Row{1, 1}, Row{2, 1}, Row{3, 2}, Row{8, 4}, Row{20, 0}}) {
    SCOPED_TRACE(std::to_string(row.workers) + " workers, " +
                 std::to_string(row.ahead) + " ahead");
    PageWorkers workers(maker, order, row.workers, row.ahead);
    for (std::size_t page : order) {
      EXPECT_EQ(workers.Next(), maker.MakePage(page));
    }
  }
}

TEST(PageWorkers, AFailureComesAtThePlaceOfItsPage) {
  const PageMaker maker = TwelvePages();
  // Page 99 does not exist: MakePage throws std::out_of_range.
  PageWorkers workers(maker, {0, 1, 99, 2}, 3, 2);
  EXPECT_EQ(workers.Next(), maker.MakePage(0));
  EXPECT_EQ(workers.Next(), maker.MakePage(1));
  EXPECT_THROW(static_cast<void>(workers.Next()), std::out_of_range);
  EXPECT_EQ(workers.Next(), maker.MakePage(2));
}

TEST(PageWorkers, StopsWhenPagesAreLeftUntaken) {
  const PageMaker maker = TwelvePages();
  // A writer that failed takes no more pages: the workers, waiting for
  // room, must still stop.
  std::vector<std::size_t> order(200, 5);
  PageWorkers workers(maker, order, 4, 1);
  EXPECT_EQ(workers.Next(), maker.MakePage(5));
}

}  // namespace
}  // namespace quillery
