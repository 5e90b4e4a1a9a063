// Pages made ahead on a few threads of their own and taken in the order
// asked for: the writer stages one page while the next ones are being made.
#ifndef QUILLERY_CONVERT_PAGE_WORKERS_H_
#define QUILLERY_CONVERT_PAGE_WORKERS_H_

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dress/page_maker.h"

namespace quillery {

// The number of threads that make pages: one for each processor the
// system reports, at least one and at most eight.
[[nodiscard]] std::size_t PageWorkerCount();

class PageWorkers {
 public:
  // Makes the pages numbered in `order` (a number may come twice) with
  // `maker` on `workers` threads (at least one), at most `ahead` pages made
  // and not yet taken. `maker` must outlive the object and is only read.
  PageWorkers(const PageMaker& maker, std::vector<std::size_t> order,
              std::size_t workers, std::size_t ahead);
  // Stops the threads once the pages they are making are made, and waits
  // for them.
  ~PageWorkers();
  PageWorkers(const PageWorkers&) = delete;
  PageWorkers& operator=(const PageWorkers&) = delete;

  // The next page of `order`, waiting until it is made; throws what making
  // it threw. Called once for each number of `order`, on one thread.
  [[nodiscard]] std::string Next();

 private:
  void Run();
  void Stop();

  const PageMaker& maker_;
  const std::vector<std::size_t> order_;
  const std::size_t ahead_;
  std::mutex mutex_;
  std::condition_variable pageMade_;   // the taker waits on it
  std::condition_variable roomFreed_;  // the workers wait on it
  // By place in `order_`: the page made, or what making it threw.
  std::vector<std::optional<std::string>> made_;
  std::vector<std::exception_ptr> failed_;
  std::size_t nextToMake_ = 0;
  std::size_t nextToTake_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_PAGE_WORKERS_H_
