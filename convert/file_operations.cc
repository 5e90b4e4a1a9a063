// The real file system behind FileOperations; see file_operations.h.
#include "convert/file_operations.h"

#include "platform/file_io.h"

namespace quillery {
namespace {

class SystemLock : public HeldLock {
 public:
  explicit SystemLock(const std::string& folder) : lock_(folder) {}
  [[nodiscard]] bool acquired() const { return lock_.acquired(); }

 private:
  FolderLock lock_;
};

}  // namespace

std::string SystemFileOperations::ReadText(const std::string& path) {
  return quillery::ReadFile(path);
}

std::string SystemFileOperations::ReadBytes(const std::string& path) {
  return ReadBinaryFile(path);
}

std::optional<std::string> SystemFileOperations::RealPath(
    const std::string& path) {
  return quillery::RealPath(path);
}

bool SystemFileOperations::Exists(const std::string& path) {
  return FileExists(path);
}

bool SystemFileOperations::CanOpenForReading(const std::string& path) {
  return quillery::CanOpenForReading(path);
}

std::unique_ptr<HeldLock> SystemFileOperations::LockFolder(
    const std::string& folder) {
  auto lock = std::make_unique<SystemLock>(folder);
  if (!lock->acquired()) return nullptr;
  return lock;
}

std::uint32_t SystemFileOperations::NewFileMode() {
  return quillery::NewFileMode();
}

PathFacts SystemFileOperations::LookAt(const std::string& path) {
  return handles_.LookAt(path);
}

std::vector<std::string> SystemFileOperations::FolderEntries(
    const std::string& path) {
  return handles_.FolderEntries(path);
}

std::string SystemFileOperations::ReadFile(const std::string& path,
                                           std::uint64_t maxBytes) {
  return handles_.ReadFile(path, maxBytes);
}

void SystemFileOperations::MakeFolder(const std::string& path) {
  handles_.MakeFolder(path);
}

void SystemFileOperations::WriteNewFile(const std::string& path,
                                        std::string_view bytes,
                                        std::uint32_t mode) {
  handles_.WriteNewFile(path, bytes, mode);
}

void SystemFileOperations::CopyNewFile(const std::string& from,
                                       const std::string& to,
                                       std::uint32_t mode) {
  handles_.CopyNewFile(from, to, mode);
}

void SystemFileOperations::SyncFileSystem(const std::string& path) {
  handles_.SyncFileSystem(path);
}

void SystemFileOperations::SyncFolder(const std::string& path) {
  handles_.SyncFolder(path);
}

void SystemFileOperations::RenameFile(const std::string& from,
                                      const std::string& to) {
  handles_.RenameFile(from, to);
}

bool SystemFileOperations::ExchangeFolders(const std::string& first,
                                           const std::string& second) {
  return handles_.ExchangeFolders(first, second);
}

bool SystemFileOperations::LinkFile(const std::string& from,
                                    const std::string& to) {
  return handles_.LinkFile(from, to);
}

void SystemFileOperations::RemoveFile(const std::string& path) {
  handles_.RemoveFile(path);
}

void SystemFileOperations::RemoveFolder(const std::string& path) {
  handles_.RemoveFolder(path);
}

void RemoveFolderTree(FileOperations& files, const std::string& folder) {
  for (const std::string& name : files.FolderEntries(folder)) {
    const std::string path = folder + "\\" + name;
    if (files.LookAt(path).isFolder) {
      RemoveFolderTree(files, path);
    } else {
      files.RemoveFile(path);
    }
  }
  files.RemoveFolder(folder);
}

}  // namespace quillery
