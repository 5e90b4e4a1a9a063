// The file problem that stops a conversion; see file_io.h.
#include <utility>

#include "platform/file_io.h"

namespace quillery {

namespace {

std::string Told(const std::string& action, const std::string& path,
                 const std::string& reason) {
  std::string message = action + " '" + NativePath(path) + "'";
  if (!reason.empty()) message += ": " + reason;
  return message;
}

}  // namespace

FileError::FileError(const std::string& message)
    : std::runtime_error(message) {}

FileError::FileError(std::string action, std::string path, std::string reason)
    : std::runtime_error(Told(action, path, reason)),
      action_(std::move(action)),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

FileError FileError::Naming(std::string path) const {
  return FileError(action_, std::move(path), reason_);
}

FileError ChangedWhileReadError(const std::string& internalPath) {
  return FileError("cannot read", internalPath,
                   "it was changed while it was converted");
}

}  // namespace quillery
