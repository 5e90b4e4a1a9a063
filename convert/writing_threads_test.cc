#include "convert/writing_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quillery {
namespace {

TEST(ForEachPlace, CallsEveryPlaceOnce) {
  for (const std::size_t threads : {0u, 1u, 2u, 3u, 8u, 40u}) {
    for (const std::size_t count : {0u, 1u, 2u, 7u, 500u}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, " +
                   std::to_string(count) + " places");
      std::vector<std::atomic<int>> calls(count);
      std::mutex mutex;
      std::vector<std::thread::id> seenOn;
      ForEachPlace(count, threads, [&](std::size_t place) {
        ++calls[place];
        std::lock_guard<std::mutex> lock(mutex);
        seenOn.push_back(std::this_thread::get_id());
      });
      for (std::size_t place = 0; place < count; ++place) {
        EXPECT_EQ(calls[place].load(), 1) << place;
      }
      EXPECT_EQ(seenOn.size(), count);
    }
  }
}

// What a run on one thread would throw first comes back, whichever thread
// met which failure first, and every place before it is done.
TEST(ForEachPlace, TheFailureOfTheLowestPlaceComesBack) {
  for (const std::size_t threads : {1u, 2u, 4u, 8u}) {
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(std::to_string(threads) + " threads, round " +
                   std::to_string(round));
      std::vector<std::atomic<int>> calls(300);
      std::string caught;
      try {
        ForEachPlace(calls.size(), threads, [&](std::size_t place) {
          ++calls[place];
          // The later failure comes quickly, the earlier one slowly.
          if (place == 151) throw std::runtime_error("place 151");
          if (place == 150) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            throw std::runtime_error("place 150");
          }
        });
      } catch (const std::runtime_error& error) {
        caught = error.what();
      }
      EXPECT_EQ(caught, "place 150");
      for (std::size_t place = 0; place < 150; ++place) {
        EXPECT_EQ(calls[place].load(), 1) << place;
      }
      for (std::size_t place = 151; place < calls.size(); ++place) {
        EXPECT_LE(calls[place].load(), 1) << place;
      }
    }
  }
}

}  // namespace
}  // namespace quillery
