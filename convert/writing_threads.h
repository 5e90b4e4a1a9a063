// The files of a conversion written on a few threads at once: each thread
// takes the next file of the list, makes it (a page is made only then) and
// stages it itself, so that no file is handed from one thread to another
// and no thread waits for another while there is a file left to take.
#ifndef QUILLERY_CONVERT_WRITING_THREADS_H_
#define QUILLERY_CONVERT_WRITING_THREADS_H_

#include <cstddef>
#include <functional>
#include <future>
#include <string>

namespace quillery {

// The number of threads that write: one for each processor the system
// reports, at least one and at most eight.
[[nodiscard]] std::size_t WritingThreadCount();

// Calls `each(place)` once for every place from 0 to `count` - 1, on
// `threads` threads (this one among them, and never more threads than
// places). The places are taken in increasing order. Once a call throws, no
// place is taken any more; when every thread has ended, what the call of
// the lowest place threw is thrown here. Every place below it was then
// done, so the failure is the one a single thread would have met first.
void ForEachPlace(std::size_t count, std::size_t threads,
                  const std::function<void(std::size_t place)>& each);

// A text made on a thread of its own while the caller goes on: `make` runs
// at once beside it, or here and now where no thread can start. What `make`
// throws is thrown by get(), or here when it ran here. Letting the result
// go waits for `make` to end.
[[nodiscard]] std::shared_future<std::string> MakeBeside(
    std::function<std::string()> make);

// A text already made, as MakeBeside gives one.
[[nodiscard]] std::shared_future<std::string> MadeNow(std::string text);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_WRITING_THREADS_H_
