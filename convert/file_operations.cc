// The real file system behind FileOperations; see file_operations.h.
#include "convert/file_operations.h"

#include <optional>
#include <set>

#include "convert/writing_threads.h"
#include "platform/file_io.h"
#include "text/site_path.h"

namespace quillery {
namespace {

class SystemLock : public HeldLock {
 public:
  explicit SystemLock(const std::string& folder) : lock_(folder) {}
  [[nodiscard]] bool acquired() const { return lock_.acquired(); }

 private:
  FolderLock lock_;
};

// The default where no name can be looked at in two cases: the volumes of
// Windows and macOS fold letter case unless made otherwise.
#if defined(_WIN32) || defined(__APPLE__)
constexpr bool kFoldsWhenUnknown = true;
#else
constexpr bool kFoldsWhenUnknown = false;
#endif

// `name` with the case of each ASCII letter turned, or nothing when it has
// no ASCII letter.
std::optional<std::string> OtherCase(std::string name) {
  bool turned = false;
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    } else {
      continue;
    }
    turned = true;
  }
  if (!turned) return std::nullopt;
  return name;
}

// True when `other` is `path` itself: the same file, not merely another
// name of it (a hard link lies in a folder of its own entries).
bool SameFile(const PathFacts& path, const PathFacts& other) {
  return path.exists && other.exists && path.device == other.device &&
         path.inode == other.inode;
}

}  // namespace

bool SystemFileOperations::FoldsLetterCase(const std::string& folder) {
  const std::vector<std::string> entries = handles_.FolderEntries(folder);
  const std::set<std::string> names(entries.begin(), entries.end());
  for (const std::string& name : entries) {
    const std::optional<std::string> other = OtherCase(name);
    if (!other) continue;
    // Both spellings listed: two files, so the folder keeps case apart.
    if (names.count(*other) != 0) return false;
    const std::string path = SitePath(folder).Join(name).text();
    const std::string otherPath = SitePath(folder).Join(*other).text();
    return SameFile(handles_.LookAt(path), handles_.LookAt(otherPath));
  }
  // An empty folder: its own name, looked up in the folder above it.
  const SitePath own(folder);
  const std::optional<std::string> other = OtherCase(own.Name());
  if (!other) return kFoldsWhenUnknown;
  const std::string otherPath = own.Folder().Join(*other).text();
  return SameFile(handles_.LookAt(folder), handles_.LookAt(otherPath));
}

std::string SystemFileOperations::ReadText(const std::string& path) {
  return quillery::ReadFile(path);
}

SharedText SystemFileOperations::ReadDocument(const std::string& path) {
  return quillery::ReadDocumentFile(path);
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

std::size_t SystemFileOperations::WritesAtOnce() {
  return WritingThreadCount();
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

void SystemFileOperations::RenameNewFile(const std::string& from,
                                         const std::string& to) {
  handles_.RenameNewFile(from, to);
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
