// Writing on a thread of its own: the next page is made while the last one
// is put on disk. The files reach the other writer in the order given.
#ifndef QUILLERY_CONVERT_BACKGROUND_WRITER_H_
#define QUILLERY_CONVERT_BACKGROUND_WRITER_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "convert/site_writer.h"

namespace quillery {

class BackgroundWriter : public SiteWriter {
 public:
  // Hands every file to `inner` on a thread of its own; at most
  // `maxWaiting` files wait between the two.
  explicit BackgroundWriter(SiteWriter& inner, std::size_t maxWaiting = 8);
  // Waits for the thread; an error of `inner` not yet reported is dropped.
  ~BackgroundWriter() override;
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Queues the file. Throws, on this thread, what `inner` threw for an
  // earlier file; files queued after that are not written.
  void WriteFile(const std::string& path, std::string bytes) override;

  // Waits until every queued file is written; throws what `inner` threw.
  void Finish();

 private:
  void Run();
  void Stop();

  SiteWriter& inner_;
  const std::size_t maxWaiting_;
  std::mutex mutex_;
  std::condition_variable fileQueued_;  // the writing thread waits on it
  std::condition_variable roomFreed_;   // the caller waits on it
  std::deque<std::pair<std::string, std::string>> waiting_;
  bool closing_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_BACKGROUND_WRITER_H_
