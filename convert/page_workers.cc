// Making pages on several threads; see page_workers.h.
#include "convert/page_workers.h"

#include <algorithm>
#include <utility>

namespace quillery {

std::size_t PageWorkerCount() {
  constexpr std::size_t kMostWorkers = 8;
  const std::size_t processors = std::thread::hardware_concurrency();
  return std::clamp<std::size_t>(processors, 1, kMostWorkers);
}

PageWorkers::PageWorkers(const PageMaker& maker, std::vector<std::size_t> order,
                         std::size_t workers, std::size_t ahead)
    : maker_(maker),
      order_(std::move(order)),
      ahead_(std::max<std::size_t>(ahead, 1)),
      made_(order_.size()),
      failed_(order_.size()) {
  const std::size_t count =
      std::min(std::max<std::size_t>(workers, 1), order_.size());
  threads_.reserve(count);
  try {
    for (std::size_t i = 0; i < count; ++i) {
      threads_.emplace_back([this] { Run(); });
    }
  } catch (...) {
    // A thread could not be started: those that were are stopped before
    // the object is given up.
    Stop();
    throw;
  }
}

PageWorkers::~PageWorkers() { Stop(); }

void PageWorkers::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  roomFreed_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void PageWorkers::Run() {
  for (;;) {
    std::size_t place = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // A page is made only while fewer than `ahead_` wait to be taken, so
      // that a slow writer never has the whole site made in memory.
      roomFreed_.wait(lock, [this] {
        return stopping_ || nextToMake_ >= order_.size() ||
               nextToMake_ < nextToTake_ + ahead_;
      });
      if (stopping_ || nextToMake_ >= order_.size()) return;
      place = nextToMake_++;
    }
    std::string page;
    std::exception_ptr failure;
    try {
      page = maker_.MakePage(order_[place]);
    } catch (...) {
      failure = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      made_[place] = std::move(page);
      failed_[place] = failure;
    }
    pageMade_.notify_one();
  }
}

std::string PageWorkers::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::size_t place = nextToTake_;
  pageMade_.wait(lock, [this, place] { return made_[place].has_value(); });
  std::string page = std::move(*made_[place]);
  made_[place].reset();
  const std::exception_ptr failure = failed_[place];
  ++nextToTake_;
  // The workers are woken once half the pages made are taken, not for each
  // one: each wakes then makes several pages in a row.
  const bool halfTaken = nextToMake_ - nextToTake_ <= ahead_ / 2;
  lock.unlock();
  if (halfTaken) roomFreed_.notify_all();
  if (failure) std::rethrow_exception(failure);
  return page;
}

}  // namespace quillery
