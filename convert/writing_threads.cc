// Writing on a few threads; see writing_threads.h.
#include "convert/writing_threads.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace quillery {
namespace {

// The places still to take, and the failure of the lowest place so far.
class Places {
 public:
  explicit Places(std::size_t count) : count_(count) {}

  // The next place, or false once every place is taken or one failed.
  bool Take(std::size_t& place) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_ || next_ >= count_) return false;
    place = next_++;
    return true;
  }

  void Fail(std::size_t place, std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_ || place < failedPlace_) {
      failure_ = std::move(failure);
      failedPlace_ = place;
    }
  }

  // After every thread has ended.
  void RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  const std::size_t count_;
  std::mutex mutex_;
  std::size_t next_ = 0;
  std::exception_ptr failure_;
  std::size_t failedPlace_ = 0;
};

void TakeUntilDone(Places& places,
                   const std::function<void(std::size_t)>& each) {
  std::size_t place = 0;
  while (places.Take(place)) {
    try {
      each(place);
    } catch (...) {
      places.Fail(place, std::current_exception());
      return;
    }
  }
}

}  // namespace

std::size_t WritingThreadCount() {
  constexpr std::size_t kMostThreads = 8;
  const std::size_t processors = std::thread::hardware_concurrency();
  return std::clamp<std::size_t>(processors, 1, kMostThreads);
}

void ForEachPlace(std::size_t count, std::size_t threads,
                  const std::function<void(std::size_t place)>& each) {
  Places places(count);
  std::vector<std::thread> others;
  const std::size_t otherCount =
      std::min(std::max<std::size_t>(threads, 1), std::max<std::size_t>(count, 1)) - 1;
  others.reserve(otherCount);
  try {
    for (std::size_t i = 0; i < otherCount; ++i) {
      others.emplace_back([&places, &each] { TakeUntilDone(places, each); });
    }
  } catch (...) {
    // A thread could not be started: the places are left to those that
    // were, and to this one.
  }
  TakeUntilDone(places, each);
  for (std::thread& thread : others) thread.join();
  places.RethrowFailure();
}

std::shared_future<std::string> MakeBeside(std::function<std::string()> make) {
  try {
    return std::async(std::launch::async, make).share();
  } catch (const std::system_error&) {
    return MadeNow(make());
  }
}

std::shared_future<std::string> MadeNow(std::string text) {
  std::promise<std::string> made;
  made.set_value(std::move(text));
  return made.get_future().share();
}

}  // namespace quillery
