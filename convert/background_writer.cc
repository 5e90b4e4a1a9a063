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
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // closing, and nothing left
      file = std::move(waiting_.front());
      waiting_.pop_front();
    }
    changed_.notify_all();  // room for the next file
    try {
      inner_.WriteFile(file.first, std::move(file.second));
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      waiting_.clear();
      closing_ = true;
      changed_.notify_all();
      return;
    }
  }
}

void BackgroundWriter::WriteFile(const std::string& path, std::string bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] {
    return error_ != nullptr || waiting_.size() < maxWaiting_;
  });
  if (error_ != nullptr) std::rethrow_exception(error_);
  waiting_.emplace_back(path, std::move(bytes));
  lock.unlock();
  changed_.notify_all();
}

void BackgroundWriter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundWriter::Finish() {
  Stop();
  if (error_ != nullptr) std::rethrow_exception(error_);
}

}  // namespace quillery
