// The writing thread; see background_writer.h.
#include "convert/background_writer.h"

namespace quillery {

BackgroundWriter::BackgroundWriter(SiteWriter& inner, std::size_t maxWaiting)
    : inner_(inner),
      maxWaiting_(maxWaiting == 0 ? 1 : maxWaiting),
      thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() { Stop(); }

void BackgroundWriter::Run() {
  for (;;) {
    std::pair<std::string, std::string> file;
    bool halfFree = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      fileQueued_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // closing, and nothing left
      file = std::move(waiting_.front());
      waiting_.pop_front();
      // The caller, when it waits for room, is woken once half the queue is
      // written, not for each file: it then queues several in a row.
      halfFree = waiting_.size() <= maxWaiting_ / 2;
    }
    if (halfFree) roomFreed_.notify_one();
    try {
      inner_.WriteFile(file.first, std::move(file.second));
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      waiting_.clear();
      closing_ = true;
      roomFreed_.notify_all();
      return;
    }
  }
}

void BackgroundWriter::WriteFile(const std::string& path, std::string bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  roomFreed_.wait(lock, [this] {
    return error_ != nullptr || waiting_.size() < maxWaiting_;
  });
  if (error_ != nullptr) std::rethrow_exception(error_);
  // The writing thread waits only when the queue is empty: only then is
  // there someone to wake.
  const bool wasEmpty = waiting_.empty();
  waiting_.emplace_back(path, std::move(bytes));
  lock.unlock();
  if (wasEmpty) fileQueued_.notify_one();
}

void BackgroundWriter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  fileQueued_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundWriter::Finish() {
  Stop();
  if (error_ != nullptr) std::rethrow_exception(error_);
}

}  // namespace quillery
