// The one way a conversion puts its files on disk, all or nothing: every
// path of the plan is resolved first, then each file is staged once, then
// everything staged is put in place at once. Converting in place
// (StagedSiteWriter) and into a folder of its own (OutputFolderWriter) are
// the two commits; the driver builds one pipeline over either.
#ifndef QUILLERY_CONVERT_SITE_COMMIT_H_
#define QUILLERY_CONVERT_SITE_COMMIT_H_

#include <atomic>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "convert/site_writer.h"

namespace quillery {

class SiteCommit : public SiteWriter {
 public:
  // A commit not made by then is undone: what was staged is removed, for
  // whatever reason the run stops (a file problem or any other exception).
  // A file problem while removing is passed over; the next run of the site
  // removes what stays.
  ~SiteCommit() override = default;

  // Where `path` really lies: two paths name one file when their keys are
  // equal. Every path is resolved before the first file is staged, on the
  // thread that plans; resolving after that is a fault of the caller
  // (std::logic_error). Throws FileError when the path cannot be written
  // (its folder is missing, lies outside the site or on another disk).
  [[nodiscard]] std::string KeyOf(const std::string& path) {
    if (writing_) {
      throw std::logic_error("every path is resolved before the first write");
    }
    auto known = keys_.find(path);
    if (known != keys_.end()) return known->second;
    std::string key = Resolve(path);
    return keys_.emplace(path, std::move(key)).first->second;
  }

  // Stages one file, at a path resolved before (SiteWriter::WriteFile).
  // Several threads stage files at once, each its own: staging reads what
  // KeyOf resolved and changes nothing another thread reads without a lock.

  // Puts everything staged in place. On a failure, puts back what it
  // replaced and throws.
  virtual void Commit() = 0;

 protected:
  // Finds where `path` really lies, once for each path (KeyOf).
  [[nodiscard]] virtual std::string Resolve(const std::string& path) = 0;

  // The key KeyOf resolved for `path`, for staging it; from the first call
  // on, nothing more is resolved. A path never resolved is a fault of the
  // caller (std::logic_error).
  [[nodiscard]] const std::string& ResolvedKey(const std::string& path) {
    writing_ = true;
    auto known = keys_.find(path);
    if (known == keys_.end()) {
      throw std::logic_error("a path is written that was not resolved first");
    }
    return known->second;
  }

  // Gives back what KeyOf resolved, once everything is committed: for a
  // large document that is thousands of paths, given back while the plan is
  // given back beside it.
  void ForgetResolvedKeys() {
    std::unordered_map<std::string, std::string>().swap(keys_);
  }

 private:
  std::unordered_map<std::string, std::string> keys_;  // path: its key
  std::atomic<bool> writing_{false};
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_COMMIT_H_
